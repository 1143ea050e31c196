#include "phones/DialPlan.h"

#include "host/StoreSetupSource.h"
#include "store/Dictionary.h"
#include "store/Table.h"

#include <QRegularExpression>
#include <algorithm>

namespace tabulo::phones {

namespace {

bool allDigits(const QString &text) {
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

// What a number may hold besides its digits: the blanks and punctuation of
// the way numbers are shown and typed. Anything else could be a modem
// command of its own or a part of an address.
bool dialable(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(' ') ||
           c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char('-') || c == QLatin1Char('.');
}

DialString refused(const QString &why) {
    DialString d;
    d.error = why;
    return d;
}

} // namespace

QString DialString::telUri() const {
    if (!ok() || number.isEmpty())
        return {};
    return QStringLiteral("tel:") + prefix + number;
}

QByteArray DialString::modemCommand() const {
    if (!ok() || number.isEmpty())
        return {};
    QByteArray command("ATDT");
    if (!prefix.isEmpty())
        command += prefix.toLatin1() + ',';
    return command + number.toLatin1() + ";\r";
}

DialString composeDialString(const QString &number, const DialSettings &settings) {
    for (QChar c : number) {
        if (!dialable(c)) {
            return refused(
                QStringLiteral("\"%1\" cannot be dialled: a number holds only digits, blanks and ( ) - .")
                    .arg(number));
        }
    }
    QString digits = number;
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    if (digits.isEmpty())
        return refused(QStringLiteral("There is no number to dial."));
    const QString area = settings.localAreaCode.trimmed();
    if (!area.isEmpty() && (area.size() != 3 || !allDigits(area)))
        return refused(QStringLiteral("The local area code \"%1\" is not three digits.").arg(area));
    if (settings.prefix < 0 || settings.prefix > 9)
        return refused(
            QStringLiteral("The dial prefix of the setup (%1) is not one digit.").arg(settings.prefix));

    DialString d;
    if (settings.prefix > 0)
        d.prefix = QString::number(settings.prefix);
    if (digits.size() == 11 && digits.startsWith(QLatin1Char('1')))
        digits.remove(0, 1);
    if (digits.size() == 10) {
        if (area.isEmpty())
            d.number = digits;
        else if (digits.startsWith(area))
            d.number = settings.dialAreaCode ? digits : digits.mid(3);
        else
            d.number = QLatin1Char('1') + digits;
    } else if (digits.size() == 7) {
        d.number = settings.dialAreaCode ? area + digits : digits;
    } else {
        d.number = digits;
    }
    return d;
}

ModemPort modemPort(const QString &port) {
    const QString name = port.trimmed();
    if (name.isEmpty() || name == QLatin1String("0"))
        return {};
    // COM1 is the first serial port, Linux's ttyS0.
    static const QRegularExpression com(QStringLiteral("^(?:COM)?([0-9]{1,2}):?$"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = com.match(name); m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n >= 1)
            return {QStringLiteral("/dev/ttyS%1").arg(n - 1), {}};
    } else if (name.startsWith(QLatin1Char('/'))) {
        return {name, {}};
    } else {
        static const QRegularExpression device(QStringLiteral("^[A-Za-z][A-Za-z0-9_.-]*$"));
        if (device.match(name).hasMatch())
            return {QStringLiteral("/dev/") + name, {}};
    }
    return {{}, QStringLiteral("\"%1\" does not name a serial port.").arg(name)};
}

DialSettings readDialSettings(const QString &directory) {
    const store::TableDef *def = store::Dictionary::instance().table(QStringLiteral("QKset"));
    store::Table own(*def, directory);
    if (!own.open().ok())
        return {};
    DialSettings settings;
    if (host::readSetupRecord(own).ok()) {
        const store::Record &r = own.record();
        settings.localAreaCode = r.text(def->fieldIndex(QStringLiteral("AREACODE"))).trimmed();
        settings.prefix = static_cast<int>(r.integer(def->fieldIndex(QStringLiteral("DIALPREFIX"))));
        settings.dialAreaCode = r.integer(def->fieldIndex(QStringLiteral("DIALAREACODE"))) != 0;
        settings.port = r.text(def->fieldIndex(QStringLiteral("COM"))).trimmed();
    }
    own.close();
    return settings;
}

} // namespace tabulo::phones

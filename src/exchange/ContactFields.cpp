// The contact fields both exchange formats read and write the same way:
// birthdays and dates, names, street lines, phone labels and extensions,
// categories.
#include "exchange/ContactFields.h"
#include "exchange/ContactMapping.h"

#include "base/DateOps.h"

#include <QRegularExpression>

#include <chrono>
#include <optional>
#include <utility>

namespace tabulo::exchange {

namespace fields {

int dayFromParts(int year, int month, int day) {
    using namespace std::chrono;
    const year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                             std::chrono::day{static_cast<unsigned>(day)}};
    if (month < 1 || month > 12 || day < 1 || !ymd.ok())
        return 0;
    const int number = dates::dayNumber(ymd);
    return number > 0 ? number : 0;
}

// Splits "First Middle Last" or "Last, First" into last and first name.
void splitFullName(const QString &full, QString &last, QString &first) {
    const QString name = full.simplified();
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma > 0) {
        last = name.left(comma).trimmed();
        first = name.mid(comma + 1).trimmed();
        return;
    }
    const qsizetype space = name.lastIndexOf(QLatin1Char(' '));
    if (space < 0) {
        last = name;
        first.clear();
        return;
    }
    last = name.mid(space + 1);
    first = name.left(space);
}

// Street lines: the first is address 1, the rest address 2.
void putStreet(Contact &c, const QString &street) {
    const QStringList lines = street.split(QLatin1Char('\n'));
    if (!lines.isEmpty())
        c.addr1 = lines.first().trimmed();
    if (lines.size() > 1)
        c.addr2 = lines.mid(1).join(QStringLiteral(", ")).trimmed();
}

// Apple wraps its standard labels: "_$!<Mobile>!$_".
QString plainLabel(QString label) {
    if (label.startsWith(QLatin1String("_$!<")) && label.endsWith(QLatin1String(">!$_")))
        label = label.mid(4, label.size() - 8);
    return label.trimmed();
}

// "+1 614 555 1234 x12", "tel:+1-614-555-1234;ext=12": number and extension.
void splitExtension(QString value, QString &number, QString &ext) {
    value = value.trimmed();
    if (value.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        value = value.mid(4);
    static const QRegularExpression extPattern(QStringLiteral(R"((?:;ext=|\s*(?:ext\.?|x|#)\s*)(\d+)\s*$)"),
                                               QRegularExpression::CaseInsensitiveOption);
    // Most numbers carry no extension: spare them the pattern.
    const bool mayHaveExtension = value.contains(QLatin1Char('x'), Qt::CaseInsensitive) ||
                                  value.contains(QLatin1Char('#')) || value.contains(QLatin1Char(';'));
    if (!mayHaveExtension) {
        number = value;
        return;
    }
    const QRegularExpressionMatch m = extPattern.match(value);
    if (m.hasMatch() && m.capturedStart() > 0) {
        ext = m.captured(1);
        value = value.left(m.capturedStart()).trimmed();
    }
    number = value;
}

QString isoDate(int day) {
    if (day <= 0)
        return {};
    return QStringLiteral("%1-%2-%3")
        .arg(dates::yearOf(day), 4, 10, QLatin1Char('0'))
        .arg(dates::monthOf(day), 2, 10, QLatin1Char('0'))
        .arg(dates::dayOf(day), 2, 10, QLatin1Char('0'));
}

QStringList splitCategories(const QString &text) {
    QStringList parts;
    if (text.contains(QLatin1String(":::")))
        parts = text.split(QStringLiteral(":::"));
    else if (text.contains(QLatin1Char(';')))
        parts = text.split(QLatin1Char(';'));
    else
        parts = text.split(QLatin1Char(','));
    QStringList result;
    for (QString p : parts) {
        p = p.trimmed();
        // Google's system groups ("* myContacts") are no categories.
        if (!p.isEmpty() && !p.startsWith(QLatin1String("* ")) && !result.contains(p))
            result.append(p);
    }
    return result;
}

} // namespace fields

using namespace fields;

namespace {

// "1990-01-31", "19900131" (and the two with one dash) in ASCII digits, as
// the pattern of full dates reads them; nothing for any other text, which
// the patterns then read.
std::optional<int> plainIsoDay(const QString &text) {
    const auto digits = [&text](qsizetype at, int count, int &value) {
        if (at + count > text.size())
            return false;
        value = 0;
        for (int i = 0; i < count; ++i) {
            const char16_t c = text[at + i].unicode();
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        return true;
    };
    int year = 0, month = 0, day = 0;
    qsizetype at = 0;
    if (!digits(at, 4, year))
        return std::nullopt;
    at += 4;
    if (at < text.size() && text[at] == QLatin1Char('-'))
        ++at;
    if (!digits(at, 2, month))
        return std::nullopt;
    at += 2;
    if (at < text.size() && text[at] == QLatin1Char('-'))
        ++at;
    if (!digits(at, 2, day) || at + 2 != text.size())
        return std::nullopt;
    return dayFromParts(year, month, day);
}

} // namespace

int parseBirthday(const QString &input) {
    QString text = input.trimmed();
    const qsizetype t = text.indexOf(QLatin1Char('T'));
    if (t > 0)
        text = text.left(t);
    if (text.isEmpty())
        return 0;
    if (const std::optional<int> plain = plainIsoDay(text))
        return *plain;
    static const QRegularExpression full(QStringLiteral(R"(^(\d{4})-?(\d{2})-?(\d{2})$)"));
    static const QRegularExpression noYear(QStringLiteral(R"(^--(\d{2})-?(\d{2})$)"));
    static const QRegularExpression us(QStringLiteral(R"(^(\d{1,2})/(\d{1,2})/(\d{2}|\d{4})$)"));
    if (const auto m = full.match(text); m.hasMatch())
        return dayFromParts(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (const auto m = noYear.match(text); m.hasMatch())
        return dayFromParts(kNoYear, m.captured(1).toInt(), m.captured(2).toInt());
    if (const auto m = us.match(text); m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += year < 30 ? 2000 : 1900;
        return dayFromParts(year, m.captured(1).toInt(), m.captured(2).toInt());
    }
    return 0;
}

QString formatBirthday(int day, bool compactNoYear) {
    if (day <= 0)
        return {};
    if (dates::yearOf(day) == kNoYear) {
        const QString month = QStringLiteral("%1").arg(dates::monthOf(day), 2, 10, QLatin1Char('0'));
        const QString dd = QStringLiteral("%1").arg(dates::dayOf(day), 2, 10, QLatin1Char('0'));
        return compactNoYear ? QStringLiteral("--") + month + dd
                             : QStringLiteral("--") + month + QLatin1Char('-') + dd;
    }
    return isoDate(day);
}

QString locationFromTypes(const QStringList &types) {
    const auto has = [&](const char *t) { return types.contains(QLatin1StringView(t)); };
    if (has("CELL") || has("MOBILE") || has("IPHONE"))
        return QStringLiteral("Mobile");
    if (has("FAX"))
        return has("HOME")   ? QStringLiteral("Home Fax")
               : has("WORK") ? QStringLiteral("Work Fax")
                             : QStringLiteral("Fax");
    // Otherwise the first of these the types hold, in this order.
    static const std::pair<const char *, const char *> kLocations[] = {
        {"PAGER", "Pager"}, {"HOME", "Home"}, {"WORK", "Work"}, {"MAIN", "Main"}, {"CAR", "Car"}, {"OTHER", "Other"},
    };
    for (const auto &[type, location] : kLocations) {
        if (has(type))
            return QString::fromLatin1(location);
    }
    return {};
}

} // namespace tabulo::exchange

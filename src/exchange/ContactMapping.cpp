// Contacts as vCards: a card read into a contact and a contact written as
// a card.
#include "exchange/ContactFields.h"
#include "exchange/ContactMapping.h"

#include "base/DateOps.h"

#include <QRegularExpression>

#include <map>

namespace tabulo::exchange {

using namespace fields;

namespace {

const std::vector<std::pair<QString, QString>> &canonicalTypes() {
    // Location and the TYPE value that says it.
    static const std::vector<std::pair<QString, QString>> types = {
        {QStringLiteral("Home"), QStringLiteral("home")},   {QStringLiteral("Work"), QStringLiteral("work")},
        {QStringLiteral("Mobile"), QStringLiteral("cell")}, {QStringLiteral("Fax"), QStringLiteral("fax")},
        {QStringLiteral("Pager"), QStringLiteral("pager")}, {QStringLiteral("Main"), QStringLiteral("main")},
    };
    return types;
}

} // namespace

Contact contactFromCard(const VCardCard &card) {
    Contact c;
    c.line = card.line;
    // Apple labels a property through another one in its group.
    std::map<QString, QString> labels;
    for (const VCardProperty &p : card.properties) {
        if (p.name == QLatin1String("X-ABLABEL") && !p.group.isEmpty())
            labels[p.group.toUpper()] = plainLabel(unescapeValue(p.value));
    }
    bool kindOrg = false;
    QString fullName;
    const VCardProperty *homeAdr = nullptr;
    const VCardProperty *workAdr = nullptr;
    const VCardProperty *firstAdr = nullptr;
    bool haveN = false;
    for (const VCardProperty &p : card.properties) {
        const QString &n = p.name;
        if (n == QLatin1String("N")) {
            const QStringList parts = splitValue(p.value, QLatin1Char(';'));
            c.lastName = parts.value(0).trimmed();
            c.firstName = parts.value(1).trimmed();
            haveN = !c.lastName.isEmpty() || !c.firstName.isEmpty();
        } else if (n == QLatin1String("FN")) {
            fullName = unescapeValue(p.value).trimmed();
        } else if (n == QLatin1String("KIND") || n == QLatin1String("X-ADDRESSBOOKSERVER-KIND")) {
            kindOrg = kindOrg || p.value.trimmed().compare(QLatin1String("org"), Qt::CaseInsensitive) == 0 ||
                      p.value.trimmed().compare(QLatin1String("group"), Qt::CaseInsensitive) == 0;
        } else if (n == QLatin1String("X-ABSHOWAS")) {
            kindOrg =
                kindOrg || p.value.trimmed().compare(QLatin1String("COMPANY"), Qt::CaseInsensitive) == 0;
        } else if (n == QLatin1String("ADR")) {
            if (!firstAdr)
                firstAdr = &p;
            if (!homeAdr && p.hasType(QStringLiteral("HOME")))
                homeAdr = &p;
            if (!workAdr && p.hasType(QStringLiteral("WORK")))
                workAdr = &p;
        } else if (n == QLatin1String("EMAIL")) {
            // The first address is the one kept, as address books list their
            // preferred one first.
            if (c.email.isEmpty()) {
                c.email = unescapeValue(p.value).trimmed();
                if (c.email.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
                    c.email = c.email.mid(7);
            }
        } else if (n == QLatin1String("BDAY")) {
            // Apple writes a birthday without a year in a year it names.
            const QStringList omit = p.param(QStringLiteral("X-APPLE-OMIT-YEAR"));
            static const QRegularExpression dated(QStringLiteral(R"(^(\d{4})-?(\d{2})-?(\d{2}))"));
            const QRegularExpressionMatch m =
                omit.isEmpty() ? QRegularExpressionMatch() : dated.match(p.value.trimmed());
            if (!omit.isEmpty() && m.hasMatch() && m.captured(1) == omit.first())
                c.birthday = dayFromParts(kNoYear, m.captured(2).toInt(), m.captured(3).toInt());
            else
                c.birthday = parseBirthday(p.value);
        } else if (n == QLatin1String("TEL")) {
            ContactPhone phone;
            splitExtension(unescapeValue(p.value), phone.number, phone.ext);
            const auto label = labels.find(p.group.toUpper());
            if (label != labels.end())
                phone.location = label->second;
            else
                phone.location = locationFromTypes(p.param(QStringLiteral("TYPE")));
            if (phone.location.isEmpty())
                phone.location = QStringLiteral("Phone");
            for (const VCardParam &param : p.params) {
                if (param.name == QLatin1String("X-NAME"))
                    phone.name = param.values.join(QLatin1Char(','));
            }
            if (!phone.number.isEmpty())
                c.phones.push_back(std::move(phone));
        } else if (n == QLatin1String("NOTE")) {
            ContactNote note;
            note.text = unescapeValue(p.value);
            for (const VCardParam &param : p.params) {
                if (param.name == QLatin1String("X-DATE"))
                    note.date = parseBirthday(param.values.value(0));
                else if (param.name == QLatin1String("X-UPDATED"))
                    note.updated = parseBirthday(param.values.value(0));
            }
            if (!note.text.trimmed().isEmpty())
                c.notes.push_back(std::move(note));
        } else if (n == QLatin1String("CATEGORIES")) {
            for (QString category : splitValue(p.value, QLatin1Char(','))) {
                category = category.trimmed();
                if (!category.isEmpty() && !c.categories.contains(category))
                    c.categories.append(category);
            }
        } else if (n == QLatin1String("ORG")) {
            c.company = splitValue(p.value, QLatin1Char(';')).value(0).trimmed();
        } else if (n == QLatin1String("URL")) {
            if (c.web.isEmpty())
                c.web = unescapeValue(p.value).trimmed();
        } else if (n == QLatin1String("X-BUSINESS")) {
            c.business = unescapeValue(p.value).trimmed();
        }
    }
    if (!haveN && !fullName.isEmpty() && fullName != c.company)
        splitFullName(fullName, c.lastName, c.firstName);
    c.isCompany =
        !c.company.isEmpty() && (kindOrg || (!haveN && c.lastName.isEmpty() && c.firstName.isEmpty()));
    const VCardProperty *adr = c.isCompany ? (workAdr ? workAdr : firstAdr) : (homeAdr ? homeAdr : firstAdr);
    if (adr) {
        const QStringList parts = splitValue(adr->value, QLatin1Char(';'));
        putStreet(c, parts.value(2));
        if (c.addr1.isEmpty())
            c.addr1 = parts.value(0).trimmed();
        if (c.addr2.isEmpty())
            c.addr2 = parts.value(1).trimmed();
        c.city = parts.value(3).trimmed();
        c.state = parts.value(4).trimmed();
        c.zip = parts.value(5).trimmed();
        c.country = parts.value(6).trimmed();
    }
    if (c.isCompany) {
        c.lastName.clear();
        c.firstName.clear();
    }
    return c;
}

void writeCard(VCardWriter &w, const Contact &c) {
    const bool v4 = w.version() == VCardVersion::V4;
    const auto esc = [](const QString &s) { return VCardWriter::escapeText(s); };
    w.begin();
    if (c.isCompany) {
        if (v4)
            w.property(QStringLiteral("KIND"), QStringLiteral("org"));
        else
            w.property(QStringLiteral("X-ABShowAs"), QStringLiteral("COMPANY"));
        w.property(QStringLiteral("N"), QStringLiteral(";;;;"));
        w.property(QStringLiteral("FN"), esc(c.company));
    } else {
        w.property(QStringLiteral("N"),
                   esc(c.lastName) + QLatin1Char(';') + esc(c.firstName) + QStringLiteral(";;;"));
        QString full = c.firstName;
        if (!c.lastName.isEmpty())
            full = full.isEmpty() ? c.lastName : full + QLatin1Char(' ') + c.lastName;
        w.property(QStringLiteral("FN"), esc(full));
    }
    if (!c.company.isEmpty())
        w.property(QStringLiteral("ORG"), esc(c.company));
    if (!c.business.isEmpty())
        w.property(QStringLiteral("X-BUSINESS"), esc(c.business));
    if (!c.web.isEmpty())
        w.property(QStringLiteral("URL"), esc(c.web));
    if (!(c.addr1 + c.addr2 + c.city + c.state + c.zip + c.country).isEmpty()) {
        const QString value = QStringLiteral(";") + esc(c.addr2) + QLatin1Char(';') + esc(c.addr1) +
                              QLatin1Char(';') + esc(c.city) + QLatin1Char(';') + esc(c.state) +
                              QLatin1Char(';') + esc(c.zip) + QLatin1Char(';') + esc(c.country);
        w.property(QStringLiteral("ADR"), value,
                   {{QStringLiteral("TYPE"), c.isCompany ? QStringLiteral("work") : QStringLiteral("home")}});
    }
    if (!c.email.isEmpty())
        w.property(QStringLiteral("EMAIL"), esc(c.email),
                   {{QStringLiteral("TYPE"), v4 ? QStringLiteral("home") : QStringLiteral("INTERNET")}});
    if (c.birthday > 0) {
        const QString bday = formatBirthday(c.birthday, v4);
        w.property(QStringLiteral("BDAY"), bday);
    }
    int item = 0;
    for (const ContactPhone &p : c.phones) {
        std::vector<std::pair<QString, QString>> params;
        QString label;
        for (const auto &[location, type] : canonicalTypes()) {
            if (location == p.location)
                params.emplace_back(QStringLiteral("TYPE"), v4 ? type : type.toUpper());
        }
        QString group;
        if (params.empty()) {
            group = QStringLiteral("item%1").arg(++item);
            label = p.location;
        }
        if (!p.name.isEmpty())
            params.emplace_back(QStringLiteral("X-NAME"), p.name);
        QString value = p.number;
        if (!p.ext.isEmpty())
            value += QStringLiteral(" x") + p.ext;
        w.property(QStringLiteral("TEL"), esc(value), params, group);
        if (!group.isEmpty())
            w.property(QStringLiteral("X-ABLabel"), esc(label), {}, group);
    }
    for (const ContactNote &n : c.notes) {
        std::vector<std::pair<QString, QString>> params;
        if (n.date > 0)
            params.emplace_back(QStringLiteral("X-DATE"), isoDate(n.date));
        if (n.updated > 0)
            params.emplace_back(QStringLiteral("X-UPDATED"), isoDate(n.updated));
        w.property(QStringLiteral("NOTE"), esc(n.text), params);
    }
    if (!c.categories.isEmpty()) {
        QStringList escaped;
        for (const QString &cat : c.categories)
            escaped.append(esc(cat));
        w.property(QStringLiteral("CATEGORIES"), escaped.join(QLatin1Char(',')));
    }
    w.end();
}

} // namespace tabulo::exchange

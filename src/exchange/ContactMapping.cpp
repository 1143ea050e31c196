#include "exchange/ContactMapping.h"

#include "base/DateOps.h"

#include <QRegularExpression>

#include <chrono>
#include <map>
#include <optional>

namespace tabulo::exchange {

namespace {

int dayFromParts(int year, int month, int day) {
    using namespace std::chrono;
    const year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                             std::chrono::day{static_cast<unsigned>(day)}};
    if (month < 1 || month > 12 || day < 1 || !ymd.ok())
        return 0;
    const int number = dates::dayNumber(ymd);
    return number > 0 ? number : 0;
}

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

const std::vector<std::pair<QString, QString>> &canonicalTypes() {
    // Location and the TYPE value that says it.
    static const std::vector<std::pair<QString, QString>> types = {
        {QStringLiteral("Home"), QStringLiteral("home")},   {QStringLiteral("Work"), QStringLiteral("work")},
        {QStringLiteral("Mobile"), QStringLiteral("cell")}, {QStringLiteral("Fax"), QStringLiteral("fax")},
        {QStringLiteral("Pager"), QStringLiteral("pager")}, {QStringLiteral("Main"), QStringLiteral("main")},
    };
    return types;
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
    if (has("PAGER"))
        return QStringLiteral("Pager");
    if (has("HOME"))
        return QStringLiteral("Home");
    if (has("WORK"))
        return QStringLiteral("Work");
    if (has("MAIN"))
        return QStringLiteral("Main");
    if (has("CAR"))
        return QStringLiteral("Car");
    if (has("OTHER"))
        return QStringLiteral("Other");
    return {};
}

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

// -- CSV --

namespace {

CsvColumn column(CsvField f, int index = 0, const QString &location = {}) {
    return CsvColumn{f, index, location};
}

CsvColumn recognizeColumn(const QString &header, int position) {
    const QString h = header.trimmed().toLower();
    static const std::map<QString, CsvField> plain = {
        {QStringLiteral("kind"), CsvField::Kind},
        {QStringLiteral("name"), CsvField::FullName},
        {QStringLiteral("display name"), CsvField::FullName},
        {QStringLiteral("full name"), CsvField::FullName},
        {QStringLiteral("last name"), CsvField::LastName},
        {QStringLiteral("family name"), CsvField::LastName},
        {QStringLiteral("surname"), CsvField::LastName},
        {QStringLiteral("first name"), CsvField::FirstName},
        {QStringLiteral("given name"), CsvField::FirstName},
        {QStringLiteral("middle name"), CsvField::MiddleName},
        {QStringLiteral("additional name"), CsvField::MiddleName},
        {QStringLiteral("address 1"), CsvField::Addr1},
        {QStringLiteral("address 2"), CsvField::Addr2},
        {QStringLiteral("home street"), CsvField::Addr1},
        {QStringLiteral("home street 2"), CsvField::Addr2},
        {QStringLiteral("home address"), CsvField::Addr1},
        {QStringLiteral("home address 2"), CsvField::Addr2},
        {QStringLiteral("address 1 - street"), CsvField::Street},
        {QStringLiteral("address 1 - extended address"), CsvField::Addr2},
        {QStringLiteral("city"), CsvField::City},
        {QStringLiteral("home city"), CsvField::City},
        {QStringLiteral("address 1 - city"), CsvField::City},
        {QStringLiteral("state"), CsvField::State},
        {QStringLiteral("home state"), CsvField::State},
        {QStringLiteral("address 1 - region"), CsvField::State},
        {QStringLiteral("zip"), CsvField::Zip},
        {QStringLiteral("zip code"), CsvField::Zip},
        {QStringLiteral("home postal code"), CsvField::Zip},
        {QStringLiteral("home zipcode"), CsvField::Zip},
        {QStringLiteral("address 1 - postal code"), CsvField::Zip},
        {QStringLiteral("country"), CsvField::Country},
        {QStringLiteral("home country/region"), CsvField::Country},
        {QStringLiteral("home country"), CsvField::Country},
        {QStringLiteral("address 1 - country"), CsvField::Country},
        {QStringLiteral("e-mail"), CsvField::Email},
        {QStringLiteral("email"), CsvField::Email},
        {QStringLiteral("e-mail address"), CsvField::Email},
        {QStringLiteral("primary email"), CsvField::Email},
        {QStringLiteral("e-mail 1 - value"), CsvField::Email},
        {QStringLiteral("birthday"), CsvField::Birthday},
        {QStringLiteral("birth year"), CsvField::BirthYear},
        {QStringLiteral("birth month"), CsvField::BirthMonth},
        {QStringLiteral("birth day"), CsvField::BirthDay},
        {QStringLiteral("company"), CsvField::Company},
        {QStringLiteral("organization"), CsvField::Company},
        {QStringLiteral("organization name"), CsvField::Company},
        {QStringLiteral("organization 1 - name"), CsvField::Company},
        {QStringLiteral("business"), CsvField::Business},
        {QStringLiteral("web address"), CsvField::Web},
        {QStringLiteral("web page"), CsvField::Web},
        {QStringLiteral("categories"), CsvField::Categories},
        {QStringLiteral("category list"), CsvField::CategoryList},
        {QStringLiteral("group membership"), CsvField::Categories},
        {QStringLiteral("labels"), CsvField::Categories},
        {QStringLiteral("notes"), CsvField::Notes},
    };
    if (const auto found = plain.find(h); found != plain.end())
        return column(found->second);
    static const std::map<QString, QString> fixedPhones = {
        {QStringLiteral("home phone"), QStringLiteral("Home")},
        {QStringLiteral("home phone 2"), QStringLiteral("Home")},
        {QStringLiteral("business phone"), QStringLiteral("Work")},
        {QStringLiteral("business phone 2"), QStringLiteral("Work")},
        {QStringLiteral("work phone"), QStringLiteral("Work")},
        {QStringLiteral("mobile phone"), QStringLiteral("Mobile")},
        {QStringLiteral("mobile number"), QStringLiteral("Mobile")},
        {QStringLiteral("cell phone"), QStringLiteral("Mobile")},
        {QStringLiteral("business fax"), QStringLiteral("Fax")},
        {QStringLiteral("home fax"), QStringLiteral("Home Fax")},
        {QStringLiteral("fax number"), QStringLiteral("Fax")},
        {QStringLiteral("fax"), QStringLiteral("Fax")},
        {QStringLiteral("pager"), QStringLiteral("Pager")},
        {QStringLiteral("pager number"), QStringLiteral("Pager")},
        {QStringLiteral("other phone"), QStringLiteral("Other")},
        {QStringLiteral("primary phone"), QStringLiteral("Main")},
        {QStringLiteral("company main phone"), QStringLiteral("Main")},
    };
    if (const auto found = fixedPhones.find(h); found != fixedPhones.end())
        return column(CsvField::PhoneNumber, 1000 + position, found->second);
    // Numbered groups: "Phone 2 - Value", "Note 1 - Text".
    static const QRegularExpression numbered(QStringLiteral(R"(^(phone|note) (\d+) - (.+)$)"));
    const QRegularExpressionMatch m = numbered.match(h);
    if (m.hasMatch()) {
        const int index = m.captured(2).toInt();
        const QString part = m.captured(3);
        if (m.captured(1) == QLatin1String("phone")) {
            if (part == QLatin1String("type") || part == QLatin1String("label"))
                return column(CsvField::PhoneLabel, index);
            if (part == QLatin1String("value") || part == QLatin1String("number"))
                return column(CsvField::PhoneNumber, index);
            if (part == QLatin1String("ext"))
                return column(CsvField::PhoneExt, index);
            if (part == QLatin1String("name"))
                return column(CsvField::PhoneName, index);
        } else {
            if (part == QLatin1String("date"))
                return column(CsvField::NoteDate, index);
            if (part == QLatin1String("updated"))
                return column(CsvField::NoteUpdated, index);
            if (part == QLatin1String("text"))
                return column(CsvField::NoteText, index);
        }
    }
    return column(CsvField::Ignore);
}

} // namespace

std::optional<CsvMapping> recognizeCsvHeader(const QStringList &header) {
    CsvMapping mapping;
    bool named = false;
    for (int i = 0; i < header.size(); ++i) {
        CsvColumn c = recognizeColumn(header[i], i);
        named = named || c.field == CsvField::FullName || c.field == CsvField::LastName ||
                c.field == CsvField::FirstName || c.field == CsvField::Company;
        mapping.push_back(std::move(c));
    }
    if (!named)
        return std::nullopt;
    return mapping;
}

const std::vector<CsvFieldChoice> &csvFieldChoices() {
    static const std::vector<CsvFieldChoice> choices = {
        {column(CsvField::Ignore), QStringLiteral("(not imported)")},
        {column(CsvField::FullName), QStringLiteral("Full name")},
        {column(CsvField::LastName), QStringLiteral("Last name")},
        {column(CsvField::FirstName), QStringLiteral("First name")},
        {column(CsvField::Street), QStringLiteral("Street")},
        {column(CsvField::Addr1), QStringLiteral("Address 1")},
        {column(CsvField::Addr2), QStringLiteral("Address 2")},
        {column(CsvField::City), QStringLiteral("City")},
        {column(CsvField::State), QStringLiteral("State")},
        {column(CsvField::Zip), QStringLiteral("Zip")},
        {column(CsvField::Country), QStringLiteral("Country")},
        {column(CsvField::Email), QStringLiteral("E-mail")},
        {column(CsvField::Birthday), QStringLiteral("Birthday")},
        {column(CsvField::Company), QStringLiteral("Company")},
        {column(CsvField::Categories), QStringLiteral("Categories")},
        {column(CsvField::Notes), QStringLiteral("Note")},
        {column(CsvField::PhoneNumber, 0, QStringLiteral("Home")), QStringLiteral("Home phone")},
        {column(CsvField::PhoneNumber, 0, QStringLiteral("Work")), QStringLiteral("Work phone")},
        {column(CsvField::PhoneNumber, 0, QStringLiteral("Mobile")), QStringLiteral("Mobile phone")},
        {column(CsvField::PhoneNumber, 0, QStringLiteral("Fax")), QStringLiteral("Fax")},
        {column(CsvField::PhoneNumber, 0, QStringLiteral("Other")), QStringLiteral("Other phone")},
    };
    return choices;
}

Contact contactFromCsvRow(const QStringList &row, const CsvMapping &mapping) {
    Contact c;
    std::map<int, ContactPhone> phones;
    std::map<int, ContactNote> notes;
    QString fullName, middle, kind;
    int year = 0, month = 0, day = 0;
    for (size_t i = 0; i < mapping.size() && i < static_cast<size_t>(row.size()); ++i) {
        const CsvColumn &col = mapping[i];
        const QString raw = row[static_cast<qsizetype>(i)];
        const QString v = raw.trimmed();
        // Fixed-location phone columns of a mapping share index 0: give each its own.
        const int index =
            col.index == 0 && col.field == CsvField::PhoneNumber ? 2000 + static_cast<int>(i) : col.index;
        switch (col.field) {
        case CsvField::Ignore:
            break;
        case CsvField::Kind:
            kind = v.toLower();
            break;
        case CsvField::FullName:
            fullName = v;
            break;
        case CsvField::LastName:
            c.lastName = v;
            break;
        case CsvField::FirstName:
            c.firstName = v;
            break;
        case CsvField::MiddleName:
            middle = v;
            break;
        case CsvField::Street:
            putStreet(c, v);
            break;
        case CsvField::Addr1:
            c.addr1 = v;
            break;
        case CsvField::Addr2:
            c.addr2 = v;
            break;
        case CsvField::City:
            c.city = v;
            break;
        case CsvField::State:
            c.state = v;
            break;
        case CsvField::Zip:
            c.zip = v;
            break;
        case CsvField::Country:
            c.country = v;
            break;
        case CsvField::Email:
            if (c.email.isEmpty())
                c.email = v.split(QStringLiteral(" ::: ")).value(0).trimmed();
            break;
        case CsvField::Birthday:
            c.birthday = parseBirthday(v);
            break;
        case CsvField::BirthYear:
            year = v.toInt();
            break;
        case CsvField::BirthMonth:
            month = v.toInt();
            break;
        case CsvField::BirthDay:
            day = v.toInt();
            break;
        case CsvField::Company:
            c.company = v;
            break;
        case CsvField::Business:
            c.business = v;
            break;
        case CsvField::Web:
            c.web = v;
            break;
        case CsvField::Categories:
            c.categories = splitCategories(v);
            break;
        case CsvField::CategoryList:
            c.categories.clear();
            for (const QString &part : v.split(QStringLiteral(" ::: "), Qt::SkipEmptyParts))
                c.categories.append(part.trimmed());
            break;
        case CsvField::Notes:
            if (!v.isEmpty())
                c.notes.push_back({0, 0, raw});
            break;
        case CsvField::PhoneLabel:
            phones[index].location = plainLabel(v.split(QStringLiteral(" ::: ")).value(0));
            break;
        case CsvField::PhoneNumber: {
            ContactPhone &p = phones[index];
            if (!col.location.isEmpty())
                p.location = col.location;
            splitExtension(v.split(QStringLiteral(" ::: ")).value(0), p.number, p.ext);
            break;
        }
        case CsvField::PhoneExt:
            phones[index].ext = v;
            break;
        case CsvField::PhoneName:
            phones[index].name = v;
            break;
        case CsvField::NoteDate:
            notes[index].date = parseBirthday(v);
            break;
        case CsvField::NoteUpdated:
            notes[index].updated = parseBirthday(v);
            break;
        case CsvField::NoteText:
            notes[index].text = raw;
            break;
        }
    }
    if (c.lastName.isEmpty() && c.firstName.isEmpty() && !fullName.isEmpty() && fullName != c.company)
        splitFullName(fullName, c.lastName, c.firstName);
    if (!middle.isEmpty() && !c.firstName.isEmpty())
        c.firstName += QLatin1Char(' ') + middle;
    if (c.birthday == 0 && month > 0 && day > 0)
        c.birthday = dayFromParts(year > 0 ? year : kNoYear, month, day);
    for (auto &[index, p] : phones) {
        if (p.number.isEmpty())
            continue;
        if (p.location.isEmpty())
            p.location = QStringLiteral("Phone");
        c.phones.push_back(std::move(p));
    }
    for (auto &[index, n] : notes) {
        if (!n.text.trimmed().isEmpty())
            c.notes.push_back(std::move(n));
    }
    if (kind == QLatin1String("company"))
        c.isCompany = true;
    else if (kind.isEmpty())
        c.isCompany = !c.company.isEmpty() && c.lastName.isEmpty() && c.firstName.isEmpty();
    return c;
}

QStringList csvHeader(int phones, int notes) {
    QStringList h = {
        QStringLiteral("Kind"),      QStringLiteral("Last Name"),   QStringLiteral("First Name"),
        QStringLiteral("Address 1"), QStringLiteral("Address 2"),   QStringLiteral("City"),
        QStringLiteral("State"),     QStringLiteral("Zip"),         QStringLiteral("Country"),
        QStringLiteral("E-mail"),    QStringLiteral("Birthday"),    QStringLiteral("Company"),
        QStringLiteral("Business"),  QStringLiteral("Web Address"), QStringLiteral("Category List")};
    for (int i = 1; i <= phones; ++i)
        for (const char *part : {"Label", "Number", "Ext", "Name"})
            h.append(QStringLiteral("Phone %1 - %2").arg(i).arg(QString::fromLatin1(part)));
    for (int i = 1; i <= notes; ++i)
        for (const char *part : {"Date", "Updated", "Text"})
            h.append(QStringLiteral("Note %1 - %2").arg(i).arg(QString::fromLatin1(part)));
    return h;
}

QStringList csvRowFor(const Contact &c, int phones, int notes) {
    QStringList r = {c.isCompany ? QStringLiteral("Company") : QStringLiteral("Person"),
                     c.lastName,
                     c.firstName,
                     c.addr1,
                     c.addr2,
                     c.city,
                     c.state,
                     c.zip,
                     c.country,
                     c.email,
                     formatBirthday(c.birthday, false),
                     c.company,
                     c.business,
                     c.web,
                     c.categories.join(QStringLiteral(" ::: "))};
    for (int i = 0; i < phones; ++i) {
        if (i < static_cast<int>(c.phones.size())) {
            const ContactPhone &p = c.phones[static_cast<size_t>(i)];
            r << p.location << p.number << p.ext << p.name;
        } else {
            r << QString() << QString() << QString() << QString();
        }
    }
    for (int i = 0; i < notes; ++i) {
        if (i < static_cast<int>(c.notes.size())) {
            const ContactNote &n = c.notes[static_cast<size_t>(i)];
            r << isoDate(n.date) << isoDate(n.updated) << n.text;
        } else {
            r << QString() << QString() << QString();
        }
    }
    return r;
}

} // namespace tabulo::exchange

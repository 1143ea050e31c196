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

// The header names address books write, in the languages desktop mail
// programs export in, each with the field it holds (and, for a phone, the
// location its numbers get). Matched without regard to case or repeated
// blanks; the command line and the mapping dialog both read this one list.
struct HeaderSynonym {
    const char16_t *header;
    CsvField field;
    const char16_t *location = nullptr;
};

constexpr CsvField Phone = CsvField::PhoneNumber;

const HeaderSynonym kHeaderSynonyms[] = {
    // This program's own, Outlook, Google, Thunderbird (English).
    {u"kind", CsvField::Kind},
    {u"name", CsvField::FullName},
    {u"display name", CsvField::FullName},
    {u"full name", CsvField::FullName},
    {u"last name", CsvField::LastName},
    {u"family name", CsvField::LastName},
    {u"surname", CsvField::LastName},
    {u"first name", CsvField::FirstName},
    {u"given name", CsvField::FirstName},
    {u"middle name", CsvField::MiddleName},
    {u"additional name", CsvField::MiddleName},
    {u"address 1", CsvField::Addr1},
    {u"address 2", CsvField::Addr2},
    {u"home street", CsvField::Addr1},
    {u"home street 2", CsvField::Addr2},
    {u"home address", CsvField::Addr1},
    {u"home address 2", CsvField::Addr2},
    {u"address 1 - street", CsvField::Street},
    {u"address 1 - extended address", CsvField::Addr2},
    {u"city", CsvField::City},
    {u"home city", CsvField::City},
    {u"address 1 - city", CsvField::City},
    {u"state", CsvField::State},
    {u"home state", CsvField::State},
    {u"address 1 - region", CsvField::State},
    {u"zip", CsvField::Zip},
    {u"zip code", CsvField::Zip},
    {u"home postal code", CsvField::Zip},
    {u"home zipcode", CsvField::Zip},
    {u"address 1 - postal code", CsvField::Zip},
    {u"country", CsvField::Country},
    {u"home country/region", CsvField::Country},
    {u"home country", CsvField::Country},
    {u"address 1 - country", CsvField::Country},
    {u"e-mail", CsvField::Email},
    {u"email", CsvField::Email},
    {u"e-mail address", CsvField::Email},
    {u"primary email", CsvField::Email},
    {u"e-mail 1 - value", CsvField::Email},
    {u"birthday", CsvField::Birthday},
    {u"birth year", CsvField::BirthYear},
    {u"birth month", CsvField::BirthMonth},
    {u"birth day", CsvField::BirthDay},
    {u"company", CsvField::Company},
    {u"organization", CsvField::Company},
    {u"organization name", CsvField::Company},
    {u"organization 1 - name", CsvField::Company},
    {u"business", CsvField::Business},
    {u"web address", CsvField::Web},
    {u"web page", CsvField::Web},
    {u"categories", CsvField::Categories},
    {u"category list", CsvField::CategoryList},
    {u"group membership", CsvField::Categories},
    {u"labels", CsvField::Categories},
    {u"notes", CsvField::Notes},
    {u"home phone", Phone, u"Home"},
    {u"home phone 2", Phone, u"Home"},
    {u"business phone", Phone, u"Work"},
    {u"business phone 2", Phone, u"Work"},
    {u"work phone", Phone, u"Work"},
    {u"mobile phone", Phone, u"Mobile"},
    {u"mobile number", Phone, u"Mobile"},
    {u"cell phone", Phone, u"Mobile"},
    {u"business fax", Phone, u"Fax"},
    {u"home fax", Phone, u"Home Fax"},
    {u"fax number", Phone, u"Fax"},
    {u"fax", Phone, u"Fax"},
    {u"pager", Phone, u"Pager"},
    {u"pager number", Phone, u"Pager"},
    {u"other phone", Phone, u"Other"},
    {u"primary phone", Phone, u"Main"},
    {u"company main phone", Phone, u"Main"},

    // German.
    {u"vorname", CsvField::FirstName},
    {u"nachname", CsvField::LastName},
    {u"weitere vornamen", CsvField::MiddleName},
    {u"anzeigename", CsvField::FullName},
    {u"straße privat", CsvField::Street},
    {u"strasse privat", CsvField::Street},
    {u"straße privat 2", CsvField::Addr2},
    {u"privat: adresse", CsvField::Addr1},
    {u"privat: adresse 2", CsvField::Addr2},
    {u"ort privat", CsvField::City},
    {u"privat: ort", CsvField::City},
    {u"postleitzahl privat", CsvField::Zip},
    {u"privat: plz", CsvField::Zip},
    {u"bundesland/kanton privat", CsvField::State},
    {u"privat: bundesland", CsvField::State},
    {u"land/region privat", CsvField::Country},
    {u"privat: land", CsvField::Country},
    {u"e-mail-adresse", CsvField::Email},
    {u"primäre e-mail-adresse", CsvField::Email},
    {u"geburtstag", CsvField::Birthday},
    {u"geburtsjahr", CsvField::BirthYear},
    {u"geburtsmonat", CsvField::BirthMonth},
    {u"firma", CsvField::Company},
    {u"webseite", CsvField::Web},
    {u"webseite 1", CsvField::Web},
    {u"kategorien", CsvField::Categories},
    {u"notizen", CsvField::Notes},
    {u"telefon privat", Phone, u"Home"},
    {u"tel. privat", Phone, u"Home"},
    {u"telefon privat 2", Phone, u"Home"},
    {u"telefon geschäftlich", Phone, u"Work"},
    {u"tel. dienstlich", Phone, u"Work"},
    {u"telefon geschäftlich 2", Phone, u"Work"},
    {u"mobiltelefon", Phone, u"Mobile"},
    {u"mobil-tel.-nr.", Phone, u"Mobile"},
    {u"fax geschäftlich", Phone, u"Fax"},
    {u"fax privat", Phone, u"Home Fax"},
    {u"fax-nummer", Phone, u"Fax"},
    {u"pager-nummer", Phone, u"Pager"},
    {u"weiteres telefon", Phone, u"Other"},

    // French.
    {u"prénom", CsvField::FirstName},
    {u"nom", CsvField::LastName},
    {u"nom de famille", CsvField::LastName},
    {u"deuxième prénom", CsvField::MiddleName},
    {u"nom à afficher", CsvField::FullName},
    {u"rue (domicile)", CsvField::Street},
    {u"rue (domicile) 2", CsvField::Addr2},
    {u"adresse privée", CsvField::Addr1},
    {u"adresse privée 2", CsvField::Addr2},
    {u"ville (domicile)", CsvField::City},
    {u"ville", CsvField::City},
    {u"code postal (domicile)", CsvField::Zip},
    {u"code postal", CsvField::Zip},
    {u"dép/région (domicile)", CsvField::State},
    {u"région", CsvField::State},
    {u"pays/région (domicile)", CsvField::Country},
    {u"pays", CsvField::Country},
    {u"adresse de messagerie", CsvField::Email},
    {u"adresse électronique principale", CsvField::Email},
    {u"anniversaire", CsvField::Birthday},
    {u"société", CsvField::Company},
    {u"page web", CsvField::Web},
    {u"catégories", CsvField::Categories},
    {u"téléphone (domicile)", Phone, u"Home"},
    {u"tél. personnel", Phone, u"Home"},
    {u"téléphone (bureau)", Phone, u"Work"},
    {u"tél. professionnel", Phone, u"Work"},
    {u"tél. mobile", Phone, u"Mobile"},
    {u"portable", Phone, u"Mobile"},
    {u"télécopie (bureau)", Phone, u"Fax"},
    {u"télécopie (domicile)", Phone, u"Home Fax"},
    {u"récepteur de radiomessagerie", Phone, u"Pager"},
    {u"autre téléphone", Phone, u"Other"},

    // Spanish.
    {u"nombre", CsvField::FirstName},
    {u"apellidos", CsvField::LastName},
    {u"apellido", CsvField::LastName},
    {u"segundo nombre", CsvField::MiddleName},
    {u"nombre para mostrar", CsvField::FullName},
    {u"calle del domicilio", CsvField::Street},
    {u"calle del domicilio 2", CsvField::Addr2},
    {u"ciudad de residencia", CsvField::City},
    {u"ciudad", CsvField::City},
    {u"código postal de residencia", CsvField::Zip},
    {u"código postal", CsvField::Zip},
    {u"provincia o estado de residencia", CsvField::State},
    {u"país o región de residencia", CsvField::Country},
    {u"país", CsvField::Country},
    {u"dirección de correo electrónico", CsvField::Email},
    {u"correo electrónico", CsvField::Email},
    {u"cumpleaños", CsvField::Birthday},
    {u"organización", CsvField::Company},
    {u"compañía", CsvField::Company},
    {u"empresa", CsvField::Company},
    {u"página web", CsvField::Web},
    {u"categorías", CsvField::Categories},
    {u"notas", CsvField::Notes},
    {u"teléfono particular", Phone, u"Home"},
    {u"teléfono del trabajo", Phone, u"Work"},
    {u"teléfono móvil", Phone, u"Mobile"},
    {u"fax del trabajo", Phone, u"Fax"},
    {u"fax particular", Phone, u"Home Fax"},
    {u"localizador", Phone, u"Pager"},
    {u"otro teléfono", Phone, u"Other"},

    // Italian.
    {u"nome", CsvField::FirstName},
    {u"cognome", CsvField::LastName},
    {u"secondo nome", CsvField::MiddleName},
    {u"nome visualizzato", CsvField::FullName},
    {u"via (abitazione)", CsvField::Street},
    {u"via (abitazione) 2", CsvField::Addr2},
    {u"città (abitazione)", CsvField::City},
    {u"città", CsvField::City},
    {u"cap (abitazione)", CsvField::Zip},
    {u"cap", CsvField::Zip},
    {u"provincia (abitazione)", CsvField::State},
    {u"paese/area geografica (abitazione)", CsvField::Country},
    {u"paese", CsvField::Country},
    {u"indirizzo posta elettronica", CsvField::Email},
    {u"indirizzo e-mail", CsvField::Email},
    {u"compleanno", CsvField::Birthday},
    {u"società", CsvField::Company},
    {u"pagina web", CsvField::Web},
    {u"categorie", CsvField::Categories},
    {u"note", CsvField::Notes},
    {u"telefono abitazione", Phone, u"Home"},
    {u"telefono ufficio", Phone, u"Work"},
    {u"cellulare", Phone, u"Mobile"},
    {u"fax ufficio", Phone, u"Fax"},
    {u"fax abitazione", Phone, u"Home Fax"},
    {u"cercapersone", Phone, u"Pager"},
    {u"altro telefono", Phone, u"Other"},

    // Dutch.
    {u"voornaam", CsvField::FirstName},
    {u"achternaam", CsvField::LastName},
    {u"middelste naam", CsvField::MiddleName},
    {u"tussenvoegsel", CsvField::MiddleName},
    {u"weergavenaam", CsvField::FullName},
    {u"straat (thuis)", CsvField::Street},
    {u"straat (thuis) 2", CsvField::Addr2},
    {u"plaats (thuis)", CsvField::City},
    {u"woonplaats", CsvField::City},
    {u"postcode (thuis)", CsvField::Zip},
    {u"postcode", CsvField::Zip},
    {u"provincie (thuis)", CsvField::State},
    {u"land/regio (thuis)", CsvField::Country},
    {u"land", CsvField::Country},
    {u"e-mailadres", CsvField::Email},
    {u"verjaardag", CsvField::Birthday},
    {u"bedrijf", CsvField::Company},
    {u"webpagina", CsvField::Web},
    {u"categorieën", CsvField::Categories},
    {u"notities", CsvField::Notes},
    {u"telefoon thuis", Phone, u"Home"},
    {u"telefoon op werk", Phone, u"Work"},
    {u"telefoon werk", Phone, u"Work"},
    {u"mobiele telefoon", Phone, u"Mobile"},
    {u"fax op werk", Phone, u"Fax"},
    {u"fax thuis", Phone, u"Home Fax"},
    {u"pieper", Phone, u"Pager"},
    {u"andere telefoon", Phone, u"Other"},

    // Portuguese (Portugal and Brazil).
    {u"apelido", CsvField::LastName},
    {u"sobrenome", CsvField::LastName},
    {u"segundo nome", CsvField::MiddleName},
    {u"nome a apresentar", CsvField::FullName},
    {u"rua (residencial)", CsvField::Street},
    {u"rua residencial", CsvField::Street},
    {u"rua (residencial) 2", CsvField::Addr2},
    {u"cidade (residencial)", CsvField::City},
    {u"cidade residencial", CsvField::City},
    {u"cidade", CsvField::City},
    {u"código postal (residencial)", CsvField::Zip},
    {u"cep residencial", CsvField::Zip},
    {u"cep", CsvField::Zip},
    {u"estado (residencial)", CsvField::State},
    {u"estado", CsvField::State},
    {u"país/região (residencial)", CsvField::Country},
    {u"endereço de correio eletrónico", CsvField::Email},
    {u"endereço de email", CsvField::Email},
    {u"endereço de e-mail", CsvField::Email},
    {u"aniversário", CsvField::Birthday},
    {u"página da web", CsvField::Web},
    {u"categorias", CsvField::Categories},
    {u"telefone residencial", Phone, u"Home"},
    {u"telefone comercial", Phone, u"Work"},
    {u"telemóvel", Phone, u"Mobile"},
    {u"celular", Phone, u"Mobile"},
    {u"telefone celular", Phone, u"Mobile"},
    {u"fax comercial", Phone, u"Fax"},
    {u"fax residencial", Phone, u"Home Fax"},
    {u"outro telefone", Phone, u"Other"},
};

// A header as the table spells it: lower case, blanks run together.
QString headerKey(const QString &header) {
    return header.simplified().toLower();
}

const std::map<QString, const HeaderSynonym *> &headerSynonyms() {
    static const std::map<QString, const HeaderSynonym *> synonyms = [] {
        std::map<QString, const HeaderSynonym *> m;
        for (const HeaderSynonym &s : kHeaderSynonyms)
            m.emplace(headerKey(QString::fromUtf16(s.header)), &s); // the first spelling wins
        return m;
    }();
    return synonyms;
}

CsvColumn recognizeColumn(const QString &header, int position) {
    const QString h = headerKey(header);
    if (const auto found = headerSynonyms().find(h); found != headerSynonyms().end()) {
        const HeaderSynonym &s = *found->second;
        // A fixed-location phone column is a phone of its own.
        if (s.location)
            return column(s.field, 1000 + position, QString::fromUtf16(s.location));
        return column(s.field);
    }
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

CsvColumn recognizeCsvColumn(const QString &header, int position) {
    return recognizeColumn(header, position);
}

QStringList unknownCsvHeaders(const QStringList &header) {
    QStringList unknown;
    for (int i = 0; i < header.size(); ++i) {
        if (recognizeColumn(header[i], i).field == CsvField::Ignore && !header[i].trimmed().isEmpty())
            unknown.append(header[i].trimmed());
    }
    return unknown;
}

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

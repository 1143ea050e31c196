// Contacts as rows of a CSV file: the columns recognised by their header
// names in the languages address books export in, the choices the mapping
// dialog offers, and a row read into a contact or written from one.
#include "exchange/ContactFields.h"
#include "exchange/ContactMapping.h"

#include "base/DateOps.h"

#include <QRegularExpression>

#include <map>
#include <optional>

namespace tabulo::exchange {

using namespace fields;

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

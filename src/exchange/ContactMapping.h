#pragma once

#include "exchange/Contact.h"
#include "exchange/VCard.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tabulo::exchange {

// -- vCard --

// The card as a contact: N (or FN split when N is missing), the home ADR
// (or the first), the first EMAIL, BDAY in every form, TEL with its type as
// the location (an Apple item label wins), NOTE, CATEGORIES, ORG. A card
// that is only an organisation (KIND:org, X-ABShowAs:COMPANY, or ORG with
// no name of a person) becomes a company.
Contact contactFromCard(const VCardCard &card);

// Writes the contact as one card.
void writeCard(VCardWriter &writer, const Contact &contact);

// A birthday of any form: "1990-01-31", "19900131", "--0131", "--01-31",
// "1990-01-31T00:00:00Z", "1/31/1990" (CSV); 0 when none can be read.
int parseBirthday(const QString &text);
// "1990-01-31" or "--0131" (vCard 4.0) / "--01-31" (3.0) without a year.
QString formatBirthday(int dayNumber, bool compactNoYear);

// The location a phone's TYPE values give ("Home", "Work", "Mobile", "Fax",
// "Pager", "Main" ...); empty when they say nothing.
QString locationFromTypes(const QStringList &types);

// -- CSV --

// What one CSV column holds.
enum class CsvField {
    Ignore,
    Kind, // "Person" or "Company"
    FullName,
    LastName,
    FirstName,
    MiddleName,
    Street, // address lines; a second line goes to address 2
    Addr1,
    Addr2,
    City,
    State,
    Zip,
    Country,
    Email,
    Birthday,
    BirthYear,
    BirthMonth,
    BirthDay,
    Company,
    Business,
    Web,
    Categories,   // separated by ";" or "," or Google's " ::: "
    CategoryList, // this program's own: separated by " ::: " only
    Notes,
    PhoneLabel,  // the label of the phone `index`
    PhoneNumber, // the number of phone `index` (location from the label, or `location`)
    PhoneExt,
    PhoneName,
    NoteDate,
    NoteUpdated,
    NoteText,
};

struct CsvColumn {
    CsvField field = CsvField::Ignore;
    int index = 0;    // the phone's or note's number within the row
    QString location; // a fixed phone location ("Home Phone" columns)
};

using CsvMapping = std::vector<CsvColumn>;

// The mapping of a header row as common address books write it (this
// program's own, Outlook, Google, Thunderbird, in English, German, French,
// Spanish, Italian, Dutch and Portuguese); nothing when the header names no
// name column that is known.
std::optional<CsvMapping> recognizeCsvHeader(const QStringList &header);
// What one header names, as the header row's recognition reads it (Ignore
// when it is not known); `position` is the column's place in the row.
CsvColumn recognizeCsvColumn(const QString &header, int position);
// The headers that name nothing known, as written (blank ones left out).
QStringList unknownCsvHeaders(const QStringList &header);

// The fields a user can choose in the mapping dialog, with their names.
struct CsvFieldChoice {
    CsvColumn column;
    QString label;
};
const std::vector<CsvFieldChoice> &csvFieldChoices();

// A row as a contact through the mapping.
Contact contactFromCsvRow(const QStringList &row, const CsvMapping &mapping);

// This program's own layout: the header for the given number of phones and
// notes per row, and a contact as one row of it.
QStringList csvHeader(int phones, int notes);
QStringList csvRowFor(const Contact &contact, int phones, int notes);

} // namespace tabulo::exchange

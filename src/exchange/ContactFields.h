#pragma once

// The field helpers the vCard and CSV mappings share; not for other users.

#include "exchange/Contact.h"

#include <QString>
#include <QStringList>

namespace tabulo::exchange::fields {

// The day number of a calendar date; 0 when there is no such date.
int dayFromParts(int year, int month, int day);
// Splits "First Middle Last" or "Last, First" into last and first name.
void splitFullName(const QString &full, QString &last, QString &first);
// Street lines: the first is address 1, the rest address 2.
void putStreet(Contact &c, const QString &street);
// A phone label without the wrapping Apple puts around its standard ones.
QString plainLabel(QString label);
// A phone number and its extension, from the ways address books write them.
void splitExtension(QString value, QString &number, QString &ext);
// "2026-12-09"; empty for no date.
QString isoDate(int day);
// The categories of a list written with ":::", ";" or ",", each once.
QStringList splitCategories(const QString &text);

} // namespace tabulo::exchange::fields

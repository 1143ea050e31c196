#pragma once

#include "engine/LinkRecords.h"
#include "engine/RecordRoutines.h"
#include "store/StoreError.h"

#include <QString>

namespace tabulo::people {

// What the names list keeps in step around one person: the person's links
// to categories with their copies of the name, and the person's phones and
// notes. The tables (QKnam, QKjnc, QKfon, QKmem, QKcat) must be in use by
// the caller. Every routine leaves the record buffers of the tables it reads
// as they were, so the window's highlighted link and person stay put.

// The next control number of a table (the engine's record routine).
using engine::nextControlNumber;

// Whether the person has a link to the category (0 = "All").
bool hasLink(qint64 person, qint64 category);

// Adds a link of the person to the category with the name copies, numbered
// after the highest link; a number another station took meanwhile is tried
// again, three attempts in all. The failure of the last attempt is returned.
store::StoreError addLink(qint64 person, qint64 category, const QString &lastName, const QString &firstName);

// Rewrites the name copies in every link of the person, all of them or
// none. Returns the failure.
store::StoreError rewriteLinkNames(qint64 person, const QString &lastName, const QString &firstName);

// Deletes the person as a whole: the person first (a failure there deletes
// nothing else), then the phones, notes and links. `stage` says which table
// a failure came from.
store::StoreError deletePersonWhole(qint64 person, QString *stage = nullptr);

// Makes sure the system category "Just Numbers" exists, numbered after the
// last category in storage order (1 in an empty table).
store::StoreError ensureJustNumbersCategory();

} // namespace tabulo::people

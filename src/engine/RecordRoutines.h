#pragma once

#include <QString>

#include <functional>
#include <vector>

class QObject;

namespace tabulo::store {
class Table;
struct StoreError;
}

namespace tabulo::engine {

// The one place the lists and forms reach the change and delete routines of
// the tables (store/ChangeRules.h), in the terms the form engine uses.
enum class ChangeResult { Written = 0, Failed = 1, ChangedElsewhere = 2 };

// Writes the record buffer over the stored record. On a conflict with another
// station the user has been told (the long text when `longConflictMessage`),
// the buffer holds the stored record and watching is armed again.
ChangeResult changeRecord(store::Table &table, bool longConflictMessage, QObject *owner = nullptr);
// The same, together with what the change brings about in other tables (the
// links' copies of a renamed record's name): `more` runs after the record
// was written, all in one unit of work, and its failure undoes the record's
// change too (reported once).
ChangeResult changeRecordWith(store::Table &table, bool longConflictMessage, const std::vector<store::Table *> &others,
                              const std::function<store::StoreError()> &more, QObject *owner = nullptr);
// Re-reads the current record and deletes it; false when it failed (reported).
bool deleteRecord(store::Table &table, QObject *owner = nullptr);

// The next control number of a table: its highest CTRL_NBR plus one, or 1
// for an empty table. The table's record buffer is left as it was.
store::StoreError nextControlNumber(const QString &table, qint64 &next);
// The same on a table object of the caller's (its record buffer is used),
// inside the caller's transaction.
store::StoreError nextControlNumber(store::Table &table, qint64 &next);

} // namespace tabulo::engine

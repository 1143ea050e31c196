#pragma once

#include <QString>

class QObject;

namespace tabulo::store {
class Table;
}

namespace tabulo::engine {

// The one place the lists and forms reach the change and delete routines of
// the tables (store/ChangeRules.h), in the terms the form engine uses.
enum class ChangeResult { Written = 0, Failed = 1, ChangedElsewhere = 2 };

// Writes the record buffer over the stored record. On a conflict with another
// station the user has been told (the long text when `longConflictMessage`),
// the buffer holds the stored record and watching is armed again.
ChangeResult changeRecord(store::Table &table, bool longConflictMessage, QObject *owner = nullptr);
// Re-reads the current record and deletes it; false when it failed (reported).
bool deleteRecord(store::Table &table, QObject *owner = nullptr);

} // namespace tabulo::engine

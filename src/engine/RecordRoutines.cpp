#include "engine/RecordRoutines.h"

#include "store/ChangeRules.h"
#include "store/Table.h"

namespace tabulo::engine {

ChangeResult changeRecord(store::Table &table, bool longConflictMessage, QObject *owner) {
    const int result = store::changeRecord(
        table, longConflictMessage ? store::ConflictMessage::Long : store::ConflictMessage::Short, owner);
    switch (result) {
    case store::ChangeResult::Done:
        return ChangeResult::Written;
    case store::ChangeResult::ChangedElsewhere:
        return ChangeResult::ChangedElsewhere;
    default:
        return ChangeResult::Failed;
    }
}

bool deleteRecord(store::Table &table, QObject *owner) {
    return store::deleteRecord(table, owner) == store::ChangeResult::Done;
}

} // namespace tabulo::engine

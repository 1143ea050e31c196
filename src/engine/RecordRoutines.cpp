#include "engine/RecordRoutines.h"

#include "store/ChangeRules.h"
#include "store/OwnedRecords.h"
#include "store/Store.h"
#include "store/Table.h"

namespace tabulo::engine {

namespace {

ChangeResult fromStore(int result) {
    switch (result) {
    case store::ChangeResult::Done:
        return ChangeResult::Written;
    case store::ChangeResult::ChangedElsewhere:
        return ChangeResult::ChangedElsewhere;
    default:
        return ChangeResult::Failed;
    }
}

store::ConflictMessage conflictMessage(bool longConflictMessage) {
    return longConflictMessage ? store::ConflictMessage::Long : store::ConflictMessage::Short;
}

} // namespace

ChangeResult changeRecord(store::Table &table, bool longConflictMessage, QObject *owner) {
    return fromStore(store::changeRecord(table, conflictMessage(longConflictMessage), owner));
}

ChangeResult changeRecordWith(store::Table &table, bool longConflictMessage, const std::vector<store::Table *> &others,
                              const std::function<store::StoreError()> &more, QObject *owner) {
    return fromStore(store::changeRecordWith(table, conflictMessage(longConflictMessage), others, more, owner));
}

bool deleteRecord(store::Table &table, QObject *owner) {
    return store::deleteRecord(table, owner) == store::ChangeResult::Done;
}

store::StoreError nextControlNumber(const QString &table, qint64 &next) {
    store::Table &t = store::Store::instance().table(table);
    const store::KeptBuffer kept(t);
    return nextControlNumber(t, next);
}

store::StoreError nextControlNumber(store::Table &t, qint64 &next) {
    next = 1;
    if (const store::StoreError e = t.setStart(t.def().primaryKey()))
        return e;
    const store::StoreError e = t.previous();
    if (e.code == store::Code::EndOfFile)
        return {};
    if (e)
        return e;
    next = t.record().integer(0) + 1;
    return {};
}

} // namespace tabulo::engine

#include "engine/RecordRoutines.h"

#include "store/Messages.h"
#include "store/Table.h"

namespace tabulo::engine {

using store::Code::ChangedElsewhere;

ChangeResult changeRecord(store::Table &table, bool longConflictMessage, QObject *owner) {
    const QString position = table.position();
    const store::StoreError e = table.change();
    if (e.ok())
        return ChangeResult::Written;
    store::takeSavedError();
    if (e.code == ChangedElsewhere) {
        if (longConflictMessage)
            store::standardMessage(owner, 38);
        else
            store::standardMessage(owner, 15, QStringLiteral("Record Changed by Another Station"));
        // Show the other station's version and guard the next attempt against
        // yet another change.
        table.watch();
        table.reget(position);
        return ChangeResult::ChangedElsewhere;
    }
    store::standardMessage(owner, 15, table.def().name);
    return ChangeResult::Failed;
}

bool deleteRecord(store::Table &table, QObject *owner) {
    const QString position = table.position();
    // Deletes are not guarded: the stored record goes, whatever changed since
    // it was shown, and unsaved edits in the buffer are discarded.
    store::StoreError e = table.reget(position);
    if (e.ok())
        e = table.remove();
    if (e.ok())
        return true;
    store::takeSavedError();
    store::standardMessage(owner, 17, table.def().name);
    return false;
}

} // namespace tabulo::engine

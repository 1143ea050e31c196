#include "store/OwnedRecords.h"

namespace tabulo::store {

StoreError ownedPositions(Table &child, const KeyDef &key, qint64 parent, std::vector<QString> &positions) {
    Cursor cursor(child);
    cursor.setOrder(&key);
    cursor.setRange({sql::Value(parent)});
    if (const StoreError e = cursor.toStart())
        return e;
    for (;;) {
        const StoreError e = cursor.next();
        if (e.code == Code::EndOfFile)
            return {};
        if (e)
            return e;
        positions.push_back(child.position());
    }
}

StoreError deleteOwned(Table &child, const KeyDef &key, qint64 parent) {
    const KeptBuffer kept(child);
    std::vector<QString> positions;
    if (const StoreError e = ownedPositions(child, key, parent, positions))
        return e;
    for (const QString &p : positions) {
        if (const StoreError e = child.reget(p))
            return e;
        if (const StoreError e = child.remove())
            return e;
    }
    return {};
}

StoreError changeOwned(Table &child, const KeyDef &key, qint64 parent,
                       const std::function<void(Record &)> &change) {
    const KeptBuffer kept(child);
    std::vector<QString> positions;
    if (const StoreError e = ownedPositions(child, key, parent, positions))
        return e;
    if (positions.empty())
        return {};
    // Inside a caller's unit of work this joins it.
    if (const StoreError e = child.begin(2))
        return e;
    for (const QString &p : positions) {
        StoreError e = child.reget(p);
        if (e.ok()) {
            change(child.record());
            e = child.change();
        }
        if (e) {
            child.rollback();
            return e;
        }
    }
    return child.commit();
}

} // namespace tabulo::store

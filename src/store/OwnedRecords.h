#pragma once

#include "store/Table.h"

#include <functional>
#include <vector>

namespace tabulo::store {

// The records that belong to one parent: those of a child table whose key
// starts with the parent's number (a person's phones in FON:NAM_CTRL_KEY, a
// company's links in JCG:CMP_CTRL_KEY). The routines collect positions
// first, so that writing never disturbs the reading, and leave the child's
// record buffer as they found it.

// Puts a table's record buffer back when it goes out of scope.
class KeptBuffer final {
public:
    explicit KeptBuffer(Table &t)
        : m_table(t)
        , m_kept(t.record()) {}
    ~KeptBuffer() { m_table.record() = m_kept; }
    KeptBuffer(const KeptBuffer &) = delete;
    KeptBuffer &operator=(const KeptBuffer &) = delete;

private:
    Table &m_table;
    Record m_kept;
};

// The positions of the parent's records in `child`, in key order.
StoreError ownedPositions(Table &child, const KeyDef &key, qint64 parent, std::vector<QString> &positions);
// Deletes the parent's records, stopping at the first failure.
StoreError deleteOwned(Table &child, const KeyDef &key, qint64 parent);
// Changes every record of the parent through `change`, in one transaction:
// all of them or none.
StoreError changeOwned(Table &child, const KeyDef &key, qint64 parent,
                       const std::function<void(Record &)> &change);

} // namespace tabulo::store

#pragma once

#include "store/Filter.h"
#include "store/Table.h"

#include <QString>
#include <functional>
#include <vector>

namespace tabulo::store {

// A read cursor over one table with a range on leading key components, a
// filter over bound names, and joins to parent tables by key: each record
// read also reads its parents into their record buffers. Records the filter
// refuses (or whose inner-joined parent is missing) are skipped.
class View final : public Cursor
{
public:
    explicit View(Table &primary);

    // Binds a name for this view's filter ("BRW2::Sort1:Reset:nam:CTRL_NBR").
    void bind(const QString &name, std::function<QVariant()> value);

    // Joins a parent: its key's components are taken, in order, from the
    // given fields of the primary record. With `inner`, a record whose
    // parent is missing is skipped; otherwise the parent buffer is cleared.
    void join(Table &parent, const KeyDef &parentKey, const QStringList &childFields, bool inner = false);

    // Compiles and applies the filter; a bad expression leaves the view
    // unfiltered and returns the failure (the caller shows message 36).
    StoreError setFilter(const QString &expression);

    StoreError next() override;
    StoreError previous() override;

private:
    struct Join
    {
        Table *parent;
        const KeyDef *key;
        std::vector<int> childFields;
        bool inner;
    };
    StoreError step(bool forward);
    bool joinParents();

    std::vector<std::pair<QString, std::function<QVariant()>>> m_bindings;
    std::vector<Join> m_joins;
    Filter m_filter;
};

} // namespace tabulo::store

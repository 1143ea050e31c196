#pragma once

#include "store/Filter.h"
#include "store/Table.h"

#include <QString>
#include <functional>
#include <vector>

namespace tabulo::store {

// A read cursor over one table with a range on leading key components, a
// filter over bound names, and joins to parent tables by key: each record
// read also reads its parents into their record buffers, and a parent may
// in turn name its own parent (a link, its person, the person's company).
// Records the filter refuses (or whose inner-joined parent is missing) are
// skipped.
class View final : public Cursor
{
public:
    explicit View(Table &primary);

    // Binds a name for this view's filter ("BRW2::Sort1:Reset:nam:CTRL_NBR").
    void bind(const QString &name, std::function<QVariant()> value);
    void unbindAll() { m_bindings.clear(); }

    // Joins a parent: its key's components are taken, in order, from the
    // given fields of `from`, which is the primary table when null, or a
    // parent joined before this one (the parent's own parent is then read
    // through the parent's field). With `inner`, a record whose parent is
    // missing is skipped; otherwise the parent buffer is cleared. A field or
    // table that does not fit is refused and nothing is joined.
    StoreError join(Table &parent, const KeyDef &parentKey, const QStringList &childFields, bool inner = false,
                    Table *from = nullptr);
    void clearJoins() { m_joins.clear(); }
    // The joined parents, in the order they are read.
    std::vector<Table *> parents() const;
    bool hasInnerJoin() const;

    // Compiles and applies the filter; a bad expression leaves the view
    // unfiltered and returns the failure (the caller shows message 36).
    // Names of the primary's fields and values from outside the row run in
    // SQL; a filter naming a joined parent's field is tested per row.
    StoreError setFilter(const QString &expression);
    // A filter already compiled to SQL over the primary's columns.
    void setFilter(std::string sql, std::function<int(sql::Statement &, int)> binder);
    // Whether the whole filter runs in SQL (also when there is none).
    bool filterInSql() const { return m_filter.inSql(); }
    // The current values the filter reads from outside the row.
    std::vector<QVariant> filterValues() const { return m_filter.currentValues(); }

    // Reads the parents of the primary record now in the buffer, as every
    // read does; false when an inner-joined parent is missing.
    bool readParents();

    StoreError next() override;
    StoreError previous() override;

private:
    struct Join
    {
        Table *parent;
        const KeyDef *key;
        Table *from;
        std::vector<int> childFields;
        bool inner;
    };
    StoreError step(bool forward);

    std::vector<std::pair<QString, std::function<QVariant()>>> m_bindings;
    std::vector<Join> m_joins;
    Filter m_filter;
};

} // namespace tabulo::store

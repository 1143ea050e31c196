#pragma once

#include "store/Dictionary.h"
#include "store/Sqlite.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tabulo::store {

class Record;

// Process-wide bound names for filter and range expressions
// ("glo:cat_ctrl"), looked up case-insensitively.
void bindGlobal(const QString &name, std::function<QVariant()> value);
void unbindGlobal(const QString &name);
std::function<QVariant()> globalBinding(const QString &name);

// A filter expression over bound names, such as "jnc:cat_ctrl =
// glo:cat_ctrl" or "fon:cmp_ctrl = cmp:ctrl_nbr AND fon:location <> ''".
// Names of the filtered table's own fields become its columns; every other
// name (bound values, fields of other tables' record buffers, joined
// parents) is evaluated when a batch is read and bound as a parameter, so no
// value is ever pasted into SQL text.
class Filter final
{
public:
    struct Node;
    // How names are resolved while compiling.
    struct Scope
    {
        const TableDef *table = nullptr; // the filtered table
        // Local bindings first, then the process-wide ones, then fields of
        // the dictionary's tables read from `recordOf`.
        std::function<std::function<QVariant()>(const QString &)> local;
        std::function<const Record *(const TableDef &)> recordOf;
        // Tables whose fields must be evaluated per row (joined parents).
        std::vector<const TableDef *> perRow;
    };

    Filter();
    ~Filter();
    Filter(Filter &&) noexcept;
    Filter &operator=(Filter &&) noexcept;

    // Compiles the expression; on failure `error` says what is wrong where.
    static Filter compile(const QString &expression, const Scope &scope, QString *error);

    bool isEmpty() const { return !m_root; }
    // Whether the whole filter can run in SQL (no per-row names).
    bool inSql() const { return m_inSql; }
    // The SQL text (only with inSql()), with one "?" per bound value.
    const std::string &sql() const { return m_sql; }
    // Binds the current values of the SQL parameters from index `first`;
    // returns the next free index.
    int bind(sql::Statement &stmt, int first) const;
    // Evaluates the filter for the current record buffers (any filter).
    bool accepts(const Record &row) const;
    // The current values of every name the filter reads from outside the
    // row (bound names, process-wide values, other tables' buffers), in the
    // order they appear. A list compares them with those it was built for:
    // when one changed, the filter now selects other records.
    std::vector<QVariant> currentValues() const;

private:
    std::unique_ptr<Node> m_root;
    bool m_inSql = true;
    std::string m_sql;
    std::vector<std::function<QVariant()>> m_params;
    std::vector<std::function<QVariant()>> m_outside;
};

} // namespace tabulo::store

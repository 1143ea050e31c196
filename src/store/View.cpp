#include "store/View.h"

#include "store/Store.h"

#include <algorithm>

namespace tabulo::store {

View::View(Table &primary)
    : Cursor(primary)
{
}

void View::bind(const QString &name, std::function<QVariant()> value)
{
    m_bindings.emplace_back(name, std::move(value));
}

StoreError View::join(Table &parent, const KeyDef &parentKey, const QStringList &childFields, bool inner, Table *from)
{
    Table *source = from ? from : &table();
    const auto joinedAlready = [this](const Table *t) {
        return std::any_of(m_joins.begin(), m_joins.end(), [t](const Join &j) { return j.parent == t; });
    };
    // One buffer per table: a table read twice in one row would overwrite
    // itself, and the primary's buffer holds the row.
    if (&parent == &table() || joinedAlready(&parent))
        return table().fail(Code::Failure, QStringLiteral("%1 is joined twice").arg(parent.def().name));
    if (source != &table() && !joinedAlready(source))
        return table().fail(Code::Failure, QStringLiteral("%1 is joined to %2, which is not joined before it")
                                               .arg(parent.def().name, source->def().name));
    const auto &keys = parent.def().keys;
    if (keys.empty() || &parentKey < &keys.front() || &parentKey > &keys.back())
        return table().fail(Code::Failure,
                            QStringLiteral("%1 is no key of %2").arg(parentKey.label, parent.def().name));
    if (static_cast<size_t>(childFields.size()) != parentKey.components.size())
        return table().fail(Code::Failure, QStringLiteral("%1 needs %2 fields of %3")
                                               .arg(parentKey.label)
                                               .arg(parentKey.components.size())
                                               .arg(source->def().name));
    Join j{&parent, &parentKey, source, {}, inner};
    for (const QString &f : childFields) {
        const int index = source->def().fieldIndex(f);
        if (index < 0)
            return table().fail(Code::Failure,
                                QStringLiteral("%1 is no field of %2").arg(f, source->def().name));
        j.childFields.push_back(index);
    }
    m_joins.push_back(std::move(j));
    return table().succeed();
}

std::vector<Table *> View::parents() const
{
    std::vector<Table *> out;
    for (const Join &j : m_joins)
        out.push_back(j.parent);
    return out;
}

bool View::hasInnerJoin() const
{
    return std::any_of(m_joins.begin(), m_joins.end(), [](const Join &j) { return j.inner; });
}

StoreError View::setFilter(const QString &expression)
{
    Filter::Scope scope;
    scope.table = &table().def();
    scope.local = [this](const QString &name) -> std::function<QVariant()> {
        for (const auto &[bound, value] : m_bindings) {
            if (bound.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return nullptr;
    };
    // Fields of other tables read their record buffers: a joined parent's
    // is filled per row, any other table's is taken as it stands.
    std::map<const TableDef *, Table *> joined;
    for (const Join &j : m_joins) {
        joined[&j.parent->def()] = j.parent;
        scope.perRow.push_back(&j.parent->def());
    }
    scope.recordOf = [joined](const TableDef &def) -> const Record * {
        auto it = joined.find(&def);
        if (it != joined.end())
            return &it->second->record();
        return &Store::instance().table(def.name).record();
    };
    QString error;
    Filter compiled = Filter::compile(expression, scope, &error);
    if (!error.isEmpty()) {
        m_filter = Filter();
        Cursor::setFilter({}, nullptr);
        return table().fail(Code::Failure, error);
    }
    m_filter = std::move(compiled);
    if (m_filter.inSql() && !m_filter.isEmpty()) {
        const Filter *f = &m_filter;
        Cursor::setFilter(m_filter.sql(), [f](sql::Statement &stmt, int first) { return f->bind(stmt, first); });
    } else {
        Cursor::setFilter({}, nullptr);
    }
    return table().succeed();
}

void View::setFilter(std::string sql, std::function<int(sql::Statement &, int)> binder)
{
    m_filter = Filter();
    Cursor::setFilter(std::move(sql), std::move(binder));
}

bool View::readParents()
{
    std::vector<Table *> missing;
    for (const Join &j : m_joins) {
        const Record &child = j.from->record();
        Record &parent = j.parent->record();
        parent.clear();
        // A parent that is missing has no parent of its own.
        const bool sourceMissing = std::find(missing.begin(), missing.end(), j.from) != missing.end();
        if (!sourceMissing) {
            for (size_t i = 0; i < j.key->components.size(); ++i)
                parent.setValue(j.key->components[i].field, child.value(j.childFields[i]));
        }
        if (sourceMissing || j.parent->fetch(*j.key).code != Code::Ok) {
            parent.clear();
            missing.push_back(j.parent);
            if (j.inner)
                return false;
        }
    }
    return true;
}

StoreError View::step(bool forward)
{
    for (;;) {
        StoreError e = forward ? Cursor::next() : Cursor::previous();
        if (e)
            return e;
        if (!readParents())
            continue;
        if (!m_filter.inSql() && !m_filter.accepts(table().record()))
            continue;
        return table().succeed();
    }
}

StoreError View::next()
{
    return step(true);
}

StoreError View::previous()
{
    return step(false);
}

} // namespace tabulo::store

#include "store/View.h"

#include "store/Store.h"

namespace tabulo::store {

View::View(Table &primary)
    : Cursor(primary)
{
}

void View::bind(const QString &name, std::function<QVariant()> value)
{
    m_bindings.emplace_back(name, std::move(value));
}

void View::join(Table &parent, const KeyDef &parentKey, const QStringList &childFields, bool inner)
{
    Join j{&parent, &parentKey, {}, inner};
    for (const QString &f : childFields)
        j.childFields.push_back(table().def().fieldIndex(f));
    m_joins.push_back(std::move(j));
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

bool View::joinParents()
{
    for (const Join &j : m_joins) {
        Record &child = table().record();
        Record &parent = j.parent->record();
        parent.clear();
        for (size_t i = 0; i < j.key->components.size() && i < j.childFields.size(); ++i)
            parent.setValue(j.key->components[i].field, child.value(j.childFields[i]));
        if (j.parent->fetch(*j.key).code != Code::Ok) {
            parent.clear();
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
        if (!joinParents())
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

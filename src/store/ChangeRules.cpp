#include "store/ChangeRules.h"

#include "store/Messages.h"
#include "store/UnitOfWork.h"

#include <QStringList>
#include <optional>

namespace tabulo::store {

namespace {

using namespace Qt::StringLiterals;

const ChangeRule &plainRule() {
    static const ChangeRule rule;
    return rule;
}

// Reports the failure the store just had with standard message `number`;
// taking the saved error first also rolls back an open transaction.
int report(QObject *owner, int number, const QString &first = {}, const QString &second = {}) {
    takeSavedError();
    standardMessage(owner, number, first, second);
    return ChangeResult::Failed;
}

// Sets a key component of a cleared buffer to the value that sorts first.
void setToFirst(Record &record, const KeyComponent &component) {
    const FieldDef &field = record.def().fields[static_cast<size_t>(component.field)];
    if (field.isText())
        return; // blank, the lowest text, is what clear() left
    record.setInteger(component.field, component.descending ? field.maxValue() : field.minValue());
}

// Deletes the children of one parent in one child table, inside the
// parent's unit of work: a failure undoes the whole delete.
bool deleteChildren(Table &child, const CascadeRule &rule, qint64 parent, QObject *owner) {
    // A parent without a control number has no children of its own: 0 is
    // what every unlinked child holds, and those belong to others.
    if (parent == 0)
        return true;
    const QString childName = child.def().name;
    const KeyDef *key = child.def().key(rule.key);
    const int link = child.def().fieldIndex(rule.linkField);
    if (!key || link < 0 || key->components.empty() || key->components.front().field != link) {
        child.fail(Code::Failure, u"no key %1 beginning with %2"_s.arg(rule.key, rule.linkField));
        report(owner, 35, childName);
        return false;
    }

    Record &buffer = child.record();
    buffer.clear();
    buffer.setInteger(link, parent);
    for (size_t i = 1; i < key->components.size(); ++i)
        setToFirst(buffer, key->components[i]);

    // A cursor of its own, so the table's own reading position (a list
    // window's) is not moved by the cascade.
    Cursor cursor(child);
    cursor.setOrder(key);
    if (cursor.toNotBelow(buffer)) {
        report(owner, 35, childName);
        return false;
    }
    for (;;) {
        const StoreError read = cursor.next();
        if (read.code == Code::EndOfFile)
            return true;
        if (read) {
            report(owner, 35, childName);
            return false;
        }
        if (buffer.integer(link) != parent)
            return true;
        if (child.remove()) {
            report(owner, 17, childName);
            return false;
        }
    }
}

} // namespace

const ChangeRule &changeRuleFor(const TableDef &table) {
    static const ChangeRule framed{true, true, {}};
    static const ChangeRule person{false,
                                   false,
                                   {{QString::fromLatin1(Tables::Fon), u"NAM_CTRL_KEY"_s, u"NAM_CTRL"_s},
                                    {QString::fromLatin1(Tables::Mem), u"NAM_CTRL_KEY"_s, u"NAM_CTRL"_s}}};
    static const ChangeRule company{false,
                                    false,
                                    {{QString::fromLatin1(Tables::Fon), u"CMP_CTRL_KEY"_s, u"CMP_CTRL"_s},
                                     {QString::fromLatin1(Tables::Mem), u"CMP_CTRL_KEY"_s, u"CMP_CTRL"_s}}};

    const auto is = [&table](const char *name) {
        return table.name.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0;
    };
    if (is(Tables::Dat) || is(Tables::Inc))
        return framed;
    if (is(Tables::Nam))
        return person;
    if (is(Tables::Cmp))
        return company;
    return plainRule();
}

int changeRecord(Table &table, ConflictMessage conflict, QObject *owner) {
    const ChangeRule &rule = changeRuleFor(table.def());
    const QString name = table.def().name;

    bool framed = false;
    if (rule.changeInTransaction) {
        if (table.begin(kTransactionTimeoutSeconds))
            return report(owner, 34, u"Update"_s, name);
        framed = true;
    }

    const QString position = table.position();
    const StoreError written = table.change();
    if (written.ok()) {
        // A commit that fails wrote nothing: say so rather than report success.
        if (framed && table.commit())
            return report(owner, 15, name);
        return ChangeResult::Done;
    }

    takeSavedError();
    if (written.code != Code::ChangedElsewhere) {
        standardMessage(owner, 15, name);
        return ChangeResult::Failed;
    }

    if (conflict == ConflictMessage::Long) {
        standardMessage(owner, 38);
        // Message 38 reports the conflict without the error text; left
        // saved, the conflict would show up in the next, unrelated message.
        clearSavedError();
    } else {
        standardMessage(owner, 15, u"Record Changed by Another Station"_s);
    }
    // Show the stored record, watched again, so saving once more after the
    // user has seen it overwrites it.
    table.watch();
    if (table.reget(position)) {
        // The other station deleted the record: nothing to show, and the
        // user's entries stay in the buffer.
        return report(owner, 35, name);
    }
    return ChangeResult::ChangedElsewhere;
}

int deleteRecord(Store &store, Table &table, QObject *owner) {
    const ChangeRule &rule = changeRuleFor(table.def());
    const QString name = table.def().name;
    const QString position = table.position();

    std::optional<TableUse> children;
    std::vector<Table *> involved{&table};
    if (!rule.cascade.empty()) {
        QStringList names;
        for (const CascadeRule &c : rule.cascade)
            names << c.childTable;
        children.emplace(store, names);
        for (const CascadeRule &c : rule.cascade)
            involved.push_back(&store.table(c.childTable));
    }

    // The record and its children go together or not at all.
    UnitOfWork unit(involved);
    const bool framed = rule.deleteInTransaction || involved.size() > 1;
    if (framed) {
        if (const StoreError e = unit.begin(kTransactionTimeoutSeconds)) {
            return report(owner, 34, u"Delete"_s, failedTable(involved, e));
        }
    }

    // The stored record, not the buffer: unsaved edits must not decide which
    // children go.
    if (table.reget(position))
        return report(owner, 35, name);

    if (!rule.cascade.empty()) {
        const int ctrl = table.def().fieldIndex(u"CTRL_NBR"_s);
        const qint64 parent = ctrl >= 0 ? table.record().integer(ctrl) : 0;
        for (const CascadeRule &c : rule.cascade) {
            if (!deleteChildren(store.table(c.childTable), c, parent, owner))
                return ChangeResult::Failed;
        }
    }

    if (table.remove())
        return report(owner, 17, name);
    if (framed && unit.commit())
        return report(owner, 17, name);
    return ChangeResult::Done;
}

int deleteRecord(Table &table, QObject *owner) {
    return deleteRecord(Store::instance(), table, owner);
}

QString failedTable(const std::vector<Table *> &tables, const StoreError &e) {
    for (const Table *t : tables)
        if (t->fileName() == e.file)
            return t->def().name;
    return tables.front()->def().name;
}

bool beginReported(UnitOfWork &unit, const std::vector<Table *> &tables, const QString &verb, QObject *owner) {
    if (const StoreError e = unit.begin(kTransactionTimeoutSeconds)) {
        report(owner, 34, verb, failedTable(tables, e));
        return false;
    }
    return true;
}

bool commitReported(UnitOfWork &unit, const std::vector<Table *> &tables, int message, QObject *owner) {
    if (!unit.active())
        return false; // undone on the way, and said then
    if (const StoreError e = unit.commit()) {
        report(owner, message, failedTable(tables, e));
        return false;
    }
    return true;
}

namespace {

std::vector<Table *> withCascade(Store &store, Table &table, const std::vector<Table *> &others) {
    std::vector<Table *> tables{&table};
    for (const CascadeRule &c : changeRuleFor(table.def()).cascade)
        tables.push_back(&store.use(c.childTable));
    tables.insert(tables.end(), others.begin(), others.end());
    return tables;
}

void releaseCascade(Store &store, Table &table) {
    for (const CascadeRule &c : changeRuleFor(table.def()).cascade)
        store.release(c.childTable);
}

} // namespace

int changeRecordWith(Table &table, ConflictMessage conflict, const std::vector<Table *> &others,
                     const std::function<StoreError()> &more, QObject *owner) {
    std::vector<Table *> tables{&table};
    tables.insert(tables.end(), others.begin(), others.end());
    UnitOfWork unit(tables);
    if (!beginReported(unit, tables, u"Update"_s, owner))
        return ChangeResult::Failed;
    // What the user typed, against the record as read: an undone change
    // leaves the table as if it had not been tried, so saving again works.
    const Table::Current typed = table.current();
    const int result = changeRecord(table, conflict, owner);
    if (result != ChangeResult::Done)
        return result; // said, and undone with the message
    if (const StoreError e = more()) {
        setLastError(e);
        report(owner, 15, failedTable(tables, e));
        table.setCurrent(typed);
        return ChangeResult::Failed;
    }
    if (!commitReported(unit, tables, 15, owner)) {
        table.setCurrent(typed);
        return ChangeResult::Failed;
    }
    return ChangeResult::Done;
}

int deleteRecordWith(Table &table, const std::vector<Table *> &others, const std::function<StoreError()> &more,
                     QObject *owner) {
    Store &store = Store::instance();
    const std::vector<Table *> tables = withCascade(store, table, others);
    const int result = [&] {
        UnitOfWork unit(tables);
        if (!beginReported(unit, tables, u"Delete"_s, owner))
            return ChangeResult::Failed;
        const int deleted = deleteRecord(store, table, owner);
        if (deleted != ChangeResult::Done)
            return deleted;
        if (const StoreError e = more()) {
            setLastError(e);
            return report(owner, 17, failedTable(tables, e));
        }
        return commitReported(unit, tables, 17, owner) ? ChangeResult::Done : ChangeResult::Failed;
    }();
    releaseCascade(store, table);
    return result;
}

} // namespace tabulo::store

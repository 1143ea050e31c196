#pragma once

#include "store/Table.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <mutex>

namespace tabulo::store {

// The tables of the data directory, each opened through the guarded open
// when its first user arrives and closed when its last user leaves.
class Store final
{
public:
    // The process-wide store of the program's data directory.
    static Store &instance();

    explicit Store(QString directory = {});
    ~Store();

    // Closes every table and points the store at another directory.
    void setDirectory(const QString &directory);
    QString directory() const { return m_directory; }

    // The table object (open or not) of a dictionary table, by name or prefix.
    Table &table(const QString &name);

    // Uses a table: the first use performs the guarded open (creating a
    // missing table, recovering a locked one, offering to rebuild damaged
    // keys, ending the program when the table cannot be used).
    Table &use(const QString &name);
    // Releases one use; the last release closes the table.
    void release(const QString &name);
    int useCount(const QString &name) const;

    // The guarded open by itself (no counting). Returns only when the table
    // is open; otherwise it ends the program through the standard messages.
    void guardedOpen(Table &table);

    // Closes every table whatever its count (shut-down, tests).
    void closeAll();

private:
    QString m_directory;
    mutable std::recursive_mutex m_mutex;
    std::map<int, std::unique_ptr<Table>> m_tables;
    std::map<int, int> m_useCounts;
};

// Uses a set of tables for as long as it lives: what a window holds from
// its start until it ends, whichever way it ends.
class TableUse final
{
public:
    TableUse(Store &store, QStringList names);
    explicit TableUse(QStringList names) : TableUse(Store::instance(), std::move(names)) {}
    ~TableUse();
    TableUse(const TableUse &) = delete;
    TableUse &operator=(const TableUse &) = delete;

    Table &operator[](const QString &name) const { return m_store->table(name); }

private:
    Store *m_store;
    QStringList m_names;
};

// Which tables each window and routine uses.
QStringList tablesUsedBy(const QString &window);

} // namespace tabulo::store

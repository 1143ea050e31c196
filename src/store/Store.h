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

    // The table object whose file has this name, if the store made one.
    Table *tableByFile(const QString &fileName);

    // Closes every table whatever its count (shut-down, tests).
    void closeAll();

private:
    QString m_directory;
    mutable std::recursive_mutex m_mutex;
    std::map<int, std::unique_ptr<Table>> m_tables;
    std::map<int, int> m_useCounts;
};

// The program's table object of a dictionary table, by name ("QKnam").
inline Table &table(const char *name)
{
    return Store::instance().table(QString::fromLatin1(name));
}

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

// Damage met while reading a table that is in use: asks as the guarded
// open does (message 2; No ends the program), repairs the table, says what
// the repair kept aside, and opens the table again for its users. `owner`
// is the window that met the damage.
void offerRepair(Table &table, QObject *owner = nullptr);
// The same for a failure a window met: when it is damage (46) to a table of
// the program's store, offers the repair and returns true.
bool offerRepairFor(const StoreError &error, QObject *owner);

// Repairs a table (closed) and says what was kept aside, when anything was;
// the guarded open's path. Returns the repair's condition.
StoreError repairAndReport(Table &table, QObject *owner = nullptr);

// The text that says what a repair kept aside; empty when it kept nothing.
QString repairSummary(const Table &table, const Table::RepairOutcome &outcome);

// Which tables each window and routine uses.
QStringList tablesUsedBy(const QString &window);

} // namespace tabulo::store

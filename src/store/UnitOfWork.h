#pragma once

#include "store/StoreError.h"

#include <sqlite3.h>

#include <QString>
#include <string>
#include <vector>

namespace tabulo::store {

class Table;

// One change over several tables, all of it or none: a person's delete with
// its phones, notes and links, a move of tagged members, a rename that
// rewrites the links' copies of a name, an import batch.
//
// Each table keeps a file of its own, so each also has a connection of its
// own, and a transaction on one connection covers one file. A unit of work
// runs its tables' reads and writes on one connection that holds all their
// files at once (attached, in the rollback-journal mode the files are in).
// SQLite then commits the files together through a super-journal beside
// the first of them: a kill, a power loss, a full disk or a lock at any
// moment leaves every file before the change or every file after it, and
// another station never reads one file changed and the other not.
//
// While the unit lives the tables are used as always (insert, change,
// remove, reads, even begin and commit, which join the unit); their SQL
// runs on the unit's connection. The write locks are taken when the unit
// begins, file by file in the order of their names (every station and the
// commit take them in that order, so two units never wait for each other
// in a circle), each waiting as long as the caller says.
class UnitOfWork final
{
public:
    explicit UnitOfWork(std::vector<Table *> tables);
    // Rolls back what was not committed.
    ~UnitOfWork();
    UnitOfWork(const UnitOfWork &) = delete;
    UnitOfWork &operator=(const UnitOfWork &) = delete;

    // Takes every table's write lock. Inside a unit that already holds all
    // of these tables, the unit joins it (the outer unit commits). A lock
    // not had within the wait ends the unit: nothing is held, and the
    // failure names the table whose file was locked.
    StoreError begin(int waitSeconds);
    // Writes every table's changes at once; a failure rolls all of them
    // back and names the table.
    StoreError commit();
    // Undoes every table's changes (also what a joined unit did).
    void rollback();
    bool active() const { return m_active; }
    // Brings the search indexes and key counts of every table that deferred
    // them up to date and turns the connection's triggers on again (they
    // are the connection's, so its tables catch up together).
    StoreError catchUpIndexUpkeep();

private:
    void leave();

    std::vector<Table *> m_tables; // in the order of their files' names
    sqlite3 *m_db = nullptr;
    Table *m_own = nullptr; // a single table: its own connection serves
    bool m_joined = false;  // inside another unit holding these tables
    bool m_active = false;
};

// The connection a thread's units of work run on for one data directory:
// the table files it holds stay attached between units, so their
// statements are prepared once. The first file (in name order) is its main
// database; a file named before it makes the connection open again.
class JointConnection final
{
public:
    // The calling thread's connection for the directory of these tables,
    // holding all their files (attaching what is missing).
    // Attaching waits up to `waitMs` for a file another station keeps out.
    static StoreError forTables(const std::vector<Table *> &tables, int waitMs, JointConnection *&joint);
    sqlite3 *db() const { return m_db; }
    // A table that closes leaves the connection (the connection closes
    // with its main file's table).
    void forget(Table &table);
    ~JointConnection();

private:
    JointConnection() = default;
    StoreError attach(const std::vector<Table *> &sorted, int waitMs);
    void closeAll();

    QString m_directory;
    sqlite3 *m_db = nullptr;
    std::vector<Table *> m_attached; // in name order; the first is "main"
};

} // namespace tabulo::store

#include "store/ReadScope.h"

#include "store/Table.h"

#include <sqlite3.h>

#include <algorithm>

namespace tabulo::store {

ReadScope::ReadScope(std::vector<Table *> tables) {
    // Every file's read lock is taken before anything is read, in the order
    // of the files' names, the order in which a change over several tables
    // locks them to commit: the reads then see all the files either before
    // such a change or after it, never between, and never wait for it while
    // holding what it waits for.
    std::erase(tables, nullptr);
    std::sort(tables.begin(), tables.end(), [](const Table *a, const Table *b) { return a->filePath() < b->filePath(); });
    tables.erase(std::unique(tables.begin(), tables.end()), tables.end());
    for (Table *table : tables) {
        if (!table->isOpen() || table->inTransaction() || table->isLocked())
            continue;
        sqlite3 *db = table->handle();
        if (!sqlite3_get_autocommit(db) || sqlite3_exec(db, "BEGIN DEFERRED", nullptr, nullptr, nullptr) != SQLITE_OK)
            continue;
        m_begun.push_back(table);
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
}

ReadScope::~ReadScope() {
    for (Table *table : m_begun)
        if (table->isOpen() && !sqlite3_get_autocommit(table->handle()))
            sqlite3_exec(table->handle(), "COMMIT", nullptr, nullptr, nullptr);
}

} // namespace tabulo::store

#include "store/ReadScope.h"

#include "store/Table.h"

#include <sqlite3.h>

namespace tabulo::store {

ReadScope::ReadScope(std::vector<Table *> tables) {
    for (Table *table : tables) {
        if (!table || !table->isOpen() || table->inTransaction() || table->isLocked())
            continue;
        sqlite3 *db = table->handle();
        if (sqlite3_get_autocommit(db) &&
            sqlite3_exec(db, "BEGIN DEFERRED", nullptr, nullptr, nullptr) == SQLITE_OK)
            m_begun.push_back(table);
    }
}

ReadScope::~ReadScope() {
    for (Table *table : m_begun)
        if (table->isOpen() && !sqlite3_get_autocommit(table->handle()))
            sqlite3_exec(table->handle(), "COMMIT", nullptr, nullptr, nullptr);
}

} // namespace tabulo::store

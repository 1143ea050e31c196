#pragma once

#include "store/Record.h"
#include "store/Sqlite.h"
#include "store/TableSchema.h"

#include <string>
#include <vector>

namespace tabulo::store::server {

// A dictionary table's layout on a database server: the columns of its file
// (the same folded and negated copies, so that a read binds the values it
// binds there) in one table named after it in the connection's schema
// ("qknam"), its row identity numbered by the server, every text in byte
// order (COLLATE "C", as SQLite compares), and each key one index. A key
// whose values repeat ends its index with the row identity, as SQLite's
// indexes do by themselves, so that keyset reads find their place; a key
// that leaves out empty entries is a partial index.
class ServerSchema final
{
public:
    explicit ServerSchema(const TableSchema &file);

    const std::string &tableName() const { return m_table; }
    // The statements that make the table and its keys, in order, then the
    // one that keeps the layout's fingerprint (binding signature()).
    std::vector<std::string> createStatements() const;
    std::string signatureSql() const;
    const std::string &signature() const { return m_file.signature(); }
    // The server's name of a key's index ("qknam_k_lname_key").
    std::string indexName(const KeyDef &key) const;
    // The key of an index the server names (the constraint of a duplicated
    // key); nullptr for another name.
    const KeyDef *keyOfIndex(const std::string &name) const;

    // Adds a record: the stored columns bound from $1 on, in the order of
    // storedValues(); returns the row identity the server gave it.
    const std::string &insertSql() const { return m_insertSql; }
    // Every stored column of the record, in the file's column order.
    std::vector<sql::Value> storedValues(const Record &record) const;

private:
    const TableSchema &m_file;
    std::string m_table;
    std::string m_insertSql;
};

} // namespace tabulo::store::server

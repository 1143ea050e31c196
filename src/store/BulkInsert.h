#pragma once

#include "store/Record.h"
#include "store/Sqlite.h"
#include "store/StoreError.h"

#include <map>
#include <string>
#include <vector>

namespace tabulo::store {

class Table;

// Adds many records to one table, several rows to a statement: for imports,
// where a statement per record would cost SQLite its set-up, and the undo
// copy of every page it changes, once for each record. The records are
// queued and written when the queue is full and at flush(), inside the
// caller's transaction. What is stored is what Table::insert would store,
// record by record and in the same order (the same row identities too).
// When a statement fails SQLite undoes it whole; its records are then added
// one at a time through Table::insert, so the records before the faulty one
// are stored and the failure is the one Table::insert reports, duplicated
// key included. Otherwise the table's record buffer and current record are
// left alone. The writer must go before its table closes.
class BulkInsert final
{
public:
    // `rowsPerStatement` is lowered to what one statement may bind; the
    // table must be open.
    explicit BulkInsert(Table &table, int rowsPerStatement = 32);
    BulkInsert(const BulkInsert &) = delete;
    BulkInsert &operator=(const BulkInsert &) = delete;

    Table &table() const { return m_table; }
    // A cleared record at the end of the queue, to fill. When the queue is
    // full it is written first; its failure is kept for the next flush().
    Record &add();
    // Writes the queued records; the first failure since the last flush.
    StoreError flush();
    int queued() const { return m_queued; }
    // A failure of a write that add() made, not yet reported by flush().
    const StoreError &pendingFailure() const { return m_failure; }
    // Forgets the queued records (the transaction is being rolled back).
    void discard();

private:
    sql::Statement &statement(int rows);
    StoreError write();

    Table &m_table;
    int m_rowsPerStatement;
    std::vector<Record> m_queue;
    int m_queued = 0;
    std::vector<std::string> m_folded; // per queued record, one string per field
    std::map<int, sql::Statement> m_statements;
    StoreError m_failure;
};

} // namespace tabulo::store

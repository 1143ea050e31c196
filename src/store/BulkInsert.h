#pragma once

#include "store/Record.h"
#include "store/Sqlite.h"
#include "store/StoreError.h"
#include "store/WriterThread.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
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
//
// In the background full queues are written in turn on a thread of the
// writer's own while the caller fills the next ones (a few may wait, so a
// caller feeding several tables is not held up by the slowest): the caller
// then leaves the table (its connection, record buffer and cursors) alone
// until flush() or discard() returns, and a failure is known at a later
// full queue or at flush(). Writers of tables that share a connection (a
// unit of work's) share one such thread instead, given by setWriter(): the
// connection is then used by that thread alone, flush() writing there too.
class BulkInsert final
{
public:
    // `rowsPerStatement` is lowered to what one statement may bind; the
    // table must be open.
    explicit BulkInsert(Table &table, int rowsPerStatement = 32);
    ~BulkInsert();
    BulkInsert(const BulkInsert &) = delete;
    BulkInsert &operator=(const BulkInsert &) = delete;

    Table &table() const { return m_table; }
    // Writes full queues in the background (see above); set before the
    // first add().
    void setInBackground(bool on) { m_inBackground = on; }
    // Writes in the background on `writer`, which outlives this object and
    // runs every other use of the table's connection meanwhile.
    void setWriter(WriterThread &writer)
    {
        m_writer = &writer;
        m_inBackground = true;
    }
    // A cleared record at the end of the queue, to fill. When the queue is
    // full it is written first; its failure is kept for the next flush().
    Record &add();
    // Writes the queued records; the first failure since the last flush.
    // Any thread may call it, one at a time.
    StoreError flush();
    int queued() const { return m_queued; }
    // A failure of a write that add() made, not yet reported by flush().
    const StoreError &pendingFailure() const { return m_failure; }
    // Forgets the queued records (the transaction is being rolled back),
    // once a write in the background has ended.
    void discard();

private:
    sql::Statement &statement(int rows);
    // `folded` holds the rows' folded copies already when `foldedAlready`.
    StoreError write(const std::vector<Record> &rows, int count, std::vector<std::string> &folded,
                     bool foldedAlready = false);
    // Hands the full queue to the background writer (waiting while too
    // many wait already).
    void send();
    // Waits until the background writer is idle; its failure is kept.
    void finishSending();
    // On the writer's thread: writes the oldest full queue.
    void writeOne();

    Table &m_table;
    int m_rowsPerStatement;
    bool m_inBackground = false;
    std::vector<Record> m_queue;
    int m_queued = 0;
    std::vector<std::string> m_folded; // per queued record, one string per field

    // The background writer: full queues oldest first, and written ones
    // kept for reuse; `m_posted` counts the writes handed to its thread and
    // not yet ended (each takes one full queue, or none once discarded).
    struct Full {
        std::vector<Record> rows;
        int count = 0;
        // Made on the caller's thread, so that the writer's only binds.
        std::vector<std::string> folded;
    };
    WriterThread *m_writer = nullptr;
    std::unique_ptr<WriterThread> m_ownWriter;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Full> m_full;
    std::vector<std::vector<Record>> m_spare;
    std::vector<std::vector<std::string>> m_spareFolded;
    int m_posted = 0;
    StoreError m_writerFailure;
    std::vector<std::string> m_writerFolded;
    std::map<int, sql::Statement> m_statements;
    sqlite3 *m_statementsOn = nullptr;
    StoreError m_failure;
};

} // namespace tabulo::store

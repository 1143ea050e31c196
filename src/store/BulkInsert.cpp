#include "store/BulkInsert.h"

#include "store/Table.h"

#include <algorithm>
#include <span>

namespace tabulo::store {

BulkInsert::BulkInsert(Table &table, int rowsPerStatement)
    : m_table(table)
    , m_rowsPerStatement(std::max(1, rowsPerStatement))
{
    // No more rows than one statement may bind values for.
    if (m_table.handle()) {
        const int perRow = std::max<int>(1, static_cast<int>(m_table.schema().columns().size()));
        const int limit = sqlite3_limit(m_table.handle(), SQLITE_LIMIT_VARIABLE_NUMBER, -1);
        m_rowsPerStatement = std::clamp(limit / perRow, 1, m_rowsPerStatement);
    }
}

namespace {

// Full queues that may wait for the background writer.
constexpr size_t kQueuesWaiting = 8;

} // namespace

BulkInsert::~BulkInsert()
{
    // The writes handed over reach this object: they end first.
    if (m_writer) {
        std::unique_lock lock(m_mutex);
        m_full.clear();
        m_changed.wait(lock, [this] { return m_posted == 0; });
    }
}

void BulkInsert::writeOne()
{
    std::unique_lock lock(m_mutex);
    if (!m_full.empty()) {
        Full full = std::move(m_full.front());
        m_full.pop_front();
        // After a failure nothing more is written: the caller rolls back.
        const bool failed = !m_writerFailure.ok();
        lock.unlock();
        StoreError e;
        if (!failed)
            e = write(full.rows, full.count, full.folded, true);
        lock.lock();
        if (e && m_writerFailure.ok())
            m_writerFailure = std::move(e);
        m_spare.push_back(std::move(full.rows));
        m_spareFolded.push_back(std::move(full.folded));
    }
    --m_posted;
    m_changed.notify_all();
}

void BulkInsert::send()
{
    if (!m_writer) {
        m_ownWriter = std::make_unique<WriterThread>();
        m_writer = m_ownWriter.get();
    }
    // The folded copies of the keys are made here, beside the writer's
    // work rather than on its thread.
    std::vector<std::string> folded;
    {
        std::lock_guard lock(m_mutex);
        if (!m_spareFolded.empty()) {
            folded = std::move(m_spareFolded.back());
            m_spareFolded.pop_back();
        }
    }
    const size_t fields = m_table.def().fields.size();
    folded.resize(fields * static_cast<size_t>(m_queued));
    for (int i = 0; i < m_queued; ++i)
        m_table.schema().foldStored(m_queue[static_cast<size_t>(i)],
                                    std::span<std::string>(folded.data() + fields * static_cast<size_t>(i), fields));
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_full.size() < kQueuesWaiting || !m_writerFailure.ok(); });
        // The failure stays the writer's too until it is idle: it writes
        // nothing after it.
        if (m_writerFailure) {
            if (m_failure.ok())
                m_failure = m_writerFailure;
            return;
        }
        m_full.push_back({std::move(m_queue), m_queued, std::move(folded)});
        m_queue.clear();
        if (!m_spare.empty()) {
            m_queue = std::move(m_spare.back());
            m_spare.pop_back();
        }
        ++m_posted;
    }
    m_writer->post([this] { writeOne(); });
}

void BulkInsert::finishSending()
{
    if (!m_writer)
        return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_posted == 0; });
    if (m_writerFailure && m_failure.ok())
        m_failure = m_writerFailure;
    m_writerFailure = {};
}

Record &BulkInsert::add()
{
    if (m_queued == m_rowsPerStatement) {
        // After a failure nothing more is written: the caller rolls back.
        if (m_failure.ok()) {
            if (m_inBackground) {
                send();
            } else {
                m_failure = write(m_queue, m_queued, m_folded);
            }
        }
        m_queued = 0;
    }
    if (m_queued == static_cast<int>(m_queue.size()))
        m_queue.emplace_back(m_table.def());
    Record &r = m_queue[static_cast<size_t>(m_queued++)];
    r.clear();
    return r;
}

StoreError BulkInsert::flush()
{
    finishSending();
    StoreError e;
    if (m_queued > 0 && m_failure.ok()) {
        // The last rows go where the full queues went: the connection may
        // be one that only the writer's thread uses.
        e = m_writer ? m_writer->run([this] { return write(m_queue, m_queued, m_writerFolded); })
                     : write(m_queue, m_queued, m_folded);
    }
    m_queued = 0;
    if (m_failure) {
        e = m_failure;
        m_failure = {};
    }
    return e;
}

void BulkInsert::discard()
{
    if (m_writer) {
        std::unique_lock lock(m_mutex);
        m_full.clear();
        m_changed.wait(lock, [this] { return m_posted == 0; });
        m_writerFailure = {};
    }
    m_queued = 0;
    m_failure = {};
}

sql::Statement &BulkInsert::statement(int rows)
{
    // Statements of another connection (the table has since joined or left
    // a unit of work) are not this write's.
    if (m_statementsOn != m_table.db()) {
        m_statements.clear();
        m_statementsOn = m_table.db();
    }
    auto it = m_statements.find(rows);
    if (it != m_statements.end())
        return it->second;
    // The single-row insert's SQL with its row of values repeated.
    const std::string &one = m_table.schema().insertSql();
    const std::string values = one.substr(one.rfind(" VALUES(") + 7);
    std::string sql = one;
    sql.reserve(one.size() + (values.size() + 1) * static_cast<size_t>(rows - 1));
    for (int i = 1; i < rows; ++i)
        sql += "," + values;
    return m_statements.emplace(rows, m_table.prepare(sql)).first->second;
}

StoreError BulkInsert::write(const std::vector<Record> &queue, int rows, std::vector<std::string> &folded,
                             bool foldedAlready)
{
    if (!m_table.isOpen())
        return m_table.fail(Code::Failure, QStringLiteral("the table is not open"));
    const size_t fields = m_table.def().fields.size();
    sql::Statement &stmt = statement(rows);
    if (!stmt.valid())
        return m_table.failSql(stmt.prepareCode(), QStringLiteral("preparing an insert"));
    if (!foldedAlready)
        folded.resize(fields * static_cast<size_t>(m_rowsPerStatement));
    {
        sql::ResetGuard guard(stmt);
        int p = 1;
        for (int i = 0; i < rows; ++i) {
            const std::span<std::string> row(folded.data() + fields * static_cast<size_t>(i), fields);
            const Record &r = queue[static_cast<size_t>(i)];
            p = foldedAlready ? m_table.schema().bindStoredFolded(stmt, r, row, p)
                              : m_table.schema().bindStoredInPlace(stmt, r, row, p);
        }
        const int rc = stmt.step();
        m_table.discardBatches();
        if (rc == SQLITE_DONE)
            return m_table.succeed();
        // A refused row (a duplicated unique key): SQLite undid the
        // statement and the transaction stands; the records go again one by
        // one below, so the failure is reported as a single insert reports
        // it. Any other failure may have ended the transaction: nothing may
        // be written after it.
        const int code = sqlite3_extended_errcode(m_table.db());
        if ((code & 0xff) != SQLITE_CONSTRAINT || sqlite3_get_autocommit(m_table.db()))
            return m_table.failSql(code, QStringLiteral("adding records"));
    }
    for (int i = 0; i < rows; ++i) {
        m_table.record() = queue[static_cast<size_t>(i)];
        if (StoreError e = m_table.insert())
            return e;
    }
    return m_table.succeed();
}

} // namespace tabulo::store

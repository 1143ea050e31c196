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

Record &BulkInsert::add()
{
    if (m_queued == m_rowsPerStatement) {
        // After a failure nothing more is written: the caller rolls back.
        if (m_failure.ok())
            m_failure = write();
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
    StoreError e = m_queued > 0 && m_failure.ok() ? write() : StoreError();
    m_queued = 0;
    if (m_failure) {
        e = m_failure;
        m_failure = {};
    }
    return e;
}

void BulkInsert::discard()
{
    m_queued = 0;
    m_failure = {};
}

sql::Statement &BulkInsert::statement(int rows)
{
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
    return m_statements.emplace(rows, sql::Statement(m_table.handle(), sql)).first->second;
}

StoreError BulkInsert::write()
{
    if (!m_table.isOpen())
        return m_table.fail(Code::Failure, QStringLiteral("the table is not open"));
    const int rows = m_queued;
    const size_t fields = m_table.def().fields.size();
    sql::Statement &stmt = statement(rows);
    if (!stmt.valid())
        return m_table.failSql(stmt.prepareCode(), QStringLiteral("preparing an insert"));
    m_folded.resize(fields * static_cast<size_t>(m_rowsPerStatement));
    {
        sql::ResetGuard guard(stmt);
        int p = 1;
        for (int i = 0; i < rows; ++i) {
            const std::span<std::string> folded(m_folded.data() + fields * static_cast<size_t>(i), fields);
            p = m_table.schema().bindStoredInPlace(stmt, m_queue[static_cast<size_t>(i)], folded, p);
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
        const int code = sqlite3_extended_errcode(m_table.handle());
        if ((code & 0xff) != SQLITE_CONSTRAINT || sqlite3_get_autocommit(m_table.handle()))
            return m_table.failSql(code, QStringLiteral("adding records"));
    }
    for (int i = 0; i < rows; ++i) {
        m_table.record() = m_queue[static_cast<size_t>(i)];
        if (StoreError e = m_table.insert())
            return e;
    }
    return m_table.succeed();
}

} // namespace tabulo::store

// Writing a table: adding, changing and removing records under the change
// rules (watched records, duplicate keys), and the transactions and locks
// the writes run in.
#include "store/Table.h"

#include "store/UnitOfWork.h"

#include <algorithm>
#include <mutex>

namespace tabulo::store {

namespace {

std::mutex s_transactionsMutex;
std::set<Table *> s_inTransaction;

void registerTransaction(Table *t, bool open)
{
    std::lock_guard lock(s_transactionsMutex);
    if (open)
        s_inTransaction.insert(t);
    else
        s_inTransaction.erase(t);
}

} // namespace

StoreError Table::readyToAlter()
{
    if (StoreError e = checkOpen())
        return e;
    // Triggers keep the index upkeep of changes and removals: the records a
    // deferred upkeep has not reached yet must be indexed before them.
    return catchUpIndexUpkeep();
}

StoreError Table::alterCurrent(sql::Statement &stmt, bool watched, const QString &what)
{
    const int rc = stmt.step();
    if (rc != SQLITE_DONE) {
        m_writingRid = m_currentRid;
        return failSql(sqlite3_extended_errcode(db()), what);
    }
    // A watched record that another station changed or removed since it was
    // read is not there at its version any more.
    if (sqlite3_changes(db()) == 0)
        return fail(watched ? Code::ChangedElsewhere : Code::NotFound);
    return {};
}

StoreError Table::writeText(qint64 rid, const QString &field, const QString &value)
{
    if (StoreError e = readyToAlter())
        return e;
    const FieldDef *f = m_def->field(field);
    if (!f || !f->isText())
        return fail(Code::Failure, QStringLiteral("no text field ") + field);
    const std::string column = "f_" + f->name.toStdString();
    const std::string folded = "i_" + f->name.toStdString();
    const bool hasFolded = std::any_of(m_schema.columns().begin(), m_schema.columns().end(),
                                       [&folded](const auto &c) { return c.first == folded; });
    const std::string sql = "UPDATE rec SET ver=ver+1," + column + "=?" + (hasFolded ? "," + folded + "=?" : "")
                            + " WHERE rid=?";
    sql::Statement &stmt = cached(sql);
    if (!stmt.valid())
        return failSql(stmt.prepareCode(), QStringLiteral("preparing a write"));
    sql::ResetGuard guard(stmt);
    const std::string text = fitText(value.toStdString(), f->width);
    int p = 1;
    stmt.bind(p++, std::string_view(text));
    if (hasFolded)
        stmt.bind(p++, TableSchema::fold(text));
    stmt.bind(p++, rid);
    const int rc = stmt.step();
    if (rc != SQLITE_DONE)
        return failSql(rc, QStringLiteral("writing"));
    return succeed();
}

void Table::markInTransaction(bool on)
{
    m_inTransaction = on;
    registerTransaction(this, on);
}

StoreError Table::insert()
{
    if (StoreError e = checkOpen())
        return e;
    m_duplicated = nullptr;
    sql::Statement &stmt = cached(m_schema.insertSql());
    sql::ResetGuard guard(stmt);
    m_folded.resize(m_def->fields.size());
    m_schema.bindStoredInPlace(stmt, m_record, m_folded);
    const int rc = stmt.step();
    if (rc != SQLITE_DONE) {
        m_writingRid = 0;
        return failSql(sqlite3_extended_errcode(db()), QStringLiteral("adding a record"));
    }
    m_currentRid = sqlite3_last_insert_rowid(db());
    m_currentVer = 1;
    discardBatches();
    return succeed();
}

StoreError Table::change()
{
    if (StoreError e = readyToAlter())
        return e;
    m_duplicated = nullptr;
    if (m_currentRid <= 0)
        return fail(Code::NotFound, QStringLiteral("no current record"));
    const bool watched = m_watching;
    sql::Statement &stmt = cached(watched ? m_schema.updateWatchedSql() : m_schema.updateSql());
    sql::ResetGuard guard(stmt);
    m_folded.resize(m_def->fields.size());
    int p = m_schema.bindStoredInPlace(stmt, m_record, m_folded);
    stmt.bind(p++, m_currentRid);
    if (watched)
        stmt.bind(p++, m_currentVer);
    if (StoreError e = alterCurrent(stmt, watched, QStringLiteral("changing a record")))
        return e;
    ++m_currentVer;
    discardBatches();
    return succeed();
}

StoreError Table::remove()
{
    if (StoreError e = readyToAlter())
        return e;
    if (m_currentRid <= 0)
        return fail(Code::NotFound, QStringLiteral("no current record"));
    const bool watched = m_watching;
    sql::Statement &stmt = cached(watched ? "DELETE FROM rec WHERE rid=? AND ver=?" : "DELETE FROM rec WHERE rid=?");
    sql::ResetGuard guard(stmt);
    stmt.bind(1, m_currentRid);
    if (watched)
        stmt.bind(2, m_currentVer);
    if (StoreError e = alterCurrent(stmt, watched, QStringLiteral("deleting a record")))
        return e;
    m_currentRid = 0;
    m_watching = false;
    discardBatches();
    return succeed();
}

StoreError Table::empty()
{
    if (StoreError e = readyToAlter())
        return e;
    StoreError e = exec("DELETE FROM rec");
    m_currentRid = 0;
    discardBatches();
    return e;
}

const KeyDef *Table::findDuplicate(qint64 exceptRid)
{
    for (const KeyDef &k : m_def->keys) {
        if (k.unique && duplicates(k, exceptRid))
            return &k;
    }
    return nullptr;
}

bool Table::wouldDuplicate(const KeyDef &key)
{
    return duplicates(key, m_currentRid);
}

bool Table::duplicates(const KeyDef &key, qint64 exceptRid)
{
    if (!m_db || (key.excludesEmpty && m_record.isEmptyFor(key)))
        return false;
    const auto &ks = m_schema.key(key);
    std::string sql = "SELECT rid FROM rec WHERE ";
    for (size_t i = 0; i < ks.columns.size(); ++i)
        sql += (i ? " AND " : "") + ks.columns[i].column + "=?";
    if (!ks.emptyCondition.empty())
        sql += " AND " + ks.emptyCondition;
    sql += " AND rid<>? LIMIT 1";
    sql::Statement &stmt = cached(sql);
    sql::ResetGuard guard(stmt);
    int p = 1;
    for (const auto &c : ks.columns)
        stmt.bind(p++, TableSchema::keyValue(m_record, c));
    stmt.bind(p, exceptRid);
    return stmt.step() == SQLITE_ROW;
}

StoreError Table::beginWith(const char *sql, int timeoutSeconds, const QString &failure)
{
    if (StoreError e = checkOpen())
        return e;
    // Inside a unit of work the unit's transaction is the table's.
    if (m_unit)
        return succeed();
    if (m_inTransaction || m_locked)
        return fail(Code::Failure, QStringLiteral("a transaction is already open"));
    setWait(std::max(0, timeoutSeconds) * 1000);
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    setWait(defaultWaitMs());
    if (rc != SQLITE_OK)
        return failSql(sqlite3_extended_errcode(m_db), failure.arg(timeoutSeconds));
    registerTransaction(this, true);
    return succeed();
}

StoreError Table::begin(int timeoutSeconds)
{
    StoreError e = beginWith("BEGIN IMMEDIATE", timeoutSeconds,
                             QStringLiteral("the transaction could not begin within %1 seconds"));
    m_inTransaction = e.ok();
    return e;
}

StoreError Table::commit()
{
    if (StoreError e = checkOpen())
        return e;
    if (!m_inTransaction)
        return fail(Code::Failure, QStringLiteral("no transaction is open"));
    // The unit commits its tables together.
    if (m_unit)
        return succeed();
    return commitOwn(m_inTransaction);
}

StoreError Table::rollback()
{
    if (StoreError e = checkOpen())
        return e;
    if (!m_inTransaction && !m_locked)
        return succeed();
    // Keep the failure being reported: a roll-back is cleanup, not news.
    const StoreError before = lastError();
    if (m_unit) {
        m_unit->rollback();
        setLastError(before);
        return before;
    }
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_inTransaction = false;
    m_locked = false;
    if (m_upkeepDeferred) {
        m_upkeepDeferred = false;
        setTriggers(true);
    }
    registerTransaction(this, false);
    discardBatches();
    setLastError(before);
    return before;
}

void Table::rollbackAll()
{
    std::set<Table *> tables;
    {
        std::lock_guard lock(s_transactionsMutex);
        tables = s_inTransaction;
    }
    for (Table *t : tables) {
        if (!t->m_endsOwnTransactions)
            t->rollback();
    }
}

StoreError Table::lock(int timeoutSeconds)
{
    StoreError e = beginWith("BEGIN EXCLUSIVE", timeoutSeconds,
                             QStringLiteral("the table could not be locked within %1 seconds"));
    if (e)
        return e;
    m_locked = true;
    m_lockSeconds = timeoutSeconds;
    return e;
}

StoreError Table::flush()
{
    if (StoreError e = checkOpen())
        return e;
    if (!m_locked || m_unit)
        return succeed();
    // Write what was buffered, then take the lock again for what follows.
    StoreError e = unlock();
    if (e)
        return e;
    return lock(m_lockSeconds);
}

StoreError Table::unlock()
{
    if (StoreError e = checkOpen())
        return e;
    if (!m_locked || m_unit)
        return succeed();
    return commitOwn(m_locked);
}

StoreError Table::commitOwn(bool &open)
{
    // A deferred index upkeep is never committed behind its records.
    if (StoreError e = catchUpIndexUpkeep())
        return e;
    if (StoreError e = exec("COMMIT"))
        return e;
    open = false;
    registerTransaction(this, false);
    return succeed();
}

} // namespace tabulo::store

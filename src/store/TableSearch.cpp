// The search index a table file keeps beside its keys.
#include "store/Table.h"
#include "store/UnitOfWork.h"

#include <algorithm>
#include <limits>
#include <thread>

namespace tabulo::store {

namespace {

constexpr qint64 kFillBatch = 20'000;

} // namespace

Table::SearchIndexState Table::searchIndexState()
{
    const auto &search = m_schema.search();
    if (!search.declared())
        return SearchIndexState::NotSearched;
    if (!m_db)
        return SearchIndexState::Missing;
    std::map<std::string, std::string> present;
    sql::Statement list(m_db, "SELECT name,sql FROM sqlite_master WHERE name LIKE 's\\_%' ESCAPE '\\'");
    while (list.valid() && list.step() == SQLITE_ROW)
        present[list.text(0)] = list.text(1);
    for (const auto &[name, sql] : search.objects) {
        auto it = present.find(name);
        if (it == present.end() || it->second != sql)
            return SearchIndexState::Missing;
    }
    return SearchIndexState::Ready;
}

StoreError Table::makeSearchIndex(const std::function<bool(double)> &progress)
{
    // Inside the caller's write transaction: whatever the file holds of an
    // index goes, the index is made anew and filled from the records in
    // ranges of row ids, so a caller can show how far it got.
    const auto &search = m_schema.search();
    for (const std::string &drop : search.dropSql) {
        if (StoreError e = exec(drop.c_str()))
            return e;
    }
    for (const auto &[name, sql] : search.objects) {
        if (StoreError e = exec(sql.c_str()))
            return e;
    }
    qint64 low = 0;
    qint64 high = 0;
    {
        sql::Statement ends(m_db, "SELECT ifnull(min(rid),0),ifnull(max(rid),0) FROM rec");
        if (!ends.valid() || ends.step() != SQLITE_ROW)
            return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("reading for the search index"));
        low = ends.int64(0);
        high = ends.int64(1);
    }
    std::vector<sql::Statement> fills;
    for (const auto &index : search.indexes)
        fills.emplace_back(m_db, index.fillSql);
    const double span = static_cast<double>(high - low + 1);
    for (qint64 from = low - 1; from < high; from += kFillBatch) {
        for (sql::Statement &fill : fills) {
            sqlite3_reset(fill.get());
            fill.bind(1, from);
            fill.bind(2, from + kFillBatch);
            const int rc = fill.valid() ? fill.step() : fill.prepareCode();
            if (rc != SQLITE_DONE)
                return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("building the search index"));
        }
        if (progress && !progress(std::min(1.0, static_cast<double>(from + kFillBatch - low + 1) / span)))
            return fail(Code::Failure, QStringLiteral("the search index was not built"));
    }
    return {};
}

StoreError Table::buildSearchIndex(const std::function<bool(double)> &progress)
{
    if (StoreError e = checkOpen())
        return e;
    if (!m_schema.search().declared())
        return succeed();
    if (m_inTransaction || m_locked)
        return fail(Code::Failure, QStringLiteral("the search index is built outside a transaction"));
    if (StoreError e = begin(10))
        return e;
    StoreError e = makeSearchIndex(progress);
    if (!e)
        e = commit();
    if (e) {
        rollback();
        setLastError(e);
        return e;
    }
    discardBatches();
    return succeed();
}

StoreError Table::deferIndexUpkeep(SearchUpkeep search)
{
    if (StoreError e = checkOpen())
        return e;
    if (!m_inTransaction && !m_locked)
        return fail(Code::Failure, QStringLiteral("the index upkeep is deferred inside a transaction"));
    if (m_upkeepDeferred)
        return succeed();
    {
        sql::Statement last = prepare("SELECT ifnull(max(rid),0) FROM rec");
        if (!last.valid() || last.step() != SQLITE_ROW)
            return failSql(sqlite3_extended_errcode(db()), QStringLiteral("reading the last record"));
        m_upkeepFrom = last.int64(0);
    }
    m_searchFrom = m_upkeepFrom;
    m_searchAfterCommit = m_unit && search == SearchUpkeep::AfterCommit;
    // The mark tells the search triggers of the records still to index,
    // should they run before the catch-up; a search index to be built whole
    // has nothing to defer. A mark already in the file (a catch-up that
    // never ran) stays, and the catch-up starts there. Inside a unit of work
    // the triggers stay off for all its tables until they all catch up, and
    // a mark is written only by a table that gained records and leaves its
    // index until after the commit: a table the unit leaves alone is not
    // written at all.
    if (!m_unit && searchIndexState() == SearchIndexState::Ready) {
        if (StoreError e = markSearch(true))
            return e;
        // The catch-up's segments are merged sixteen at a time rather than
        // four: far less rewriting of a large batch's words.
        if (StoreError e = setSearchMerging(0))
            return e;
    }
    m_upkeepDeferred = true;
    setTriggers(false);
    return succeed();
}

StoreError Table::markSearch(bool write)
{
    sql::Statement read = prepare("SELECT ifnull(min(from_rid),-1) FROM s_defer");
    if (!read.valid() || read.step() != SQLITE_ROW)
        return failSql(sqlite3_extended_errcode(db()), QStringLiteral("reading the search index's mark"));
    const qint64 earlier = read.int64(0);
    if (earlier >= 0) {
        m_searchFrom = std::min(m_searchFrom, earlier);
        return {};
    }
    if (!write)
        return {};
    sql::Statement mark = prepare("INSERT INTO s_defer(from_rid) VALUES(?1)");
    mark.bind(1, m_searchFrom);
    if (!mark.valid() || mark.step() != SQLITE_DONE)
        return failSql(sqlite3_extended_errcode(db()), QStringLiteral("marking the search index"));
    return {};
}

StoreError Table::catchUpIndexUpkeep()
{
    if (StoreError e = checkOpen())
        return e;
    if (!m_upkeepDeferred)
        return succeed();
    // The triggers are the connection's: a unit's tables catch up together.
    if (m_unit)
        return m_unit->catchUpIndexUpkeep();
    return catchUpOwnUpkeep();
}

StoreError Table::catchUpOwnUpkeep()
{
    if (!m_upkeepDeferred)
        return succeed();
    // Whatever follows, this connection's writes run the triggers again.
    m_upkeepDeferred = false;
    setTriggers(true);
    qint64 last = 0;
    {
        sql::Statement read = prepare("SELECT ifnull(max(rid),0) FROM rec");
        if (!read.valid() || read.step() != SQLITE_ROW)
            return failSql(sqlite3_extended_errcode(db()), QStringLiteral("reading the last record"));
        last = read.int64(0);
    }
    const bool marked = !m_unit;
    if (last <= m_upkeepFrom && !marked)
        return succeed(); // nothing added: nothing to catch up, nothing written
    if (searchIndexState() == SearchIndexState::Ready) {
        if (!m_searchAfterCommit) {
            // A unit's table starts at a mark left by a catch-up that never ran.
            if (m_unit) {
                if (StoreError e = markSearch(false))
                    return e;
            }
            if (StoreError e = fillSearchIndexFrom(m_searchFrom))
                return e;
        } else {
            // A unit's records join the index after its commit, in a write
            // of their own per table (catchUpSearchIndex), beside the other
            // tables' and not on the unit's one connection. The mark commits
            // with the records: should the catch-up never run, the next
            // open of the file runs it.
            if (StoreError e = markSearch(true))
                return e;
            m_searchBehind = true;
        }
    }
    // Counts not kept in step (made under other rules, or not at all) are
    // made whole again when the file is next opened.
    for (const auto &ks : m_schema.keys()) {
        const auto k = static_cast<size_t>(ks.key->index);
        if (ks.countsTable.empty() || k >= m_countsReady.size() || !m_countsReady[k])
            continue;
        sql::Statement add = prepare(ks.countsCatchUpSql);
        add.bind(1, m_upkeepFrom);
        const int rc = add.valid() ? add.step() : add.prepareCode();
        if (rc != SQLITE_DONE)
            return failSql(sqlite3_extended_errcode(db()), QStringLiteral("bringing the key counts up to date"));
    }
    return succeed();
}

StoreError Table::fillSearchIndexFrom(qint64 from)
{
    // Inside the caller's write transaction, the index as declared: the
    // records after `from` join it and the mark goes.
    if (StoreError e = exec("DELETE FROM s_defer"))
        return e;
    if (StoreError e = setSearchMerging(0)) // sixteen segments at a time, as above
        return e;
    for (const auto &index : m_schema.search().indexes) {
        sql::Statement fill = prepare(index.fillSql);
        fill.bind(1, from);
        fill.bind(2, std::numeric_limits<qint64>::max());
        const int rc = fill.valid() ? fill.step() : fill.prepareCode();
        if (rc != SQLITE_DONE)
            return failSql(sqlite3_extended_errcode(db()), QStringLiteral("bringing the search index up to date"));
    }
    // Every other writer merges as usual, a little with each write.
    return setSearchMerging(kSearchMergingAsUsual);
}

int Table::catchUpLeftSearch(int waitMs)
{
    // The own connection alone, and nothing that reports: it may run on a
    // thread of its own beside other tables' (see catchUpSearchIndexes).
    if (!m_db || !m_schema.search().declared())
        return SQLITE_OK;
    const auto step = [this](const std::string &sql, const std::vector<qint64> &values) {
        sql::Statement st(m_db, sql);
        for (size_t i = 0; i < values.size(); ++i)
            st.bind(static_cast<int>(i) + 1, values[i]);
        const int rc = st.valid() ? st.step() : st.prepareCode();
        return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : sqlite3_extended_errcode(m_db);
    };
    const auto mark = [this] {
        sql::Statement read(m_db, "SELECT ifnull(min(from_rid),-1) FROM s_defer");
        return read.valid() && read.step() == SQLITE_ROW ? read.int64(0) : qint64(-1);
    };
    // No mark, or no index to bring up to date (a build makes it whole and
    // drops the mark): nothing to do, and no lock taken.
    if (mark() < 0 || searchIndexState() != SearchIndexState::Ready)
        return SQLITE_OK;
    const int ownWait = m_waitMs;
    sqlite3_busy_timeout(m_db, waitMs);
    int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        const qint64 from = mark(); // read again under the write lock
        if (from >= 0)
            rc = step("DELETE FROM s_defer", {});
        for (const auto &index : m_schema.search().indexes) {
            if (from < 0 || rc != SQLITE_OK)
                break;
            // Sixteen segments merged at a time while a batch's words go in.
            const std::string merging = "INSERT INTO " + index.table + "(" + index.table + ",rank) VALUES('automerge',?1)";
            rc = step(merging, {0});
            if (rc == SQLITE_OK)
                rc = step(index.fillSql, {from, std::numeric_limits<qint64>::max()});
            if (rc == SQLITE_OK)
                rc = step(merging, {kSearchMergingAsUsual});
        }
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            rc = sqlite3_extended_errcode(m_db);
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    // The table's own busy handler again.
    setWait(ownWait);
    return rc;
}

StoreError Table::catchUpSearchIndex()
{
    if (StoreError e = checkOpen())
        return e;
    if (m_unit || m_inTransaction || m_locked)
        return fail(Code::Failure, QStringLiteral("the search index catches up outside a transaction"));
    m_searchBehind = false;
    const int rc = catchUpLeftSearch(defaultWaitMs());
    if (rc != SQLITE_OK)
        return failSql(rc, QStringLiteral("bringing the search index up to date"));
    return succeed();
}

StoreError Table::catchUpSearchIndexes(const std::vector<Table *> &tables)
{
    // Each file on a thread of its own: the words of one table are indexed
    // while another's are.
    std::vector<Table *> behind;
    for (Table *t : tables) {
        if (t->m_searchBehind && t->m_db && !t->m_unit && !t->m_inTransaction && !t->m_locked)
            behind.push_back(t);
        t->m_searchBehind = false;
    }
    std::vector<int> codes(behind.size(), SQLITE_OK);
    std::vector<std::thread> threads;
    for (size_t i = 1; i < behind.size(); ++i)
        threads.emplace_back([&, i] { codes[i] = behind[i]->catchUpLeftSearch(defaultWaitMs()); });
    if (!behind.empty())
        codes[0] = behind[0]->catchUpLeftSearch(defaultWaitMs());
    for (std::thread &t : threads)
        t.join();
    for (size_t i = 0; i < behind.size(); ++i) {
        if (codes[i] != SQLITE_OK)
            return behind[i]->failSql(codes[i], QStringLiteral("bringing the search index up to date"));
    }
    return {};
}

StoreError Table::setSearchMerging(int segments)
{
    // Inside the writer's transaction: a roll-back takes it back too.
    for (const auto &index : m_schema.search().indexes) {
        sql::Statement set = prepare("INSERT INTO " + index.table + "(" + index.table + ",rank) VALUES('automerge',?1)");
        set.bind(1, static_cast<qint64>(segments));
        if (!set.valid() || set.step() != SQLITE_DONE)
            return failSql(sqlite3_extended_errcode(db()), QStringLiteral("setting the search index's merging"));
    }
    return succeed();
}

void Table::setTriggers(bool on)
{
    // Changing it makes SQLite prepare this connection's statements again,
    // with or without the triggers' work.
    sqlite3_db_config(db(), SQLITE_DBCONFIG_ENABLE_TRIGGER, on ? 1 : 0, nullptr);
}

QStringList Table::searchIndexFindings()
{
    // On the caller's connection, the file open: the index's own check
    // compares it word by word with the records.
    QStringList findings;
    const SearchIndexState state = searchIndexState();
    if (state == SearchIndexState::NotSearched)
        return findings;
    if (state == SearchIndexState::Missing) {
        findings << QStringLiteral("the search index is missing");
        return findings;
    }
    for (const auto &index : m_schema.search().indexes) {
        const std::string sql = "INSERT INTO " + index.table + "(" + index.table + ") VALUES('integrity-check')";
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            findings << QStringLiteral("the search index is damaged: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
    }
    return findings;
}

} // namespace tabulo::store

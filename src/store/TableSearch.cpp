// The search index a table file keeps beside its keys.
#include "store/Table.h"

#include <algorithm>
#include <limits>

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

StoreError Table::deferSearchIndex()
{
    if (StoreError e = checkOpen())
        return e;
    if (!m_inTransaction && !m_locked)
        return fail(Code::Failure, QStringLiteral("the search index is deferred inside a transaction"));
    if (searchIndexState() != SearchIndexState::Ready)
        return succeed(); // nothing to defer: no index, or one to be built whole
    if (StoreError e = exec("DELETE FROM s_defer"))
        return e;
    if (StoreError e = exec("INSERT INTO s_defer(from_rid) SELECT ifnull(max(rid),0) FROM rec"))
        return e;
    m_searchDeferred = true;
    return succeed();
}

StoreError Table::catchUpSearchIndex()
{
    return fillDeferredSearchIndex(false);
}

StoreError Table::advanceSearchIndex()
{
    if (!m_searchDeferred)
        return succeed();
    return fillDeferredSearchIndex(true);
}

StoreError Table::fillDeferredSearchIndex(bool stayDeferred)
{
    if (StoreError e = checkOpen())
        return e;
    if (searchIndexState() != SearchIndexState::Ready)
        return succeed();
    qint64 from = -1;
    {
        sql::Statement mark(m_db, "SELECT from_rid FROM s_defer");
        if (mark.valid() && mark.step() == SQLITE_ROW)
            from = mark.int64(0);
    }
    if (!stayDeferred)
        m_searchDeferred = false;
    if (from < 0)
        return succeed(); // not deferred
    qint64 to = std::numeric_limits<qint64>::max();
    if (stayDeferred) {
        // The records indexed now are kept in step by the triggers from
        // here on: the mark moves past them.
        sql::Statement last(m_db, "SELECT ifnull(max(rid),0) FROM rec");
        if (!last.valid() || last.step() != SQLITE_ROW)
            return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("reading for the search index"));
        to = last.int64(0);
        if (to <= from)
            return succeed();
        sql::Statement move(m_db, "UPDATE s_defer SET from_rid=?1");
        move.bind(1, to);
        if (!move.valid() || move.step() != SQLITE_DONE)
            return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("marking the search index"));
    } else if (StoreError e = exec("DELETE FROM s_defer")) {
        return e;
    }
    for (const auto &index : m_schema.search().indexes) {
        sql::Statement fill(m_db, index.fillSql);
        fill.bind(1, from);
        fill.bind(2, to);
        const int rc = fill.valid() ? fill.step() : fill.prepareCode();
        if (rc != SQLITE_DONE)
            return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("bringing the search index up to date"));
    }
    return succeed();
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

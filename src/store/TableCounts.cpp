// Counting records: the running counts a file keeps per key and category,
// the cursors' counts of a range (kept until the file is written), counts
// made on a connection of their own, and the file's change stamps.
#include "store/Table.h"

#include <QFile>

namespace tabulo::store {

sql::Statement &Cursor::countStatement()
{
    // Not a read direction: ids of reads stay below 8.
    const std::pair<sqlite3 *, int> id(m_table->db(), 8);
    auto it = m_statements.find(id);
    if (it != m_statements.end() && it->second->valid())
        return *it->second;
    if (countsFromFile()) {
        const std::string sql =
            "SELECT coalesce((SELECT n FROM " + m_table->schema().key(*m_key).countsTable + " WHERE v=?),0)";
        return *(m_statements[id] = &m_table->cached(sql));
    }
    std::string sql = "SELECT count(*) FROM rec";
    // Named, so the count stays an index scan over the range whatever the
    // filter names (the key's index holds every column the range compares).
    // An added key's index may be missing from a file that could not be
    // given it: the planner finds it when it is there.
    if (m_key && !m_key->added)
        sql += " INDEXED BY " + m_table->schema().key(*m_key).indexName;
    sql += whereClause({});
    return *(m_statements[id] = &m_table->cached(sql));
}

std::string Cursor::countSql()
{
    if (!m_table->isOpen())
        return {};
    sql::Statement &stmt = countStatement();
    return stmt.valid() ? std::string(sqlite3_sql(stmt.get())) : std::string();
}

StoreError Cursor::count(qint64 &records)
{
    records = 0;
    if (!m_table->isOpen())
        return m_table->fail(Code::Failure, QStringLiteral("the table is not open"));
    sql::Statement &stmt = countStatement();
    if (!stmt.valid())
        return m_table->failSql(stmt.prepareCode(), QStringLiteral("preparing a count"));
    // A count stays right until this connection or another station writes
    // to the file: switching back to a category just counted costs nothing.
    // Filtered counts depend on values the filter reads elsewhere and are
    // always made afresh.
    std::string cacheKey;
    qint64 dataVersion = 0;
    if (!m_filterBinder) {
        cacheKey = countCacheKey(sqlite3_sql(stmt.get()));
        dataVersion = m_table->dataVersion();
        if (keptCount(cacheKey, dataVersion, records))
            return m_table->succeed();
    }
    sql::ResetGuard guard(stmt);
    int p = bindRange(stmt, 1);
    if (m_filterBinder)
        p = m_filterBinder(stmt, p);
    const int rc = stmt.step();
    if (rc != SQLITE_ROW)
        return m_table->failSql(rc, QStringLiteral("counting"));
    records = stmt.int64(0);
    if (!cacheKey.empty() && dataVersion >= 0)
        m_table->m_counts[cacheKey] = {records, dataVersion, sqlite3_total_changes64(m_table->handle())};
    return m_table->succeed();
}

bool Cursor::countsFromFile() const
{
    return m_key && m_rangeKey.size() == 1 && m_filterSql.empty() && !m_filterBinder &&
           static_cast<size_t>(m_key->index) < m_table->m_countsReady.size() &&
           m_table->m_countsReady[static_cast<size_t>(m_key->index)];
}

bool Cursor::knownCount(qint64 &records)
{
    if (!m_table->isOpen() || m_filterBinder)
        return false;
    if (countsFromFile())
        return !count(records);
    sql::Statement &stmt = countStatement();
    if (!stmt.valid())
        return false;
    return keptCount(countCacheKey(sqlite3_sql(stmt.get())), m_table->dataVersion(), records);
}

std::string Cursor::countCacheKey(const char *sql) const
{
    std::string key = sql;
    for (const sql::Value &v : m_rangeKey) {
        key += '\x1f';
        key += std::holds_alternative<qint64>(v) ? std::to_string(std::get<qint64>(v)) : std::get<std::string>(v);
    }
    return key;
}

bool Cursor::keptCount(const std::string &key, qint64 version, qint64 &records) const
{
    const auto kept = m_table->m_counts.find(key);
    if (version < 0 || kept == m_table->m_counts.end() || kept->second.dataVersion != version ||
        kept->second.ownChanges != sqlite3_total_changes64(m_table->handle()))
        return false;
    records = kept->second.records;
    return true;
}

std::optional<Cursor::CountJob> Cursor::countJob()
{
    if (!m_table->isOpen() || m_filterBinder)
        return std::nullopt;
    sql::Statement &stmt = countStatement();
    if (!stmt.valid())
        return std::nullopt;
    CountJob job;
    job.file = m_table->filePath();
    job.sql = sqlite3_sql(stmt.get());
    job.params = m_rangeKey;
    job.cacheKey = countCacheKey(job.sql.c_str());
    job.dataVersion = m_table->dataVersion();
    job.ownChanges = sqlite3_total_changes64(m_table->handle());
    return job;
}

void Cursor::keepCount(const CountJob &job, qint64 records)
{
    if (!m_table->isOpen() || job.dataVersion < 0 || m_table->dataVersion() != job.dataVersion ||
        sqlite3_total_changes64(m_table->handle()) != job.ownChanges)
        return;
    m_table->m_counts[job.cacheKey] = {records, job.dataVersion, job.ownChanges};
}

StoreError Cursor::CountJob::run(qint64 &records) const
{
    records = 0;
    StoreError e;
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, Table::defaultWaitMs());
        sql::Statement stmt(db, sql);
        if (!stmt.valid()) {
            rc = stmt.prepareCode();
        } else {
            int p = 1;
            for (const sql::Value &v : params)
                stmt.bind(p++, v);
            rc = stmt.step();
            if (rc == SQLITE_ROW) {
                records = stmt.int64(0);
                rc = SQLITE_OK;
            }
        }
    }
    if (rc != SQLITE_OK) {
        e.code = Code::Failure;
        e.text = QStringLiteral("counting: ") + QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    }
    sqlite3_close_v2(db);
    return e;
}

Table::ChangeStamp Table::changeStamp()
{
    if (!m_db)
        return {};
    return {dataVersion(), sqlite3_total_changes64(m_db)};
}

qint64 Table::dataVersion()
{
    // Changes when another connection commits to the file.
    if (!m_dataVersion.valid())
        m_dataVersion = sql::Statement(m_db, "PRAGMA data_version");
    if (!m_dataVersion.valid())
        return -1;
    sql::ResetGuard guard(m_dataVersion);
    return m_dataVersion.step() == SQLITE_ROW ? m_dataVersion.int64(0) : -1;
}

StoreError Table::remakeCounts(const TableSchema::KeySchema &ks)
{
    const std::string &n = ks.countsTable;
    for (const std::string &drop : {"DROP TRIGGER IF EXISTS " + n + "_add", "DROP TRIGGER IF EXISTS " + n + "_take",
                                    "DROP TRIGGER IF EXISTS " + n + "_move", "DROP TABLE IF EXISTS " + n}) {
        if (StoreError e = exec(drop.c_str()))
            return e;
    }
    for (const std::string &make : ks.countsCreateSql) {
        if (StoreError e = exec(make.c_str()))
            return e;
    }
    return {};
}

void Table::ensureCounts()
{
    m_countsReady.assign(m_schema.keys().size(), false);
    std::map<std::string, std::string> present;
    {
        sql::Statement list(m_db, "SELECT name,sql FROM sqlite_master WHERE name LIKE 'n\\_%' ESCAPE '\\'");
        while (list.valid() && list.step() == SQLITE_ROW)
            present[list.text(0)] = list.text(1);
    }
    std::vector<const TableSchema::KeySchema *> missing;
    std::vector<const TableSchema::KeySchema *> missingKeys;
    {
        sql::Statement list(m_db, "SELECT name,sql FROM sqlite_master WHERE type='index' AND tbl_name='rec'");
        std::map<std::string, std::string> indexes;
        while (list.valid() && list.step() == SQLITE_ROW)
            indexes[list.text(0)] = list.text(1);
        for (const auto &ks : m_schema.keys()) {
            if (!ks.key->added)
                continue;
            auto it = indexes.find(ks.indexName);
            if (it == indexes.end() || it->second != ks.createSql)
                missingKeys.push_back(&ks);
        }
    }
    for (const auto &ks : m_schema.keys()) {
        if (ks.countsTable.empty())
            continue;
        const std::string &n = ks.countsTable;
        const std::vector<std::string> names{n, n + "_add", n + "_take", n + "_move"};
        bool same = true;
        for (size_t i = 0; i < names.size(); ++i) {
            auto it = present.find(names[i]);
            same = same && it != present.end() && it->second == ks.countsCreateSql[i];
        }
        if (same)
            m_countsReady[static_cast<size_t>(ks.key->index)] = true;
        else
            missing.push_back(&ks);
    }
    if (missing.empty() && missingKeys.empty())
        return;
    // A file made before the counts or the added keys were kept, or by a
    // program that keeps others: made once, for every station. A busy or
    // read-only file keeps counting by key, and reads in an added key's
    // order without its index.
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return;
    for (const TableSchema::KeySchema *ks : missingKeys) {
        const std::string drop = "DROP INDEX IF EXISTS " + ks->indexName;
        if (exec(drop.c_str()) || exec(ks->createSql.c_str())) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return;
        }
    }
    for (const TableSchema::KeySchema *ks : missing) {
        if (remakeCounts(*ks)) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return;
        }
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return;
    }
    for (const TableSchema::KeySchema *ks : missing)
        m_countsReady[static_cast<size_t>(ks->key->index)] = true;
    succeed();
}

qint64 Table::records()
{
    if (!m_db)
        return 0;
    sql::Statement &stmt = cached("SELECT count(*) FROM rec");
    sql::ResetGuard guard(stmt);
    return stmt.step() == SQLITE_ROW ? stmt.int64(0) : 0;
}


} // namespace tabulo::store

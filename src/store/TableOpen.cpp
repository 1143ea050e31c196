// Making, opening and closing a table file, and the checks an open makes
// before it trusts the file: ours, whole, writable, laid out and keyed as
// declared.
#include "store/Table.h"

#include "store/UnitOfWork.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tabulo::store {

namespace {

constexpr qint64 kApplicationId = 0x5441424C; // "TABL": marks our table files

quint32 bigEndian(const unsigned char *p, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace

StoreError Table::create()
{
    if (m_db)
        return fail(Code::AlreadyOpen);
    const QString path = filePath();
    if (QFileInfo::exists(path))
        return fail(Code::Failure, QStringLiteral("the file already exists"));
    // A directory that is there but may not be written says so, rather than
    // what SQLite's attempts at the file leave behind.
    if (QFileInfo(m_directory).isDir()
        && ::access(QFile::encodeName(m_directory).constData(), W_OK | X_OK) != 0) {
        StoreError e;
        e.code = Code::SystemError;
        e.osCode = errno;
        e.osText = QString::fromLocal8Bit(std::strerror(e.osCode));
        e.text = codeText(Code::SystemError) + QStringLiteral(": creating in ") + m_directory;
        e.file = fileName();
        setLastError(e);
        return e;
    }
    // Build the new file under a temporary name and move it into place, so a
    // failed creation never leaves a half-made table behind.
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    sqlite3 *db = nullptr;
    auto abandon = [&](int code) {
        m_db = db;
        StoreError e = failSql(code, QStringLiteral("creating"));
        m_db = nullptr;
        sqlite3_close_v2(db);
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        return e;
    };
    const int rc = createFileAt(temp, m_schema, &db);
    if (rc != SQLITE_OK)
        return abandon(rc);
    sqlite3_close_v2(db);
    if (QFileInfo::exists(path) || !QFile::rename(temp, path)) {
        QFile::remove(temp);
        StoreError e;
        e.code = Code::SystemError;
        e.osCode = EEXIST;
        e.osText = QString::fromLocal8Bit(std::strerror(EEXIST));
        e.text = codeText(Code::SystemError);
        e.file = fileName();
        setLastError(e);
        return e;
    }
    return succeed();
}

int Table::createFileAt(const QString &path, const TableSchema &schema, sqlite3 **out)
{
    sqlite3 *&db = *out;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_extended_result_codes(db, 1);
    std::string script = "PRAGMA journal_mode=DELETE;PRAGMA application_id=" + std::to_string(kApplicationId)
                         + ";BEGIN;";
    for (const std::string &s : schema.createStatements())
        script += s + ";";
    script += "COMMIT;";
    rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sql::Statement meta(db, "INSERT INTO meta(name,value) VALUES('layout',?)");
        meta.bind(1, std::string_view(schema.signature()));
        rc = meta.valid() ? meta.step() : meta.prepareCode();
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    return rc == SQLITE_OK ? rc : sqlite3_extended_errcode(db);
}

StoreError Table::open()
{
    if (m_db)
        return fail(Code::AlreadyOpen);
    const QString path = filePath();
    const QFileInfo info(path);
    if (!info.exists())
        return fail(Code::NoFile, path);
    if (!info.isFile())
        return fail(Code::BadLayout, QStringLiteral("not a table file"));
    // SQLite opens a file it may not write read-only without a word, and a
    // folder it may not write leaves it no room for its journal: either way
    // every later save would fail. Said here, the table is not used at all.
    if (StoreError e = checkWritable())
        return e;

    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        StoreError e = failSql(rc, QStringLiteral("opening"));
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return e;
    }
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return failWritable(EACCES, path);
    }
    // Rollback journal, not WAL: the directory may be a network share.
    sqlite3_extended_result_codes(m_db, 1);
    setWait(m_recoverSeconds > 0 ? m_recoverSeconds * 1000 : defaultWaitMs());
    m_recoverSeconds = 0;
    StoreError e = verifyFile();
    if (e) {
        forgetOwnStatements();
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        setLastError(e);
        return e;
    }
    setWait(defaultWaitMs());
    ensureCounts();
    // Records a writer stored but did not get to index (it was stopped
    // between its commit and the catch-up): indexed now, unless another
    // station writes the file at this moment (then a later open does it).
    catchUpLeftSearch(0);
    removeAbandonedInserts();
    m_currentRid = 0;
    m_watching = false;
    return succeed();
}

StoreError Table::failWritable(int osCode, const QString &what)
{
    StoreError e;
    e.code = Code::SystemError;
    e.osCode = osCode;
    e.osText = QString::fromLocal8Bit(std::strerror(osCode));
    e.text = codeText(Code::SystemError) + QStringLiteral(": cannot write ") + what;
    e.file = fileName();
    setLastError(e);
    return e;
}

StoreError Table::checkWritable()
{
    const QString path = filePath();
    if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return failWritable(errno, path);
    const QString folder = QFileInfo(path).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return failWritable(errno, folder);
    return {};
}

StoreError Table::verifyFile()
{
    // Everything is checked inside one read transaction: its shared lock
    // keeps other stations from committing meanwhile, so the file's header
    // and size agree with what the checks read.
    int rc = sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return failSql(rc, QStringLiteral("opening"));
    struct EndRead
    {
        sqlite3 *db;
        ~EndRead() { sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr); }
    } endRead{m_db};

    {
        sql::Statement id(m_db, "PRAGMA application_id");
        if (!id.valid())
            return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("reading the file header"));
        rc = id.step();
        if (rc != SQLITE_ROW) {
            // A file SQLite finds malformed before any key is read is no
            // table of ours (cut short, or foreign).
            const int code = sqlite3_extended_errcode(m_db);
            if ((code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB)
                return fail(Code::BadLayout, QStringLiteral("the file is damaged or not a table file"));
            return failSql(code, QStringLiteral("reading the file header"));
        }
        if (id.int64(0) != kApplicationId)
            return fail(Code::BadLayout, QStringLiteral("not a table file of this program"));
    }

    // The header's page count must fit the file: a cut-off file is no table.
    // Read through SQLite's own handle: opening and closing another handle on
    // the file would drop the process's locks on it, the shared lock of this
    // read among them.
    sqlite3_file *handle = nullptr;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &handle) != SQLITE_OK || !handle ||
        !handle->pMethods)
        return fail(Code::SystemError, QStringLiteral("the file cannot be read"));
    unsigned char h[100] = {};
    sqlite3_int64 size = 0;
    if (handle->pMethods->xRead(handle, h, sizeof h, 0) != SQLITE_OK ||
        handle->pMethods->xFileSize(handle, &size) != SQLITE_OK ||
        std::memcmp(h, "SQLite format 3", 16) != 0)
        return fail(Code::BadLayout, QStringLiteral("not a table file"));
    qint64 pageSize = bigEndian(h + 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    const qint64 pages = bigEndian(h + 28, 4);
    const bool pagesValid = bigEndian(h + 24, 4) == bigEndian(h + 92, 4);
    if (pageSize < 512 || size % pageSize != 0 || (pagesValid && pages * pageSize > size))
        return fail(Code::BadLayout, QStringLiteral("the file is cut short"));

    // The declared layout.
    {
        sql::Statement meta(m_db, "SELECT value FROM meta WHERE name='layout'");
        if (!meta.valid() || meta.step() != SQLITE_ROW || meta.text(0) != m_schema.signature())
            return fail(Code::BadLayout, QStringLiteral("the record layout differs from the declared one"));
    }
    {
        sql::Statement info(m_db, "PRAGMA table_info(rec)");
        std::vector<std::pair<std::string, std::string>> columns;
        while (info.valid() && info.step() == SQLITE_ROW)
            columns.emplace_back(info.text(1), info.text(2));
        std::vector<std::pair<std::string, std::string>> expected{{"rid", "INTEGER"}, {"ver", "INTEGER"}};
        expected.insert(expected.end(), m_schema.columns().begin(), m_schema.columns().end());
        if (columns != expected)
            return fail(Code::BadLayout, QStringLiteral("the record layout differs from the declared one"));
    }

    // The keys: each index present as declared and readable at both ends.
    std::map<std::string, std::string> indexes;
    {
        sql::Statement list(m_db, "SELECT name,sql FROM sqlite_master WHERE type='index' AND tbl_name='rec'");
        while (list.valid() && list.step() == SQLITE_ROW)
            indexes[list.text(0)] = list.text(1);
    }
    for (const auto &ks : m_schema.keys()) {
        if (ks.key->added)
            continue; // made after the checks when missing (ensureCounts)
        auto it = indexes.find(ks.indexName);
        if (it == indexes.end() || it->second != ks.createSql)
            return fail(Code::InvalidKeys, QStringLiteral("key %1 is missing or differs").arg(ks.key->label));
        for (const std::string &order : {ks.orderAsc, ks.orderDesc}) {
            std::string probe = "SELECT rid FROM rec INDEXED BY " + ks.indexName;
            if (!ks.emptyCondition.empty())
                probe += " WHERE " + ks.emptyCondition;
            probe += " ORDER BY " + order + " LIMIT 1";
            sql::Statement stmt(m_db, probe);
            rc = stmt.valid() ? stmt.step() : stmt.prepareCode();
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
                    return failSql(rc, QStringLiteral("opening"));
                if ((rc & 0xff) == SQLITE_NOTADB)
                    return fail(Code::BadLayout, QStringLiteral("not a table file"));
                return fail(Code::InvalidKeys, QStringLiteral("key %1 is damaged").arg(ks.key->label));
            }
        }
    }
    return {};
}

void Table::close()
{
    if (!m_db)
        return;
    if (m_inTransaction || m_locked)
        rollback();
    // A unit's connection never keeps a file whose table is closed: a
    // repair may put another file in its place.
    if (m_jointHome)
        m_jointHome->forget(*this);
    for (Cursor *c : m_cursors)
        c->detach();
    m_cache.clear();
    m_dataVersion = sql::Statement();
    m_counts.clear();
    m_countsReady.clear();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_currentRid = 0;
    m_watching = false;
}

StoreError Table::send(const QString &option)
{
    const QString name = option.section(QLatin1Char('='), 0, 0).trimmed();
    const QString value = option.section(QLatin1Char('='), 1).trimmed();
    if (name.compare(QStringLiteral("Recover"), Qt::CaseInsensitive) == 0) {
        bool ok = false;
        const int seconds = value.toInt(&ok);
        if (!ok || seconds < 0)
            return fail(Code::Failure, QStringLiteral("bad option ") + option);
        // A lock left by a dead station is gone with its process; the next
        // open waits this long for a live one to let go, and rolls back any
        // interrupted write it finds.
        m_recoverSeconds = seconds;
        return succeed();
    }
    if (name.compare(QStringLiteral("QUICKSCAN"), Qt::CaseInsensitive) == 0) {
        if (value.compare(QStringLiteral("on"), Qt::CaseInsensitive) == 0
            || value.compare(QStringLiteral("off"), Qt::CaseInsensitive) == 0)
            return succeed();
    }
    return fail(Code::Failure, QStringLiteral("unknown option ") + option);
}


} // namespace tabulo::store

#include "store/Table.h"

#include "store/UnitOfWork.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <iterator>
#include <cerrno>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace tabulo::store {

namespace {

constexpr qint64 kApplicationId = 0x5441424C; // "TABL": marks our table files
const char kExtension[] = ".db";
std::atomic<int> s_defaultWaitMs{5000};
std::mutex s_waitListenerMutex;
Table::WaitListener s_waitListener;

quint32 bigEndian(const unsigned char *p, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace

Table::Table(const TableDef &def, QString directory)
    : m_def(&def)
    , m_schema(def)
    , m_directory(std::move(directory))
    , m_record(def)
    , m_fileName(fileNameFor(def))
{
    m_cursor = std::make_unique<Cursor>(*this);
}

Table::~Table()
{
    close();
    m_cursor.reset();
}

void Table::setDefaultWaitMs(int ms)
{
    s_defaultWaitMs = ms;
}

int Table::defaultWaitMs()
{
    return s_defaultWaitMs;
}

QString Table::fileNameFor(const TableDef &def)
{
    return def.fileName.contains(QLatin1Char('.')) ? def.fileName
                                                   : def.fileName + QString::fromLatin1(kExtension);
}

QString Table::fileName() const
{
    return m_fileName;
}

QString Table::filePath() const
{
    return QDir(m_directory).filePath(fileName());
}

QString Table::codeText(int code)
{
    switch (code) {
    case Code::Ok:
        return QStringLiteral("No Error");
    case Code::NoFile:
        return QStringLiteral("File Not Found");
    case Code::Locked:
        return QStringLiteral("File Is Locked");
    case Code::EndOfFile:
        return QStringLiteral("Record Not Available");
    case Code::NotFound:
        return QStringLiteral("Record Not Found");
    case Code::DuplicateKey:
        return QStringLiteral("Creates Duplicate Key");
    case Code::InvalidKeys:
        return QStringLiteral("Keys Must Be Rebuilt");
    case Code::BadLayout:
        return QStringLiteral("Invalid Record Declaration");
    case Code::AlreadyOpen:
        return QStringLiteral("File Already Open");
    case Code::ChangedElsewhere:
        return QStringLiteral("Record Changed By Another Station");
    case Code::SystemError:
        return QStringLiteral("Operating System Error");
    default:
        return QStringLiteral("Store Failure");
    }
}

StoreError Table::succeed()
{
    StoreError e;
    e.file = fileName();
    setLastError(e);
    return e;
}

StoreError Table::fail(int code, const QString &detail)
{
    StoreError e;
    e.code = code;
    e.text = codeText(code);
    if (!detail.isEmpty() && code != Code::EndOfFile && code != Code::NotFound)
        e.text += QStringLiteral(": ") + detail;
    e.file = fileName();
    if (code == Code::DuplicateKey && m_duplicated)
        e.key = m_duplicated->messageName;
    setLastError(e);
    return e;
}

StoreError Table::failSql(int rc, const QString &what)
{
    const int primary = rc & 0xff;
    const QString message = db() ? QString::fromUtf8(sqlite3_errmsg(db())) : QString::fromUtf8(sqlite3_errstr(rc));
    const QString detail = what + QStringLiteral(" (") + message + QLatin1Char(')');
    switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return fail(Code::Locked, detail);
    case SQLITE_CONSTRAINT:
        if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
            m_duplicated = findDuplicate(m_writingRid);
            return fail(Code::DuplicateKey, m_duplicated ? m_duplicated->messageName : QString());
        }
        return fail(Code::Failure, detail);
    case SQLITE_NOTADB:
        return fail(Code::BadLayout, detail);
    case SQLITE_CORRUPT:
        return fail(Code::InvalidKeys, detail);
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_FULL:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_NOLFS: {
        StoreError e;
        e.code = Code::SystemError;
        e.text = codeText(Code::SystemError) + QStringLiteral(": ") + detail;
        e.osCode = db() ? sqlite3_system_errno(db()) : errno;
        if (e.osCode == 0 && primary == SQLITE_FULL)
            e.osCode = ENOSPC;
        e.osText = e.osCode ? QString::fromLocal8Bit(std::strerror(e.osCode)) : message;
        e.file = fileName();
        setLastError(e);
        return e;
    }
    default:
        return fail(Code::Failure, detail);
    }
}

void Table::setWait(int ms)
{
    m_waitMs = ms;
    if (m_db)
        sqlite3_busy_handler(m_db, &Table::busyWait, this);
}

void Table::setWaitListener(WaitListener listener)
{
    std::lock_guard lock(s_waitListenerMutex);
    s_waitListener = std::move(listener);
}

int Table::busyWait(void *table, int count)
{
    auto *t = static_cast<Table *>(table);
    if (count == 0) {
        WaitListener listener;
        {
            std::lock_guard lock(s_waitListenerMutex);
            listener = s_waitListener;
        }
        if (listener)
            listener(*t, t->m_waitMs);
    }
    // The wait is measured on the clock, not by adding up the sleeps (a
    // loaded machine oversleeps). The file is tried again every few
    // milliseconds: a station that writes one record after another frees
    // its lock only for moments, and a waiter that looked only every tenth
    // of a second could miss every one of them until its wait ran out.
    thread_local std::chrono::steady_clock::time_point began;
    const auto now = std::chrono::steady_clock::now();
    if (count == 0)
        began = now;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - began).count();
    static constexpr int kSteps[] = {1, 1, 2, 2, 3, 4};
    static constexpr int kStepCount = int(std::size(kSteps));
    const int step = std::min<qint64>(kSteps[std::min(count, kStepCount - 1)], t->m_waitMs - waited);
    if (step <= 0)
        return 0;
    sqlite3_sleep(step);
    return 1;
}

StoreError Table::exec(const char *sql)
{
    const int rc = m_joint ? sqlite3_exec(m_joint, sql::qualify(sql, m_schemaName).c_str(), nullptr, nullptr, nullptr)
                           : sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return failSql(sqlite3_extended_errcode(db()), QString::fromLatin1(sql));
    return succeed();
}

sql::Statement Table::prepare(const std::string &sql) const
{
    if (m_joint)
        return sql::Statement(m_joint, sql::qualify(sql, m_schemaName));
    return sql::Statement(m_db, sql);
}

void Table::forgetOwnStatements()
{
    for (Cursor *c : m_cursors)
        c->forgetStatementsOn(m_db);
    m_cache.clear();
}

void Table::forgetJointStatements(sqlite3 *joint)
{
    m_jointCache.clear();
    for (Cursor *c : m_cursors)
        c->forgetStatementsOn(joint);
}

sql::Statement &Table::cached(const std::string &sql)
{
    if (m_joint) {
        auto it = m_jointCache.find(sql);
        if (it != m_jointCache.end() && !it->second.valid())
            it->second = prepare(sql);
        if (it == m_jointCache.end())
            it = m_jointCache.emplace(sql, prepare(sql)).first;
        return it->second;
    }
    auto it = m_cache.find(sql);
    // One that could not be prepared before (a lock held while the schema
    // was read) is prepared again, not kept failing.
    if (it != m_cache.end() && !it->second.valid())
        it->second = sql::Statement(m_db, sql);
    if (it == m_cache.end())
        it = m_cache.emplace(sql, sql::Statement(m_db, sql)).first;
    return it->second;
}

StoreError Table::checkOpen()
{
    if (!m_db)
        return fail(Code::Failure, QStringLiteral("the table is not open"));
    return {};
}

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

StoreError Table::rebuildKeys()
{
    // The rebuild works on a connection of its own: a table whose keys are
    // damaged does not open. The table's own connection, if open, closes.
    close();
    m_repair = {};
    m_sideMade = false;
    if (!QFileInfo::exists(filePath()))
        return fail(Code::NoFile);
    const QString side = datedSibling(QStringLiteral("duplicates"));
    const bool sideExisted = QFileInfo::exists(side);
    m_repair.sideFile = side;
    StoreError e = withOwnConnection([this, sideExisted] {
        // First the gentle way: drop and recreate every index.
        StoreError r = attachSide();
        if (!r)
            r = exec("BEGIN EXCLUSIVE");
        if (r)
            return r;
        r = makeKeys(true);
        if (!r)
            r = exec("COMMIT");
        if (r) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            m_repair.setAside = 0;
        }
        detachSide(sideExisted);
        return r;
    });
    if (e.code == Code::InvalidKeys)
        e = rebuildByCopy();
    if (!m_repair.setAside)
        m_repair.sideFile.clear();
    if (e)
        return e;
    return succeed();
}

StoreError Table::makeKeys(bool dropFirst)
{
    // Every key anew: duplicates of a unique key set aside first, then the
    // index, then the running counts it keeps.
    for (const auto &ks : m_schema.keys()) {
        StoreError r;
        if (dropFirst) {
            const std::string drop = "DROP INDEX IF EXISTS " + ks.indexName;
            r = exec(drop.c_str());
        }
        if (!r)
            r = setAsideDuplicates(ks);
        if (!r)
            r = exec(ks.createSql.c_str());
        if (!r && !ks.countsTable.empty())
            r = remakeCounts(ks);
        if (r)
            return r;
    }
    if (m_schema.search().declared())
        return makeSearchIndex({});
    return {};
}

StoreError Table::withOwnConnection(const std::function<StoreError()> &work)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(filePath()).constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    StoreError e;
    if (rc != SQLITE_OK) {
        e = failSql(rc, QStringLiteral("opening for the key rebuild"));
    } else {
        sqlite3_extended_result_codes(m_db, 1);
        setWait(defaultWaitMs());
        e = work();
    }
    forgetOwnStatements();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    return e;
}

StoreError Table::rebuildByCopy()
{
    // An index too damaged to drop: take every index out of the schema, let
    // VACUUM rewrite the file from the records alone (it never reads the
    // indexes), then build the indexes anew. The file keeps its identity,
    // so other stations that have it open go on using the same file.
    StoreError e = withOwnConnection([this] {
        StoreError r = exec("PRAGMA writable_schema=ON");
        if (!r)
            r = exec("BEGIN EXCLUSIVE");
        if (r)
            return r;
        r = exec("DELETE FROM sqlite_master WHERE type='index' AND tbl_name='rec'");
        if (r) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return r;
        }
        return exec("COMMIT");
    });
    if (e)
        return e;
    const bool sideExisted = QFileInfo::exists(m_repair.sideFile);
    return withOwnConnection([this, sideExisted] {
        StoreError r = exec("VACUUM");
        if (!r)
            r = attachSide();
        if (!r)
            r = exec("BEGIN EXCLUSIVE");
        if (r) {
            detachSide(sideExisted);
            return r;
        }
        r = makeKeys(false);
        if (!r)
            r = exec("COMMIT");
        if (r) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            m_repair.setAside = 0;
        }
        detachSide(sideExisted);
        return r;
    });
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

namespace tabulo::store {
namespace {
// Taking the saved error for a message rolls back open transactions.
const bool s_rollbackHooked = (setRollbackHook(&Table::rollbackAll), true);
} // namespace
} // namespace tabulo::store

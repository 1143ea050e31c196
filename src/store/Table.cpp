// A table's connection: its statements (kept per connection), its waits
// for other stations' locks, and the conditions its operations report.
#include "store/Table.h"

#include <QDir>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iterator>
#include <mutex>

namespace tabulo::store {

namespace {

const char kExtension[] = ".db";
std::atomic<int> s_defaultWaitMs{5000};
std::mutex s_waitListenerMutex;
Table::WaitListener s_waitListener;

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

} // namespace tabulo::store

namespace tabulo::store {
namespace {
// Taking the saved error for a message rolls back open transactions.
const bool s_rollbackHooked = (setRollbackHook(&Table::rollbackAll), true);
} // namespace
} // namespace tabulo::store

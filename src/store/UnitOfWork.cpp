#include "store/UnitOfWork.h"

#include "store/Table.h"

#include <QFile>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace tabulo::store {

namespace {

// Each thread's joint connections, by data directory.
std::mutex s_jointsMutex;
std::map<std::pair<std::thread::id, QString>, std::unique_ptr<JointConnection>> s_joints;

bool byFileName(const Table *a, const Table *b)
{
    return a->filePath() < b->filePath();
}

// The write lock of a file, taken without writing anything: SQLite starts
// a write transaction on the file for any UPDATE, whatever its WHERE says.
constexpr const char *kTakeWriteLock = "UPDATE meta SET value=value WHERE 0";

// Whether another connection keeps this file from being read now.
bool lockedElsewhere(const Table &table)
{
    sqlite3 *db = nullptr;
    bool locked = false;
    if (sqlite3_open_v2(QFile::encodeName(table.filePath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        const int rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        locked = (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
    }
    sqlite3_close_v2(db);
    return locked;
}

} // namespace

// ---------------------------------------------------------------- JointConnection

JointConnection::~JointConnection()
{
    closeAll();
}

StoreError JointConnection::forTables(const std::vector<Table *> &tables, int waitMs, JointConnection *&joint)
{
    const QString directory = tables.front()->m_directory;
    {
        std::lock_guard lock(s_jointsMutex);
        auto &slot = s_joints[{std::this_thread::get_id(), directory}];
        if (!slot) {
            slot.reset(new JointConnection);
            slot->m_directory = directory;
        }
        joint = slot.get();
    }
    std::vector<Table *> missing;
    for (Table *t : tables)
        if (std::find(joint->m_attached.begin(), joint->m_attached.end(), t) == joint->m_attached.end())
            missing.push_back(t);
    if (missing.empty())
        return {};
    std::sort(missing.begin(), missing.end(), byFileName);
    // Files are attached in name order, the first as the main database: the
    // commit then locks them in that order, as every unit's begin does.
    if (!joint->m_attached.empty() && byFileName(missing.front(), joint->m_attached.back())) {
        missing.insert(missing.end(), joint->m_attached.begin(), joint->m_attached.end());
        std::sort(missing.begin(), missing.end(), byFileName);
        joint->closeAll();
    }
    return joint->attach(missing, waitMs);
}

StoreError JointConnection::attach(const std::vector<Table *> &sorted, int waitMs)
{
    // Attaching reads the files' layouts: it waits for other stations as
    // the unit's begin does.
    if (m_db)
        sqlite3_busy_timeout(m_db, waitMs);
    for (Table *t : sorted) {
        std::string name;
        if (!m_db) {
            const int rc = sqlite3_open_v2(QFile::encodeName(t->filePath()).constData(), &m_db,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
            if (rc != SQLITE_OK) {
                sqlite3_close_v2(m_db);
                m_db = nullptr;
                return t->fail(Code::SystemError, QStringLiteral("opening the file for a change over several tables"));
            }
            sqlite3_extended_result_codes(m_db, 1);
            // A statement sets aside the pages it changes until it ends, so
            // that a failing one can be undone alone: in memory, rather than
            // in a temporary file written page by page. It can only be set
            // outside a transaction, so here, once for the connection.
            sqlite3_exec(m_db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
            name = "main";
            sqlite3_busy_timeout(m_db, waitMs);
        } else {
            name = t->def().name.toLower().toStdString();
            for (int n = 2; std::any_of(m_attached.begin(), m_attached.end(),
                                        [&name](const Table *a) { return a->m_schemaName == name; });
                 ++n)
                name = t->def().name.toLower().toStdString() + "_" + std::to_string(n);
            sql::Statement attachFile(m_db, "ATTACH DATABASE ?1 AS " + sql::quoteIdentifier(name));
            attachFile.bind(1, QFile::encodeName(t->filePath()).toStdString());
            const int rc = attachFile.valid() ? attachFile.step() : attachFile.prepareCode();
            if (rc != SQLITE_DONE) {
                const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
                if ((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED)
                    return t->fail(Code::SystemError, QStringLiteral("attaching the file for a change over several "
                                                                     "tables: ")
                                                          + why);
                // Another station keeps out this file or the main one.
                Table &locked = lockedElsewhere(*t) || m_attached.empty() ? *t : *m_attached.front();
                return locked.fail(Code::Locked, QStringLiteral("the change could not begin within %1 seconds")
                                                     .arg(waitMs / 1000));
            }
        }
        t->m_schemaName = name;
        t->m_jointHome = this;
        m_attached.push_back(t);
    }
    return {};
}

void JointConnection::closeAll()
{
    for (Table *t : m_attached) {
        t->forgetJointStatements(m_db);
        t->m_jointHome = nullptr;
        t->m_schemaName.clear();
    }
    m_attached.clear();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void JointConnection::forget(Table &table)
{
    const auto it = std::find(m_attached.begin(), m_attached.end(), &table);
    if (it == m_attached.end())
        return;
    if (it != m_attached.begin()) {
        table.forgetJointStatements(m_db);
        const std::string detach = "DETACH DATABASE " + sql::quoteIdentifier(table.m_schemaName);
        sqlite3_exec(m_db, detach.c_str(), nullptr, nullptr, nullptr);
        table.m_jointHome = nullptr;
        table.m_schemaName.clear();
        m_attached.erase(it);
        return;
    }
    // The main file goes: so does the connection.
    closeAll();
    std::unique_ptr<JointConnection> self;
    std::lock_guard lock(s_jointsMutex);
    for (auto j = s_joints.begin(); j != s_joints.end(); ++j) {
        if (j->second.get() == this) {
            self = std::move(j->second);
            s_joints.erase(j);
            break;
        }
    }
    // `self` deletes this connection object on return.
}

// ---------------------------------------------------------------- UnitOfWork

UnitOfWork::UnitOfWork(std::vector<Table *> tables)
{
    for (Table *t : tables)
        if (t && std::find(m_tables.begin(), m_tables.end(), t) == m_tables.end())
            m_tables.push_back(t);
    std::sort(m_tables.begin(), m_tables.end(), byFileName);
}

UnitOfWork::~UnitOfWork()
{
    // Left without a commit (a failure on the way out): nothing of it stays,
    // nor of the unit it joined.
    rollback();
}

StoreError UnitOfWork::begin(int waitSeconds)
{
    if (m_tables.empty())
        return {};
    Table &first = *m_tables.front();
    if (m_active)
        return first.fail(Code::Failure, QStringLiteral("the change has begun already"));
    for (Table *t : m_tables)
        if (StoreError e = t->checkOpen())
            return e;

    UnitOfWork *outer = first.m_unit;
    if (outer && std::all_of(m_tables.begin(), m_tables.end(), [outer](const Table *t) { return t->m_unit == outer; })) {
        m_joined = true;
        m_active = true;
        return first.succeed();
    }
    for (Table *t : m_tables)
        if (t->m_unit || t->m_inTransaction || t->m_locked)
            return t->fail(Code::Failure, QStringLiteral("a transaction is already open"));

    if (m_tables.size() == 1) {
        StoreError e = first.begin(waitSeconds);
        if (e.ok()) {
            m_own = &first;
            m_active = true;
        }
        return e;
    }

    JointConnection *joint = nullptr;
    if (StoreError e = JointConnection::forTables(m_tables, std::max(0, waitSeconds) * 1000, joint))
        return e;
    m_db = joint->db();
    // The waits for the other stations' locks are the caller's; the commit's
    // wait for their readers is the usual one.
    first.m_waitMs = std::max(0, waitSeconds) * 1000;
    sqlite3_busy_handler(m_db, &Table::busyWait, &first);
    if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        first.m_waitMs = Table::defaultWaitMs();
        sqlite3_busy_timeout(m_db, Table::defaultWaitMs());
        return first.failSql(sqlite3_extended_errcode(m_db), QStringLiteral("beginning the change"));
    }
    for (Table *t : m_tables) {
        t->m_joint = m_db;
        t->m_unit = this;
        t->markInTransaction(true);
    }
    m_active = true;
    for (Table *t : m_tables) {
        if (StoreError e = t->exec(kTakeWriteLock)) {
            e.text = Table::codeText(e.code) + QStringLiteral(": the change could not begin within %1 seconds")
                                                   .arg(waitSeconds);
            setLastError(e);
            rollback();
            first.m_waitMs = Table::defaultWaitMs();
            setLastError(e);
            return e;
        }
    }
    first.m_waitMs = Table::defaultWaitMs();
    return first.succeed();
}

StoreError UnitOfWork::commit()
{
    if (m_tables.empty())
        return {};
    Table &first = *m_tables.front();
    if (!m_active)
        return first.fail(Code::Failure, QStringLiteral("the change was undone before it could be saved"));
    if (m_joined) {
        // The unit it joined saves it, with the rest.
        m_active = false;
        m_joined = false;
        return first.succeed();
    }
    if (m_own) {
        StoreError e = m_own->commit();
        if (e)
            m_own->rollback();
        m_own = nullptr;
        m_active = false;
        return e;
    }
    if (StoreError e = catchUpIndexUpkeep()) {
        rollback();
        setLastError(e);
        return e;
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const StoreError e = first.failSql(sqlite3_extended_errcode(m_db), QStringLiteral("saving the change"));
        rollback();
        setLastError(e);
        return e;
    }
    leave();
    return first.succeed();
}

StoreError UnitOfWork::catchUpIndexUpkeep()
{
    if (m_joined && !m_tables.empty() && m_tables.front()->m_unit)
        return m_tables.front()->m_unit->catchUpIndexUpkeep();
    for (Table *t : m_tables)
        if (StoreError e = t->catchUpOwnUpkeep())
            return e;
    return {};
}

void UnitOfWork::rollback()
{
    if (!m_active)
        return;
    if (m_joined) {
        m_active = false;
        m_joined = false;
        if (UnitOfWork *outer = m_tables.front()->m_unit)
            outer->rollback();
        return;
    }
    if (m_own) {
        m_own->rollback();
        m_own = nullptr;
        m_active = false;
        return;
    }
    const StoreError before = lastError();
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    leave();
    setLastError(before);
}

void UnitOfWork::leave()
{
    for (Table *t : m_tables) {
        t->m_upkeepDeferred = false;
        t->m_joint = nullptr;
        t->m_unit = nullptr;
        t->markInTransaction(false);
        t->discardBatches();
    }
    // A writer that deferred its index upkeep turned the triggers off.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr);
    // The busy handler named this unit's first table, which may go before
    // the connection does.
    sqlite3_busy_timeout(m_db, Table::defaultWaitMs());
    m_active = false;
}

} // namespace tabulo::store

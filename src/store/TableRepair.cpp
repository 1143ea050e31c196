// Repairs of damaged table files: keys rebuilt, duplicates set aside,
// readable records saved out of damaged pages.
#include "store/Table.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <set>

namespace tabulo::store {

namespace {

bool isBusy(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// SQLite's integrity check of the main database: "ok" or its findings.
QStringList integrityFindings(sqlite3 *db, int limit = 20)
{
    QStringList findings;
    sql::Statement check(db, "PRAGMA main.integrity_check(" + std::to_string(limit) + ")");
    if (!check.valid())
        return {QString::fromUtf8(sqlite3_errmsg(db))};
    int rc = SQLITE_ROW;
    while ((rc = check.step()) == SQLITE_ROW)
        findings << QString::fromStdString(check.text(0));
    if (rc != SQLITE_DONE)
        findings << QString::fromUtf8(sqlite3_errmsg(db));
    if (findings == QStringList{QStringLiteral("ok")})
        findings.clear();
    return findings;
}

} // namespace

QString Table::datedSibling(const QString &what) const
{
    // "QKZIP.db" -> "QKZIP-duplicates-2026-12-09.db" beside it.
    const QFileInfo info(filePath());
    const QString base = info.completeBaseName() + QLatin1Char('-') + what + QLatin1Char('-');
    const QString suffix = QLatin1Char('.') + info.suffix();
    if (what == QLatin1String("duplicates"))
        return info.dir().filePath(base + QDate::currentDate().toString(Qt::ISODate) + suffix);
    // A damaged copy is never overwritten: the time, and a number if need be.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString name = info.dir().filePath(base + stamp + suffix);
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = info.dir().filePath(base + stamp + QLatin1Char('-') + QString::number(n) + suffix);
    return name;
}

StoreError Table::attachSide()
{
    // The connection may not create files: an empty file is an empty database.
    if (!QFileInfo::exists(m_repair.sideFile)) {
        QFile make(m_repair.sideFile);
        if (!make.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return fail(Code::SystemError, QStringLiteral("cannot create ") + m_repair.sideFile);
        m_sideMade = true;
    }
    sql::Statement attach(m_db, "ATTACH DATABASE ? AS side");
    attach.bind(1, m_repair.sideFile.toStdString());
    const int rc = attach.valid() ? attach.step() : attach.prepareCode();
    if (rc != SQLITE_DONE)
        return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("opening the file of set-aside records"));
    return succeed();
}

void Table::detachSide(bool existed)
{
    sqlite3_exec(m_db, "DETACH DATABASE side", nullptr, nullptr, nullptr);
    // Attaching alone makes no file; a file made for nothing goes again.
    if ((!existed || m_sideMade) && m_repair.setAside == 0)
        QFile::remove(m_repair.sideFile);
}

StoreError Table::setAsideDuplicates(const TableSchema::KeySchema &ks)
{
    if (!ks.key->unique)
        return {};
    // The first record of each key value (the oldest) stays; the later ones
    // go to the side file. Entries with a null component never collide.
    std::string columns;
    std::string complete;
    for (const auto &c : ks.columns) {
        columns += (columns.empty() ? "" : ",") + c.column;
        complete += " AND " + c.column + " IS NOT NULL";
    }
    const std::string where = (ks.emptyCondition.empty() ? std::string("1") : ks.emptyCondition) + complete;
    const std::string later = "SELECT rid FROM (SELECT rid,row_number() OVER (PARTITION BY " + columns
                              + " ORDER BY rid) AS n FROM main.rec WHERE " + where + ") WHERE n>1";
    const std::string collect = "CREATE TEMP TABLE IF NOT EXISTS later_duplicates(rid INTEGER PRIMARY KEY);"
                                "DELETE FROM temp.later_duplicates;"
                                "INSERT INTO temp.later_duplicates "
                                + later + ";";
    if (StoreError e = exec(collect.c_str()))
        return e;
    qint64 count = 0;
    {
        sql::Statement n(m_db, "SELECT count(*) FROM temp.later_duplicates");
        if (n.valid() && n.step() == SQLITE_ROW)
            count = n.int64(0);
    }
    if (count == 0)
        return {};
    if (StoreError e = exec("CREATE TABLE IF NOT EXISTS side.rec AS SELECT '' AS set_aside_for,* FROM main.rec WHERE 0"))
        return e;
    sql::Statement move(m_db, "INSERT INTO side.rec SELECT ?,* FROM main.rec WHERE rid IN (SELECT rid FROM "
                              "temp.later_duplicates)");
    move.bind(1, ks.key->label.toStdString());
    const int rc = move.valid() ? move.step() : move.prepareCode();
    if (rc != SQLITE_DONE)
        return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("setting duplicates aside"));
    if (StoreError e = exec("DELETE FROM main.rec WHERE rid IN (SELECT rid FROM temp.later_duplicates)"))
        return e;
    m_repair.setAside += count;
    return {};
}

StoreError Table::check(QStringList &problems)
{
    problems.clear();
    if (m_db)
        return fail(Code::AlreadyOpen);
    if (!QFileInfo::exists(filePath()))
        return fail(Code::NoFile, filePath());
    return withOwnConnection([this, &problems] {
        const StoreError verified = verifyFile();
        if (verified.code == Code::Locked || verified.code == Code::SystemError)
            return verified;
        if (verified)
            problems << verified.text + QStringLiteral(" (") + QString::number(verified.code) + QLatin1Char(')');
        if (verified.code != Code::BadLayout)
            problems << integrityFindings(m_db, 10);
        if (!verified)
            problems << searchIndexFindings();
        return succeed();
    });
}

StoreError Table::repair(RepairOutcome &outcome)
{
    close();
    outcome = {};
    if (!QFileInfo::exists(filePath()))
        return fail(Code::NoFile, filePath());

    // Are the records themselves readable? A full pass over them, in file
    // order, never touches a key.
    bool recordsReadable = true;
    StoreError e = withOwnConnection([this, &recordsReadable] {
        for (const char *sql : {"SELECT * FROM main.rec NOT INDEXED", "SELECT * FROM main.meta"}) {
            sql::Statement scan(m_db, sql);
            int rc = scan.valid() ? SQLITE_ROW : scan.prepareCode();
            while (rc == SQLITE_ROW)
                rc = scan.step();
            if (isBusy(rc))
                return failSql(rc, QStringLiteral("reading for the repair"));
            if (rc != SQLITE_DONE)
                recordsReadable = false;
        }
        return succeed();
    });
    if (e)
        return e;

    if (recordsReadable) {
        e = rebuildKeys();
        if (e.code == Code::Locked || e.code == Code::SystemError)
            return e;
        if (!e) {
            QStringList findings;
            e = withOwnConnection([this, &findings] {
                findings = integrityFindings(m_db);
                return succeed();
            });
            if (!e && findings.isEmpty()) {
                outcome = m_repair;
                return succeed();
            }
        }
    }
    m_repair = {};
    e = salvage(m_repair);
    if (!m_repair.setAside)
        m_repair.sideFile.clear();
    outcome = m_repair;
    return e;
}

StoreError Table::salvage(RepairOutcome &outcome)
{
    outcome.recordsDamaged = true;
    const QString path = filePath();
    const QString fresh = path + QStringLiteral(".repaired");
    QFile::remove(fresh);
    QFile::remove(fresh + QStringLiteral("-journal"));
    outcome.sideFile = datedSibling(QStringLiteral("duplicates"));
    const bool sideExisted = QFileInfo::exists(outcome.sideFile);

    sqlite3 *target = nullptr;
    bool copied = false;
    StoreError e = withOwnConnection([&]() -> StoreError {
        // Keep other stations' writes out while the file is copied.
        int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("locking for the repair"));
        struct EndRead {
            sqlite3 *db;
            ~EndRead() { sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr); }
        } endRead{m_db};
        sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr); // takes the read lock

        // 1. The damaged file, byte for byte, read through SQLite's own
        //    handle (another handle's close would drop this process's locks).
        sqlite3_file *handle = nullptr;
        if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &handle) != SQLITE_OK || !handle
            || !handle->pMethods)
            return fail(Code::SystemError, QStringLiteral("the damaged file cannot be read"));
        sqlite3_int64 size = 0;
        handle->pMethods->xFileSize(handle, &size);
        outcome.damagedCopy = datedSibling(QStringLiteral("damaged"));
        QFile copy(outcome.damagedCopy);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return fail(Code::SystemError, QStringLiteral("cannot write ") + outcome.damagedCopy);
        QByteArray chunk(65536, '\0');
        for (sqlite3_int64 at = 0; at < size; at += chunk.size()) {
            const int n = static_cast<int>(std::min<sqlite3_int64>(chunk.size(), size - at));
            const int r = handle->pMethods->xRead(handle, chunk.data(), n, at);
            if ((r != SQLITE_OK && r != SQLITE_IOERR_SHORT_READ) || copy.write(chunk.constData(), n) != n) {
                copy.remove();
                outcome.damagedCopy.clear();
                return fail(Code::SystemError, QStringLiteral("cannot copy the damaged file aside"));
            }
        }
        if (!copy.flush()) {
            copy.remove();
            outcome.damagedCopy.clear();
            return fail(Code::SystemError, QStringLiteral("cannot copy the damaged file aside"));
        }
        copy.close();

        // 2. A fresh file, with a side table for records a unique key refuses.
        rc = createFileAt(fresh, m_schema, &target);
        if (rc != SQLITE_OK)
            return fail(Code::SystemError, QStringLiteral("cannot create ") + fresh);
        {
            sql::Statement attach(target, "ATTACH DATABASE ? AS side");
            attach.bind(1, outcome.sideFile.toStdString());
            if (!attach.valid() || attach.step() != SQLITE_DONE)
                return fail(Code::SystemError, QStringLiteral("cannot open ") + outcome.sideFile);
        }
        if (sqlite3_exec(target, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
            return fail(Code::Failure, QStringLiteral("cannot write ") + fresh);

        // 3. Every record that can be read. The keys name records the pass
        //    in file order cannot reach past a damaged page.
        std::set<qint64> known;
        for (const auto &ks : m_schema.keys()) {
            sql::Statement ids(m_db, "SELECT rid FROM main.rec INDEXED BY " + ks.indexName
                                         + (ks.emptyCondition.empty() ? "" : " WHERE " + ks.emptyCondition));
            while (ids.valid() && ids.step() == SQLITE_ROW)
                known.insert(ids.int64(0));
        }
        sql::Statement scan(m_db, "SELECT * FROM main.rec WHERE rid>=? ORDER BY rid");
        sql::Statement one(m_db, "SELECT * FROM main.rec WHERE rid=?");
        if (!scan.valid() || !one.valid())
            return fail(Code::Failure, QStringLiteral("the records cannot be read"));
        const int columns = sqlite3_column_count(scan.get());
        std::string marks = "?";
        for (int i = 1; i < columns; ++i)
            marks += ",?";
        sql::Statement insert(target, "INSERT INTO main.rec VALUES(" + marks + ")");
        bool sideMade = false;
        std::set<qint64> saved;
        auto keep = [&](sql::Statement &from) -> bool {
            sqlite3_reset(insert.get());
            for (int i = 0; i < columns; ++i)
                sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(from.get(), i));
            int r = insert.step();
            if ((r & 0xff) == SQLITE_CONSTRAINT) {
                if (!sideMade) {
                    sideMade = sqlite3_exec(target,
                                            "CREATE TABLE IF NOT EXISTS side.rec AS SELECT '' AS set_aside_for,* "
                                            "FROM main.rec WHERE 0",
                                            nullptr, nullptr, nullptr)
                               == SQLITE_OK;
                }
                sql::Statement aside(target, "INSERT INTO side.rec VALUES('duplicate key'," + marks + ")");
                for (int i = 0; i < columns; ++i)
                    sqlite3_bind_value(aside.get(), i + 1, sqlite3_column_value(from.get(), i));
                r = aside.valid() ? aside.step() : aside.prepareCode();
                if (r == SQLITE_DONE)
                    ++outcome.setAside;
            }
            if (r != SQLITE_DONE)
                return false;
            saved.insert(sqlite3_column_int64(from.get(), 0));
            return true;
        };
        qint64 from = std::numeric_limits<qint64>::min();
        qint64 probe = 1;
        for (;;) {
            scan.reset();
            scan.bind(1, from);
            int r = SQLITE_ROW;
            qint64 last = from;
            bool any = false;
            while ((r = scan.step()) == SQLITE_ROW) {
                last = scan.int64(0);
                any = true;
                if (!keep(scan))
                    return fail(Code::Failure, QStringLiteral("cannot write ") + fresh);
            }
            if (r == SQLITE_DONE)
                break;
            if (isBusy(r))
                return failSql(r, QStringLiteral("reading for the repair"));
            // A damaged page: go on with the next record a key knows of that
            // can be read, or else feel forward past the page.
            const qint64 after = any ? last : from;
            bool resumed = false;
            for (auto it = known.upper_bound(after); it != known.end(); ++it) {
                if (saved.count(*it))
                    continue;
                one.reset();
                one.bind(1, *it);
                if (one.step() == SQLITE_ROW) {
                    from = *it;
                    resumed = true;
                    break;
                }
            }
            if (!resumed) {
                if (probe > (std::numeric_limits<qint64>::max() >> 2) || after > std::numeric_limits<qint64>::max() - probe)
                    break;
                from = (after == std::numeric_limits<qint64>::min() ? 0 : after) + probe;
                probe *= 2;
            } else {
                probe = 1;
            }
        }
        if (sqlite3_exec(target, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            return fail(Code::Failure, QStringLiteral("cannot write ") + fresh);
        outcome.saved = static_cast<qint64>(saved.size()) - outcome.setAside;
        for (qint64 rid : known)
            outcome.unreadable += saved.count(rid) ? 0 : 1;
        sqlite3_exec(target, "DETACH DATABASE side", nullptr, nullptr, nullptr);
        if (!sideExisted && outcome.setAside == 0)
            QFile::remove(outcome.sideFile);
        copied = true;
        return succeed();
    });
    if (!copied) {
        if (target)
            sqlite3_close_v2(target);
        QFile::remove(fresh);
        QFile::remove(fresh + QStringLiteral("-journal"));
        return e.code ? e : fail(Code::Failure, QStringLiteral("the repair failed"));
    }

    // 4. The fresh file's pages into the damaged one, through SQLite, so
    //    every station that has the file open sees the repaired table. A
    //    file too damaged to be written that way is replaced.
    e = withOwnConnection([&]() -> StoreError {
        sqlite3_backup *backup = sqlite3_backup_init(m_db, "main", target, "main");
        if (!backup)
            return failSql(sqlite3_extended_errcode(m_db), QStringLiteral("writing the repaired file"));
        const int rc = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE)
            return failSql(rc, QStringLiteral("writing the repaired file"));
        if (!integrityFindings(m_db).isEmpty())
            return fail(Code::InvalidKeys, QStringLiteral("the repaired file does not pass the check"));
        return succeed();
    });
    sqlite3_close_v2(target);
    if (e && e.code != Code::Locked) {
        if (!QFile::remove(path) || !QFile::rename(fresh, path))
            return fail(Code::SystemError, QStringLiteral("cannot put the repaired file in place"));
        QFile::remove(path + QStringLiteral("-journal"));
        e = succeed();
    }
    QFile::remove(fresh);
    QFile::remove(fresh + QStringLiteral("-journal"));
    return e;
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
    // First the gentle way: drop and recreate every index.
    StoreError e = withOwnConnection([this, sideExisted] { return makeKeysBesideSide(true, sideExisted); });
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
        if (StoreError r = exec("VACUUM"))
            return r;
        return makeKeysBesideSide(false, sideExisted);
    });
}

StoreError Table::makeKeysBesideSide(bool dropFirst, bool sideExisted)
{
    StoreError r = attachSide();
    if (!r)
        r = exec("BEGIN EXCLUSIVE");
    if (r) {
        detachSide(sideExisted);
        return r;
    }
    r = makeKeys(dropFirst);
    if (!r)
        r = exec("COMMIT");
    if (r) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_repair.setAside = 0;
    }
    detachSide(sideExisted);
    return r;
}

} // namespace tabulo::store

// Marks of records numbered by insert forms that are still open.
#include "store/Table.h"

#include <QDateTime>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace tabulo::store {

namespace {

constexpr qint64 kForeignMarkSeconds = 7 * 24 * 3600;

std::string thisHost()
{
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool hasMarks(sqlite3 *db)
{
    sql::Statement s(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='open_inserts'");
    return s.valid() && s.step() == SQLITE_ROW;
}

} // namespace

StoreError Table::markOpenInsert(qint64 rid)
{
    if (StoreError e = checkOpen())
        return e;
    if (StoreError e = exec("CREATE TABLE IF NOT EXISTS open_inserts(rid INTEGER PRIMARY KEY,host TEXT,pid INTEGER,"
                            "at INTEGER)"))
        return e;
    sql::Statement mark = prepare("INSERT OR REPLACE INTO open_inserts(rid,host,pid,at) VALUES(?,?,?,?)");
    mark.bind(1, rid);
    mark.bind(2, thisHost());
    mark.bind(3, static_cast<qint64>(::getpid()));
    mark.bind(4, QDateTime::currentSecsSinceEpoch());
    const int rc = mark.valid() ? mark.step() : mark.prepareCode();
    if (rc != SQLITE_DONE)
        return failSql(sqlite3_extended_errcode(db()), QStringLiteral("marking the numbered record"));
    return succeed();
}

void Table::unmarkOpenInsert(qint64 rid)
{
    if (!m_db || !hasMarks(m_db))
        return;
    sql::Statement unmark = prepare("DELETE FROM open_inserts WHERE rid=?");
    unmark.bind(1, rid);
    if (unmark.valid())
        unmark.step();
}

int Table::removeAbandonedInserts()
{
    if (!m_db || !hasMarks(m_db))
        return 0;
    // A busy file is left for a later open.
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return 0;
    const std::string host = thisHost();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    std::vector<qint64> abandoned;
    {
        sql::Statement marks(m_db, "SELECT rid,host,pid,at FROM open_inserts");
        while (marks.valid() && marks.step() == SQLITE_ROW) {
            const bool here = marks.text(1) == host;
            if ((here && processGone(marks.int64(2))) || (!here && now - marks.int64(3) > kForeignMarkSeconds))
                abandoned.push_back(marks.int64(0));
        }
    }
    int removed = 0;
    bool ok = true;
    for (qint64 rid : abandoned) {
        // A record saved since (its version moved on) stays; only the mark goes.
        sql::Statement drop(m_db, "DELETE FROM rec WHERE rid=? AND ver=1");
        drop.bind(1, rid);
        ok = ok && drop.valid() && drop.step() == SQLITE_DONE;
        removed += ok ? sqlite3_changes(m_db) : 0;
        sql::Statement unmark(m_db, "DELETE FROM open_inserts WHERE rid=?");
        unmark.bind(1, rid);
        ok = ok && unmark.valid() && unmark.step() == SQLITE_DONE;
    }
    if (!ok || sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return 0;
    }
    return removed;
}

} // namespace tabulo::store

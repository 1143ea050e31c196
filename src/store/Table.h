#pragma once

#include "store/Dictionary.h"
#include "store/Record.h"
#include "store/Sqlite.h"
#include "store/StoreError.h"
#include "store/TableSchema.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace tabulo::store {

class Table;
class UnitOfWork;
class JointConnection;

// A read position in one table: key order (or file order when no key is
// given), optionally limited to a range of leading key components and to a
// compiled SQL filter. Reads go by keyset: each batch continues after the
// last row handed out, never by OFFSET, and no statement stays open between
// calls, so a reader never holds the file against other stations' writers.
// The range's components are equalities and the keyset compares only the
// components after them and the row id, so SQLite seeks straight to the
// position and a page costs the same anywhere in the range.
// A read fills the table's record buffer.
class Cursor
{
public:
    explicit Cursor(Table &table);
    virtual ~Cursor();
    Cursor(const Cursor &) = delete;
    Cursor &operator=(const Cursor &) = delete;

    Table &table() const { return *m_table; }
    const KeyDef *order() const { return m_key; }

    // The key to read in; nullptr reads in file order.
    void setOrder(const KeyDef *key);
    // Fixes the leading components of the key to these values (raw field
    // values; text is compared as the key compares it). Empty: no range.
    void setRange(std::vector<sql::Value> leading);
    const std::vector<sql::Value> &range() const { return m_range; }
    // A filter compiled to SQL over this table's columns; `binder` binds its
    // parameters (starting at the given index) each time a batch is read.
    void setFilter(std::string sql, std::function<int(sql::Statement &, int)> binder);
    // How many rows one batch reads ahead (the list's page size).
    void setReadAhead(int rows);

    StoreError toStart();
    StoreError toEnd();
    // Positions at the first record not below the key values in `values`
    // (the key's components taken from that record buffer).
    StoreError toNotBelow(const Record &values);
    // Positions on the record of a position token: next and previous both
    // read that record first.
    StoreError toPosition(const QString &token);

    virtual StoreError next();
    virtual StoreError previous();

    // The number of records in the range that pass the SQL filter, counted
    // by one aggregate query over the key's index; the position is kept.
    // What a caller skips row by row (a view's per-row filter, a missing
    // inner-joined parent) is not known here and counts.
    StoreError count(qint64 &records);

    // A count that another thread can make on a connection of its own, so
    // a window stays responsive while a large range is counted.
    struct CountJob {
        QString file;
        std::string sql;
        std::vector<sql::Value> params;
        std::string cacheKey;
        qint64 dataVersion = -1;
        qint64 ownChanges = -1;
        // Runs on any thread; opens, reads and closes its own connection.
        StoreError run(qint64 &records) const;
    };
    // The count when it is known without reading (kept since the last write).
    bool knownCount(qint64 &records);
    // Whether the count of the current range is read from the running
    // counts the file keeps, not counted over the key.
    bool countsFromFile() const;
    // The count as a job; nothing when it cannot be made elsewhere (a filter
    // whose values are read as it binds).
    std::optional<CountJob> countJob();
    // Keeps what a job counted, unless the file was written since the job
    // was made.
    void keepCount(const CountJob &job, qint64 records);

    // The SQL the next read in this direction would run (empty when it runs
    // none: the position lies beyond the range), and the count's SQL; for
    // checking query plans.
    std::string readSql(bool forward);
    std::string countSql();

    // Forgets batched rows, so the next read goes to the file.
    void discardBatch() { clearBatch(); }
    // Closes all statements (the table is closing).
    void detach();
    // Closes the statements prepared on this connection (it is closing).
    void forgetStatementsOn(sqlite3 *db);

protected:
    StoreError read(bool forward);

private:
    enum class Anchor { None, ValuesInclusive, RowInclusive, RowExclusive };
    struct Row
    {
        qint64 rid = 0;
        qint64 ver = 0;
        std::vector<sql::Value> fields;
        std::string memo;
        std::vector<sql::Value> keyValues;
    };

    sql::Statement &statement(bool forward, Anchor anchor);
    sql::Statement &countStatement();
    // The anchor a read in this direction compares with; `nothing` when the
    // position lies beyond the range in that direction.
    Anchor effectiveAnchor(bool forward, bool &nothing) const;
    std::string whereClause(const std::string &position) const;
    int bindRange(sql::Statement &stmt, int first) const;
    void updateRangeKey();
    void resetPosition(Anchor anchor);
    // The key a count of the current range is kept under: its SQL and the
    // range's values.
    std::string countCacheKey(const char *sql) const;
    // The count kept under `key`, when the file is still at `version` and
    // this connection wrote nothing since it was kept.
    bool keptCount(const std::string &key, qint64 version, qint64 &records) const;

    Table *m_table;
    const KeyDef *m_key = nullptr;
    std::vector<sql::Value> m_range;
    std::vector<sql::Value> m_rangeKey; // the range as the key's columns hold it
    std::string m_filterSql;
    std::function<int(sql::Statement &, int)> m_filterBinder;
    int m_readAhead = 16;

    Anchor m_anchor = Anchor::None;
    bool m_atEnd = false; // positioned at the end: next reads nothing until previous
    std::vector<sql::Value> m_anchorValues;
    qint64 m_anchorRid = 0;
    // The rows read ahead, from m_batchNext on; the rows before it keep their
    // storage for the next batch, so a long scan allocates little.
    std::vector<Row> m_batch;
    size_t m_batchNext = 0;
    size_t m_batchSize = 0;
    bool m_batchForward = true;
    bool batchEmpty() const { return m_batchNext >= m_batchSize; }
    void clearBatch() { m_batchNext = m_batchSize = 0; }
    // By read direction and anchor, and by connection: the table's own, or
    // the one of a unit of work it takes part in. The statements are the
    // table's, kept by their SQL: every cursor of the same shape (each
    // cascade's reading of a parent's children) uses the one prepared.
    std::map<std::pair<sqlite3 *, int>, sql::Statement *> m_statements;
};

// One table of the dictionary in its file in the data directory.
// Every operation returns its condition (and records it as the store's
// current error). The table keeps one current record, its record buffer.
class Table final
{
public:
    Table(const TableDef &def, QString directory);
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    const TableDef &def() const { return *m_def; }
    const TableSchema &schema() const { return m_schema; }
    Record &record() { return m_record; }
    const Record &record() const { return m_record; }

    // The file's path and its name as messages show it ("QKNAM.db").
    QString filePath() const;
    QString fileName() const;
    static QString fileNameFor(const TableDef &def);

    // How long ordinary operations wait for another station's lock.
    static void setDefaultWaitMs(int ms);
    static int defaultWaitMs();
    // Hears each wait for another station's lock as it begins: the table and
    // the longest it will wait. Called on the waiting thread; null stops it.
    // (A status line may say why a window is slow; tests let the other
    // station go at that very point.)
    using WaitListener = std::function<void(Table &table, int waitMs)>;
    static void setWaitListener(WaitListener listener);

    StoreError create();
    StoreError open();
    void close();
    bool isOpen() const { return m_db != nullptr; }
    StoreError rebuildKeys();

    // What a repair did: records set aside from unique keys they duplicated,
    // and, when record pages were damaged, the copy kept of the damaged file
    // and how many records were saved and lost.
    struct RepairOutcome {
        bool recordsDamaged = false;
        qint64 saved = 0;
        qint64 unreadable = 0;
        QString damagedCopy;
        qint64 setAside = 0;
        QString sideFile;
    };
    // Mends a damaged table (closing it first): SQLite's integrity check
    // decides; damaged keys are rebuilt; damaged record pages make a dated
    // copy of the file aside and every readable record is copied into a
    // fresh file. Records that duplicate a unique key go to a side file.
    StoreError repair(RepairOutcome &outcome);
    // The outcome of the last rebuild or repair.
    const RepairOutcome &lastRepair() const { return m_repair; }
    // Records numbered by an insert form that is still open are marked in
    // the file, outside the record layout, with the station and process
    // that numbered them. A mark whose process is gone (on this host), or
    // that is a week old (from another host), has its record removed at the
    // next open, unless the record was saved since.
    StoreError markOpenInsert(qint64 rid);
    void unmarkOpenInsert(qint64 rid);
    // Removes the records of abandoned marks; returns how many went.
    int removeAbandonedInserts();

    // The search index the file keeps of the table's searched fields (see
    // TableSchema::SearchSchema). A file made before it, or whose index a
    // repair dropped, lacks it until it is built; writes keep it up to date
    // from then on, in their own transaction, whichever station writes.
    enum class SearchIndexState { NotSearched, Ready, Missing };
    SearchIndexState searchIndexState();
    // Builds the index anew in one write transaction; `progress` hears the
    // share done (0 to 1) between batches and may return false to give up,
    // which leaves the file as it was.
    StoreError buildSearchIndex(const std::function<bool(double)> &progress = {});
    // For a writer that adds many records in one transaction (an import):
    // the records added after deferIndexUpkeep() join the search index and
    // the keys' running counts at catchUpIndexUpkeep(), in one statement
    // each, rather than one by one through the triggers, which are off on
    // this connection meanwhile. Both inside the same write transaction; a
    // commit catches up first, a roll-back undoes the mark too, and a change
    // or removal catches up before it is made (with the triggers on).
    //
    // With SearchUpkeep::AfterCommit inside a unit of work the records that
    // a table gained join the key counts at the unit's commit, but its search
    // index only after it: the commit leaves a mark in the file, and catchUpSearchIndex() (or
    // catchUpSearchIndexes() for several tables at once) brings the index
    // up to date in a write of the table's own. Until then a search does
    // not find those records; should the catch-up never run (a kill), the
    // next open of the file runs it.
    // A unit's writer of many records leaves the index until after the
    // commit (SearchUpkeep::AfterCommit); a few are indexed in the unit.
    enum class SearchUpkeep { InTransaction, AfterCommit };
    StoreError deferIndexUpkeep(SearchUpkeep search = SearchUpkeep::InTransaction);
    StoreError catchUpIndexUpkeep();
    StoreError catchUpSearchIndex();
    // Each table on a thread of its own; the first failure.
    static StoreError catchUpSearchIndexes(const std::vector<Table *> &tables);
    // What the index's own check finds wrong (it reads every word; slow on
    // large tables): empty when it agrees with the records.
    QStringList searchIndexFindings();

    // Checks the file without changing it: layout, keys and SQLite's
    // integrity check; `problems` lists what was found (empty: sound).
    // The table must be closed.
    StoreError check(QStringList &problems);
    // Driver options: "Recover=<seconds>", "QUICKSCAN=on", "QUICKSCAN=off".
    StoreError send(const QString &option);

    // Sequential reading through the table's own cursor.
    StoreError setStart(const KeyDef *key);
    StoreError setEnd(const KeyDef *key);
    StoreError setNotBelow(const KeyDef &key);
    StoreError setPosition(const KeyDef *key, const QString &token);
    StoreError next();
    StoreError previous();
    void setReadAhead(int rows) { m_cursor->setReadAhead(rows); }

    // Reads the one record whose key equals the key values in the buffer.
    StoreError fetch(const KeyDef &key);
    // The position token of the current record; empty when there is none.
    QString position() const;
    // Re-reads the record of a position token.
    StoreError reget(const QString &token);

    StoreError insert();
    StoreError change();
    StoreError remove();
    StoreError empty();
    // The key the last failed insert or change duplicated ("CAT:CAT_KEY").
    const KeyDef *duplicatedKey() const { return m_duplicated; }
    // Whether the buffer would duplicate this unique key of another record.
    bool wouldDuplicate(const KeyDef &key);

    // Watches the current record: a later change or delete of it fails with
    // 89 when another station or connection changed or deleted it meanwhile.
    void watch() { m_watching = true; }
    bool watching() const { return m_watching; }

    // Inside a unit of work (see UnitOfWork) begin and commit join the
    // unit's transaction and a roll-back rolls the whole unit back.
    StoreError begin(int timeoutSeconds);
    StoreError commit();
    StoreError rollback();
    bool inTransaction() const { return m_inTransaction; }
    // The unit of work the table takes part in now, if any.
    UnitOfWork *unit() const { return m_unit; }
    // Locks the whole table; writes are buffered until flush() or unlock().
    StoreError lock(int timeoutSeconds);
    StoreError flush();
    StoreError unlock();
    bool isLocked() const { return m_locked; }

    // Number of records in the file.
    qint64 records();
    // Changes when this connection or any other writes to the file: two
    // equal stamps mean nothing was written in between (while the table
    // stayed open).
    struct ChangeStamp {
        qint64 dataVersion = -1;
        qint64 ownChanges = -1;
        bool operator==(const ChangeStamp &) const = default;
    };
    ChangeStamp changeStamp();
    // Sets one text field of the record `rid` (its key copies too), as a
    // change of that record would: for set-based repairs that touch one
    // field of many records.
    StoreError writeText(qint64 rid, const QString &field, const QString &value);
    // The identity of the current record; 0 when there is none.
    qint64 currentRid() const { return m_currentRid; }

    // The current record with its buffer, its version as read and whether it
    // is watched: what an edit was typed against. Put back, a later change()
    // writes that record (and is refused when another station changed it
    // since), whatever the buffer held meanwhile.
    struct Current {
        qint64 rid = 0;
        qint64 ver = 0;
        bool watching = false;
        Record record;
    };
    Current current() const { return {m_currentRid, m_currentVer, m_watching, m_record}; }
    void setCurrent(const Current &current) {
        m_currentRid = current.rid;
        m_currentVer = current.ver;
        m_watching = current.watching;
        m_record = current.record;
    }

    // Rolls back the open transactions of every table in this process,
    // but those of tables whose owner ends its transactions alone.
    static void rollbackAll();
    // For a writer's own connection, used on threads of its own (an
    // import): its transactions are left to the writer.
    void setEndsItsOwnTransactions(bool on) { m_endsOwnTransactions = on; }

    // -- for cursors and views in the store --
    // The table's own connection.
    sqlite3 *handle() const { return m_db; }
    // The connection its reads and writes go through now: its own, or,
    // while it takes part in a unit of work, the unit's, which holds the
    // table's file beside the others under a name of its own.
    sqlite3 *db() const { return m_joint ? m_joint : m_db; }
    // A statement for this table's SQL on db(): its tables are taken from
    // the table's file whichever connection runs it. Prepared anew; see
    // cached() for the ones kept.
    sql::Statement prepare(const std::string &sql) const;
    // The statement prepared once per connection and kept.
    sql::Statement &cached(const std::string &sql);
    void loadRow(qint64 rid, qint64 ver, std::vector<sql::Value> &fields, std::string &memo);
    StoreError fail(int code, const QString &detail = {});
    StoreError failSql(int rc, const QString &what);
    StoreError succeed();
    void attach(Cursor *cursor) { m_cursors.insert(cursor); }
    void detach(Cursor *cursor) { m_cursors.erase(cursor); }
    void discardBatches();
    static QString codeText(int code);

private:
    StoreError checkOpen();
    // Whether this process may write the file and its folder (the journal
    // goes beside the file); the failure is an operating-system one.
    StoreError checkWritable();
    StoreError failWritable(int osCode, const QString &what);
    StoreError beginWith(const char *sql, int timeoutSeconds, const QString &failure);
    StoreError verifyFile();
    StoreError readCurrent(sql::Statement &stmt);
    StoreError exec(const char *sql);
    // Before a write to records already stored: the table open and any
    // deferred index upkeep caught up.
    StoreError readyToAlter();
    // Runs the change or removal of the current record in `stmt`; `what`
    // names it in a failure.
    StoreError alterCurrent(sql::Statement &stmt, bool watched, const QString &what);
    // Commits the own transaction or lock and clears its flag `open`.
    StoreError commitOwn(bool &open);
    const KeyDef *findDuplicate(qint64 exceptRid);
    bool duplicates(const KeyDef &key, qint64 exceptRid);
    StoreError rebuildByCopy();
    // Builds every key (inside the caller's write transaction).
    StoreError makeKeys(bool dropFirst);
    // Builds every key in an exclusive transaction of its own, with the side
    // file attached for the duplicates set aside; on failure the keys stay
    // as they were and a side file made for nothing goes again.
    StoreError makeKeysBesideSide(bool dropFirst, bool sideExisted);
    // Inside the caller's write transaction, with the side file attached as
    // "side": moves the later records that duplicate this unique key there.
    StoreError setAsideDuplicates(const TableSchema::KeySchema &ks);
    QString datedSibling(const QString &what) const;
    StoreError attachSide();
    void detachSide(bool existed);
    StoreError salvage(RepairOutcome &outcome);
    // Makes a new table file at `path` and leaves it open in `*out` (which
    // the caller closes, also on failure); returns SQLite's code.
    static int createFileAt(const QString &path, const TableSchema &schema, sqlite3 **out);
    RepairOutcome m_repair;
    bool m_sideMade = false; // the side file was made by this rebuild
    // Makes the running counts of counted keys when the file lacks them or
    // holds others; a table whose counts cannot be made now counts by key.
    void ensureCounts();
    // Drops and remakes one key's running counts, inside the caller's
    // write transaction.
    StoreError remakeCounts(const TableSchema::KeySchema &ks);
    std::vector<bool> m_countsReady; // per key
    // deferIndexUpkeep() turned the triggers off in this transaction; the
    // records after row m_upkeepFrom are not yet indexed nor counted.
    bool m_upkeepDeferred = false;
    qint64 m_upkeepFrom = 0;
    // Where the search index's catch-up starts (an earlier mark may lie
    // before m_upkeepFrom), and whether a unit's commit left it behind.
    qint64 m_searchFrom = 0;
    bool m_searchAfterCommit = false;
    bool m_searchBehind = false;
    // On the writing connection: a mark already in the file moves
    // m_searchFrom back to it; without one, `write` puts one at m_searchFrom.
    StoreError markSearch(bool write);
    // Inside the caller's write transaction.
    StoreError fillSearchIndexFrom(qint64 from);
    // On the own connection outside a transaction, waiting up to `waitMs`
    // for the write lock: the records after the file's mark join the index
    // and the mark goes. Reports nothing; SQLite's code.
    int catchUpLeftSearch(int waitMs);
    void setTriggers(bool on);
    // How many segments of the search index a write merges once they
    // gather (SQLite's "automerge"; 0: only when sixteen have, its "crisis"
    // merge).
    static constexpr int kSearchMergingAsUsual = 4;
    StoreError setSearchMerging(int segments);
    bool m_endsOwnTransactions = false;
    // Drops and makes the search index, inside the caller's write transaction.
    StoreError makeSearchIndex(const std::function<bool(double)> &progress);
    StoreError withOwnConnection(const std::function<StoreError()> &work);
    void setWait(int ms);
    // SQLite's busy handler: waits in growing steps up to m_waitMs in all.
    static int busyWait(void *table, int count);
    int m_waitMs = 0;

    const TableDef *m_def;
    TableSchema m_schema;
    QString m_directory;
    Record m_record;
    sqlite3 *m_db = nullptr;
    // Counts of ranges, valid while neither this connection nor another one
    // has written since (see Cursor::count).
    struct CachedCount {
        qint64 records = 0;
        qint64 dataVersion = 0;
        qint64 ownChanges = 0;
    };
    std::map<std::string, CachedCount> m_counts;
    sql::Statement m_dataVersion;
    qint64 dataVersion();
    friend class Cursor;
    std::unique_ptr<Cursor> m_cursor;
    std::set<Cursor *> m_cursors;
    std::map<std::string, sql::Statement> m_cache;
    // A unit of work's connection while the table takes part in one, the
    // name its file has there, and the statements kept on it (by their
    // SQL as written for the own connection).
    friend class UnitOfWork;
    friend class JointConnection;
    sqlite3 *m_joint = nullptr;
    std::string m_schemaName;
    UnitOfWork *m_unit = nullptr;
    JointConnection *m_jointHome = nullptr; // the connection that holds the file attached
    std::map<std::string, sql::Statement> m_jointCache;
    void forgetJointStatements(sqlite3 *joint);
    // Before the own connection closes: its statements, the cursors' too.
    void forgetOwnStatements();
    // This table's deferred index upkeep alone (see catchUpIndexUpkeep).
    StoreError catchUpOwnUpkeep();
    // Marks the table as in a transaction (or not) for rollbackAll().
    void markInTransaction(bool on);
    // The folded copies a write binds, kept until the write's statement is reset.
    std::vector<std::string> m_folded;
    QString m_fileName;

    qint64 m_currentRid = 0;
    qint64 m_currentVer = 0;
    qint64 m_writingRid = 0; // the record a failing write was about
    bool m_watching = false;
    const KeyDef *m_duplicated = nullptr;
    bool m_inTransaction = false;
    bool m_locked = false;
    int m_lockSeconds = 0;
    int m_recoverSeconds = 0;
};

} // namespace tabulo::store

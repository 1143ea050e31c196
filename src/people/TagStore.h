#pragma once

#include "store/StoreError.h"

#include <QString>
#include <QtGlobal>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tabulo::store {
class Cursor;
class Store;
class Table;
class TableUse;
} // namespace tabulo::store

namespace tabulo::people {

// The table numbers callers tag under.
namespace TagTable {
inline constexpr qint16 NameLinks = 1; // the name-category links, QKjnc
} // namespace TagTable

// Where a sliced tag pass stands after a call.
enum class TagStep {
    More,      // work remains: call again
    Done,      // finished
    Cancelled, // stopped by the caller; what was done stays done
    Failed     // stopped by a store failure, already shown to the user
};

// Marks on records of other tables, kept in TagFile_ per user, table number
// and record pointer (the record's row id in its table), with a process-wide
// count of the tags of one table. Every operation uses the tag table through
// the shared open count for as long as it runs. A write that fails shows
// "Error #<code> - <text> (<step>)", the operation stops and returns the
// failure, and the count cache forgets what it knew: the window that asked
// stays usable.
class TagStore final {
public:
    // The process-wide store of tags over Store::instance().
    static TagStore &instance();

    explicit TagStore(store::Store &store);
    ~TagStore();
    TagStore(const TagStore &) = delete;
    TagStore &operator=(const TagStore &) = delete;

    store::Store &store() const { return *m_store; }

    // Tags the record, or rewrites the value of its tag. Table 0 or pointer 0
    // does nothing.
    store::StoreError setTag(qint16 table, qint64 pointer, const QString &value = {});
    // Removes the record's tag when it has one.
    store::StoreError clearTag(qint16 table, qint64 pointer);
    bool isTagged(qint16 table, qint64 pointer);
    // The value stored with the record's tag; empty when it has none.
    QString tagValue(qint16 table, qint64 pointer);
    bool anyTags(qint16 table);

    // The number of tags of `table`, counted to the end when the cache does
    // not hold it. Windows count through the "Counting Tags" window instead.
    std::optional<qint32> countTags(qint16 table);
    // Removes every tag of `table` in one go (see TagClearer), inside a batch
    // when `batch` is set. Windows clear through the "Clearing Tags" window.
    TagStep clearAllTags(qint16 table, bool batch);

    // The pointers tagged for `table`, in pointer order.
    std::vector<qint64> taggedPointers(qint16 table);
    // The control numbers (first field) of the records of `tagged` whose
    // pointers are tagged for `table`, in pointer order; records gone since
    // they were tagged are left out. The table's record buffer and current
    // record are as they were before.
    std::vector<qint32> taggedControlNumbers(qint16 table, store::Table &tagged);

    // A batch locks the tag table (waiting up to a second) and buffers its
    // writes until the batch ends. Batches nest; the outermost one locks.
    // When the lock cannot be had, the batch goes on without it.
    void beginBatch();
    store::StoreError endBatch();
    bool inBatch() const { return m_batchDepth > 0; }

    // The count cache: the count of `table` when it is the table known.
    std::optional<qint32> cachedCount(qint16 table) const;
    void setCachedCount(qint16 table, qint32 count);
    // Forgets the count (the cache then knows no table).
    void forgetCount();

    // How long the outermost batch and the quick clear wait for the lock.
    void setLockWaitSeconds(int seconds) { m_lockWaitSeconds = seconds; }
    int lockWaitSeconds() const { return m_lockWaitSeconds; }

    // -- for the tag passes --
    // The tag table, used for as long as the returned object lives.
    std::unique_ptr<store::TableUse> useTable() const;
    store::Table &table() const;
    // Shows the "Error #" box for a failed write and forgets the count.
    store::StoreError writeFailed(const store::StoreError &error, const QString &step);
    // One change of the count: applied when the cache knows this table,
    // otherwise the cache forgets what it knew.
    void adjustCachedCount(qint16 table, qint32 delta);

private:
    store::StoreError fetchTag(store::Table &tags, qint16 table, qint64 pointer);

    store::Store *m_store;
    mutable std::mutex m_cacheMutex;
    qint16 m_cachedTable = 0;
    qint32 m_cachedCount = 0;
    QString m_cachedDirectory;
    int m_batchDepth = 0;
    std::unique_ptr<store::TableUse> m_batchUse;
    int m_lockWaitSeconds = 1;
};

// The count of one table's tags in slices of up to 100 records, so a window
// can show it growing. Uses the tag table while it lives.
class TagCounter final {
public:
    static constexpr int SliceRecords = 100;

    TagCounter(TagStore &tags, qint16 table);
    ~TagCounter();

    // Answers from the cache, or reads the first tag and the first slice.
    TagStep start();
    // Reads the next slice; Done (and the count cached) at the last tag.
    TagStep step();

    qint32 count() const { return m_count; }
    // The count against every record of the tag table, 0 to 100.
    int percent() const;

private:
    TagStep read(int records);

    TagStore *m_tags;
    qint16 m_table;
    std::unique_ptr<store::TableUse> m_use;
    std::unique_ptr<store::Cursor> m_cursor;
    qint32 m_count = 0;
    qint64 m_records = 0;
    bool m_finished = false;
};

// Removes every tag of one table. The quick way empties the whole tag table
// in one statement when its first and last record (in pointer-key order)
// both belong to this user and table, for then all of them do. Otherwise
// the slow way deletes the table's tags in groups of 10 under the tag
// table's lock, and can be cancelled between groups.
class TagClearer final {
public:
    static constexpr int GroupSize = 10;
    // More deletions than this before the end call for a progress window.
    static constexpr int QuietDeletions = 50;

    enum class Way { None, Quick, Slow };

    TagClearer(TagStore &tags, qint16 table, bool batch);
    // Finishes as a cancel if the clearing was left running.
    ~TagClearer();

    // Finds out whether there is anything to clear and clears it the quick
    // way when it can; More means the slow way is set up.
    TagStep start();
    // Deletes the next group; Done after the last tag.
    TagStep step();
    // Stops the slow way: the remaining tags stay, the cache forgets the count.
    TagStep cancel();

    Way way() const { return m_way; }
    qint32 deleted() const { return m_deleted; }
    qint32 total() const { return m_total; }
    // deleted / total x 100, whole part.
    int percent() const;
    bool finished() const { return m_finished; }

private:
    bool firstAndLastAreOurs(store::Table &tags, bool &failed);
    TagStep finish(TagStep how);

    TagStore *m_tags;
    qint16 m_table;
    bool m_batch;
    bool m_batchBegun = false;
    bool m_lockedHere = false;
    bool m_finished = false;
    Way m_way = Way::None;
    qint32 m_deleted = 0;
    qint32 m_total = 0;
    std::unique_ptr<store::TableUse> m_use;
    std::unique_ptr<store::Cursor> m_cursor;
};

// Sets or clears the tag of every record a cursor reads ("Tag All",
// "Untag All" over the category shown), a slice at a time. A slice is one
// transaction on the tag table unless a batch holds its lock already.
class TagPass final {
public:
    enum class Mode { Set, Clear };

    // `source` is positioned at its start here and read forward; it must
    // outlive the pass. The tag of each record is its table's current row.
    TagPass(TagStore &tags, qint16 table, store::Cursor &source, Mode mode);
    ~TagPass();

    // Up to `records` records; after the end, the way it ended.
    TagStep step(int records);
    qint64 processed() const { return m_processed; }

private:
    TagStore *m_tags;
    qint16 m_table;
    store::Cursor *m_source;
    Mode m_mode;
    qint64 m_processed = 0;
    bool m_finished = false;
    TagStep m_result = TagStep::Done;
    std::unique_ptr<store::TableUse> m_use;
};

} // namespace tabulo::people

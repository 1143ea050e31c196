#include "people/TagStore.h"

#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/Store.h"

#include <algorithm>
#include <limits>

namespace tabulo::people {

namespace Code = store::Code;
using store::StoreError;
using store::Table;

namespace {

const QString TagFile = QString::fromLatin1(store::Tables::TagFile);

// Field positions of a tag record, as the dictionary declares them.
struct TagFields {
    int usr;
    int tbl;
    int ptr;
    int val;
    const store::KeyDef *ptrKey;
};

const TagFields &fields() {
    static const TagFields f = [] {
        const store::TableDef &def = *store::Dictionary::instance().table(TagFile);
        return TagFields{def.fieldIndex(QStringLiteral("USR")), def.fieldIndex(QStringLiteral("TBL")),
                         def.fieldIndex(QStringLiteral("PTR")), def.fieldIndex(QStringLiteral("VAL")),
                         def.key(QStringLiteral("PTRKEY"))};
    }();
    return f;
}

// The user whose tags these are; every station tags as user 0.
constexpr qint64 User = 0;

bool pointerFits(qint64 pointer) {
    return pointer > 0 && pointer <= std::numeric_limits<qint32>::max();
}

StoreError pointerOutOfRange(qint64 pointer) {
    StoreError e;
    e.code = Code::Failure;
    e.text = QStringLiteral("record pointer %1 cannot be tagged").arg(pointer);
    e.file = TagFile;
    return e;
}

// A read cursor over the tags of one table, in pointer order.
std::unique_ptr<store::Cursor> tagsOf(Table &tags, qint16 table, int readAhead) {
    auto cursor = std::make_unique<store::Cursor>(tags);
    cursor->setOrder(fields().ptrKey);
    cursor->setRange({store::sql::Value(User), store::sql::Value(static_cast<qint64>(table))});
    cursor->setReadAhead(readAhead);
    cursor->toStart();
    return cursor;
}

// A failed read ends the pass with the store's retrieval message.
void readFailed(const StoreError &error, const QString &tableName) {
    store::setLastError(error);
    store::standardMessage(35, tableName);
}

} // namespace

// ---------------------------------------------------------------- TagStore

TagStore &TagStore::instance() {
    static TagStore tags(store::Store::instance());
    return tags;
}

TagStore::TagStore(store::Store &store)
    : m_store(&store) {}

TagStore::~TagStore() = default;

std::unique_ptr<store::TableUse> TagStore::useTable() const {
    return std::make_unique<store::TableUse>(*m_store, QStringList{TagFile});
}

Table &TagStore::table() const {
    return m_store->table(TagFile);
}

StoreError TagStore::writeFailed(const StoreError &error, const QString &step) {
    forgetCount();
    store::MessageBox box;
    box.title = QStringLiteral("Tag File Error");
    box.text = QStringLiteral("Error #%1 - %2 (%3)").arg(error.code).arg(error.text, step);
    box.icon = store::MessageIcon::Warning;
    store::MessageService::current().show(box);
    return error;
}

StoreError TagStore::fetchTag(Table &tags, qint16 table, qint64 pointer) {
    store::Record &r = tags.record();
    r.clear();
    r.setInteger(fields().usr, User);
    r.setInteger(fields().tbl, table);
    r.setInteger(fields().ptr, pointer);
    return tags.fetch(*fields().ptrKey);
}

StoreError TagStore::setTag(qint16 table, qint64 pointer, const QString &value) {
    if (table == 0 || pointer == 0)
        return {};
    if (!pointerFits(pointer))
        return pointerOutOfRange(pointer);
    const auto use = useTable();
    Table &tags = this->table();
    const StoreError found = fetchTag(tags, table, pointer);
    if (found.ok()) {
        tags.record().setText(fields().val, value);
        if (StoreError e = tags.change())
            return writeFailed(e, QStringLiteral("SetTag_/PUT"));
        return {};
    }
    if (found.code != Code::NotFound)
        return writeFailed(found, QStringLiteral("SetTag_/GET"));
    // The failed fetch left the key values in the buffer.
    tags.record().setText(fields().val, value);
    if (StoreError e = tags.insert())
        return writeFailed(e, QStringLiteral("SetTag_/ADD"));
    adjustCachedCount(table, 1);
    return {};
}

StoreError TagStore::clearTag(qint16 table, qint64 pointer) {
    if (table == 0 || pointer == 0)
        return {};
    if (!pointerFits(pointer))
        return pointerOutOfRange(pointer);
    const auto use = useTable();
    Table &tags = this->table();
    const StoreError found = fetchTag(tags, table, pointer);
    if (found.code == Code::NotFound)
        return {};
    if (found)
        return writeFailed(found, QStringLiteral("ClrTag_/GET"));
    if (StoreError e = tags.remove())
        return writeFailed(e, QStringLiteral("ClrTag_/DELETE"));
    adjustCachedCount(table, -1);
    return {};
}

bool TagStore::isTagged(qint16 table, qint64 pointer) {
    if (table == 0 || !pointerFits(pointer))
        return false;
    const auto use = useTable();
    return fetchTag(this->table(), table, pointer).ok();
}

QString TagStore::tagValue(qint16 table, qint64 pointer) {
    if (table == 0 || !pointerFits(pointer))
        return {};
    const auto use = useTable();
    Table &tags = this->table();
    return fetchTag(tags, table, pointer).ok() ? tags.record().text(fields().val) : QString();
}

bool TagStore::anyTags(qint16 table) {
    if (table == 0)
        return false;
    const auto use = useTable();
    return tagsOf(this->table(), table, 1)->next().ok();
}

std::optional<qint32> TagStore::countTags(qint16 table) {
    TagCounter counter(*this, table);
    TagStep s = counter.start();
    while (s == TagStep::More)
        s = counter.step();
    if (s != TagStep::Done)
        return std::nullopt;
    return counter.count();
}

TagStep TagStore::clearAllTags(qint16 table, bool batch) {
    TagClearer clearer(*this, table, batch);
    TagStep s = clearer.start();
    while (s == TagStep::More)
        s = clearer.step();
    return s;
}

std::vector<qint64> TagStore::taggedPointers(qint16 table) {
    std::vector<qint64> pointers;
    if (table == 0)
        return pointers;
    const auto use = useTable();
    Table &tags = this->table();
    auto cursor = tagsOf(tags, table, 500);
    for (;;) {
        const StoreError e = cursor->next();
        if (e.code == Code::EndOfFile)
            break;
        if (e) {
            readFailed(e, TagFile);
            break;
        }
        pointers.push_back(tags.record().integer(fields().ptr));
    }
    return pointers;
}

std::vector<qint32> TagStore::taggedControlNumbers(qint16 table, Table &tagged) {
    std::vector<qint32> numbers;
    const std::vector<qint64> pointers = taggedPointers(table);
    if (pointers.empty())
        return numbers;
    // The caller may have a record in the buffer that is not saved yet.
    const store::Record saved = tagged.record();
    const QString current = tagged.position();
    for (qint64 pointer : pointers) {
        if (tagged.reget(QString::number(pointer)).ok())
            numbers.push_back(static_cast<qint32>(tagged.record().integer(0)));
    }
    if (!current.isEmpty())
        tagged.reget(current);
    tagged.record() = saved;
    return numbers;
}

void TagStore::beginBatch() {
    if (m_batchDepth++ > 0)
        return;
    m_batchUse = useTable();
    Table &tags = table();
    // Without the lock the batch still runs; each write then waits for
    // other stations on its own.
    if (!tags.isLocked() && !tags.inTransaction())
        tags.lock(m_lockWaitSeconds);
}

StoreError TagStore::endBatch() {
    if (m_batchDepth == 0)
        return {};
    if (--m_batchDepth > 0)
        return {};
    StoreError result;
    Table &tags = table();
    if (tags.isLocked()) {
        if (StoreError e = tags.unlock()) {
            tags.rollback();
            result = writeFailed(e, QStringLiteral("TagBatch/FLUSH"));
        }
    }
    m_batchUse.reset();
    return result;
}

std::optional<qint32> TagStore::cachedCount(qint16 table) const {
    std::lock_guard lock(m_cacheMutex);
    // A count of another data directory's tag file says nothing here.
    if (table == 0 || m_cachedTable != table || m_cachedDirectory != m_store->directory())
        return std::nullopt;
    return m_cachedCount;
}

void TagStore::setCachedCount(qint16 table, qint32 count) {
    std::lock_guard lock(m_cacheMutex);
    m_cachedTable = table;
    m_cachedCount = table == 0 ? 0 : count;
    m_cachedDirectory = m_store->directory();
}

void TagStore::forgetCount() {
    setCachedCount(0, 0);
}

void TagStore::adjustCachedCount(qint16 table, qint32 delta) {
    std::lock_guard lock(m_cacheMutex);
    if (m_cachedTable == table && m_cachedDirectory == m_store->directory()) {
        m_cachedCount = std::max(0, m_cachedCount + delta);
    } else {
        m_cachedTable = 0;
        m_cachedCount = 0;
    }
}

// ---------------------------------------------------------------- TagCounter

TagCounter::TagCounter(TagStore &tags, qint16 table)
    : m_tags(&tags)
    , m_table(table)
    , m_use(tags.useTable()) {}

TagCounter::~TagCounter() {
    // The cursor goes before the use that keeps its table open.
    m_cursor.reset();
}

TagStep TagCounter::start() {
    m_count = 0;
    m_finished = false;
    if (m_table == 0) {
        m_finished = true;
        return TagStep::Done;
    }
    if (const auto cached = m_tags->cachedCount(m_table)) {
        m_count = *cached;
        m_finished = true;
        return TagStep::Done;
    }
    Table &tags = m_tags->table();
    m_cursor = tagsOf(tags, m_table, TagCounter::SliceRecords);
    const StoreError e = m_cursor->next();
    if (e.code == Code::EndOfFile) {
        m_finished = true;
        m_tags->setCachedCount(m_table, 0);
        return TagStep::Done;
    }
    if (e) {
        readFailed(e, TagFile);
        return TagStep::Failed;
    }
    m_count = 1;
    m_records = tags.records();
    return read(SliceRecords);
}

TagStep TagCounter::step() {
    if (m_finished)
        return TagStep::Done;
    if (!m_cursor)
        return start();
    return read(SliceRecords);
}

TagStep TagCounter::read(int records) {
    for (int i = 0; i < records; ++i) {
        const StoreError e = m_cursor->next();
        if (e.code == Code::EndOfFile) {
            m_finished = true;
            m_tags->setCachedCount(m_table, m_count);
            return TagStep::Done;
        }
        if (e) {
            readFailed(e, TagFile);
            return TagStep::Failed;
        }
        ++m_count;
    }
    return TagStep::More;
}

int TagCounter::percent() const {
    if (m_records <= 0)
        return m_finished ? 100 : 0;
    return static_cast<int>(std::min<qint64>(100, qint64(m_count) * 100 / m_records));
}

// ---------------------------------------------------------------- TagClearer

TagClearer::TagClearer(TagStore &tags, qint16 table, bool batch)
    : m_tags(&tags)
    , m_table(table)
    , m_batch(batch)
    , m_use(tags.useTable()) {}

TagClearer::~TagClearer() {
    if (!m_finished && (m_batchBegun || m_lockedHere || m_way != Way::None))
        cancel();
    m_cursor.reset();
}

bool TagClearer::firstAndLastAreOurs(Table &tags, bool &failed) {
    failed = false;
    store::Cursor whole(tags);
    whole.setOrder(fields().ptrKey);
    whole.setReadAhead(1);
    auto ours = [&] {
        return tags.record().integer(fields().usr) == User && tags.record().integer(fields().tbl) == m_table;
    };
    whole.toStart();
    StoreError e = whole.next();
    if (e.code != Code::Ok) {
        failed = e.code != Code::EndOfFile;
        return false;
    }
    if (!ours())
        return false;
    whole.toEnd();
    e = whole.previous();
    if (e.code != Code::Ok) {
        failed = e.code != Code::EndOfFile;
        return false;
    }
    return ours();
}

TagStep TagClearer::start() {
    if (m_table == 0)
        return finish(TagStep::Done);
    if (m_batch) {
        m_tags->beginBatch();
        m_batchBegun = true;
    }
    Table &tags = m_tags->table();
    m_cursor = tagsOf(tags, m_table, 1);
    StoreError e = m_cursor->next();
    if (e.code == Code::EndOfFile)
        return finish(TagStep::Done);
    if (e) {
        readFailed(e, TagFile);
        return finish(TagStep::Failed);
    }

    // Both ends are checked under the lock, so no other station can add a
    // tag of its own between the check and the emptying.
    if (!tags.isLocked() && !tags.inTransaction())
        m_lockedHere = tags.lock(m_tags->lockWaitSeconds()).ok();
    bool failed = false;
    if (tags.isLocked() && firstAndLastAreOurs(tags, failed)) {
        m_way = Way::Quick;
        const qint64 records = tags.records();
        if (StoreError emptied = tags.empty()) {
            m_tags->writeFailed(emptied, QStringLiteral("NewTag_/TryQuick/EMPTY"));
            return finish(TagStep::Failed);
        }
        m_deleted = static_cast<qint32>(records);
        m_total = m_deleted;
        return finish(TagStep::Done);
    }
    if (failed) {
        readFailed(store::lastError(), TagFile);
        return finish(TagStep::Failed);
    }

    m_way = Way::Slow;
    if (const auto cached = m_tags->cachedCount(m_table)) {
        m_total = *cached;
    } else {
        // The total only scales the percentage: one count over the key
        // answers it without reading the tags one by one.
        qint64 records = 0;
        if (StoreError counted = m_cursor->count(records)) {
            readFailed(counted, TagFile);
            return finish(TagStep::Failed);
        }
        m_total = static_cast<qint32>(records);
    }
    m_cursor->toStart();
    return TagStep::More;
}

TagStep TagClearer::step() {
    if (m_finished)
        return TagStep::Done;
    if (m_way != Way::Slow)
        return TagStep::Failed;
    Table &tags = m_tags->table();
    const QString stepName = QStringLiteral("NewTag_/SlowButSure/DELETE");
    // Without the table's lock each group is a transaction of its own.
    bool ownTransaction = false;
    if (!tags.isLocked() && !tags.inTransaction()) {
        if (StoreError e = tags.begin(m_tags->lockWaitSeconds())) {
            m_tags->writeFailed(e, stepName);
            return finish(TagStep::Failed);
        }
        ownTransaction = true;
    }
    bool atEnd = false;
    for (int i = 0; i < GroupSize; ++i) {
        StoreError e = m_cursor->next();
        if (e.code == Code::EndOfFile) {
            atEnd = true;
            break;
        }
        if (e) {
            if (ownTransaction)
                tags.rollback();
            readFailed(e, TagFile);
            return finish(TagStep::Failed);
        }
        if ((e = tags.remove())) {
            if (ownTransaction)
                tags.rollback();
            m_tags->writeFailed(e, stepName);
            return finish(TagStep::Failed);
        }
        ++m_deleted;
    }
    if (ownTransaction) {
        if (StoreError e = tags.commit()) {
            tags.rollback();
            m_tags->writeFailed(e, stepName);
            return finish(TagStep::Failed);
        }
    }
    return atEnd ? finish(TagStep::Done) : TagStep::More;
}

TagStep TagClearer::cancel() {
    if (m_finished)
        return TagStep::Cancelled;
    return finish(TagStep::Cancelled);
}

int TagClearer::percent() const {
    if (m_total <= 0)
        return m_finished ? 100 : 0;
    return static_cast<int>(std::min<qint64>(100, qint64(m_deleted) * 100 / m_total));
}

TagStep TagClearer::finish(TagStep how) {
    if (m_finished)
        return how;
    m_finished = true;
    Table &tags = m_tags->table();
    if (m_lockedHere && tags.isLocked()) {
        if (StoreError e = tags.unlock()) {
            tags.rollback();
            m_tags->writeFailed(e, QStringLiteral("NewTag_/SlowButSure/FLUSH"));
            how = TagStep::Failed;
        }
    }
    m_lockedHere = false;
    if (how == TagStep::Done)
        m_tags->setCachedCount(m_table, 0);
    else
        m_tags->forgetCount();
    if (m_batchBegun) {
        m_batchBegun = false;
        if (m_tags->endBatch() && how == TagStep::Done)
            how = TagStep::Failed;
    }
    return how;
}

// ---------------------------------------------------------------- TagPass

TagPass::TagPass(TagStore &tags, qint16 table, store::Cursor &source, Mode mode)
    : m_tags(&tags)
    , m_table(table)
    , m_source(&source)
    , m_mode(mode)
    , m_use(tags.useTable()) {
    m_source->toStart();
}

TagPass::~TagPass() = default;

TagStep TagPass::step(int records) {
    if (m_finished)
        return m_result;
    Table &tags = m_tags->table();
    Table &source = m_source->table();
    // One transaction per slice, unless a batch holds the lock already. If
    // it cannot begin, each write goes on its own and reports its failure.
    const bool ownTransaction =
        !tags.isLocked() && !tags.inTransaction() && tags.begin(m_tags->lockWaitSeconds()).ok();
    TagStep result = TagStep::More;
    for (int i = 0; i < records; ++i) {
        const StoreError e = m_source->next();
        if (e.code == Code::EndOfFile) {
            result = TagStep::Done;
            break;
        }
        if (e) {
            readFailed(e, source.def().name);
            result = TagStep::Failed;
            break;
        }
        const qint64 pointer = source.currentRid();
        const StoreError written =
            m_mode == Mode::Set ? m_tags->setTag(m_table, pointer) : m_tags->clearTag(m_table, pointer);
        if (written) {
            result = TagStep::Failed;
            break;
        }
        ++m_processed;
    }
    if (ownTransaction) {
        if (result == TagStep::Failed) {
            tags.rollback();
            m_tags->forgetCount();
        } else if (StoreError e = tags.commit()) {
            tags.rollback();
            m_tags->writeFailed(e, m_mode == Mode::Set ? QStringLiteral("SetTag_/ADD")
                                                       : QStringLiteral("ClrTag_/DELETE"));
            result = TagStep::Failed;
        }
    }
    if (result != TagStep::More) {
        m_finished = true;
        m_result = result;
    }
    return result;
}

} // namespace tabulo::people

#include "engine/BrowseList.h"
#include "engine/BrowseListInternal.h"

#include "store/Store.h"

#include "engine/FieldText.h"
#include "store/Messages.h"

#include <algorithm>
#include <utility>

namespace tabulo::engine {

using store::Code::EndOfFile;

namespace {
constexpr int LocatorWidth = 30;

store::sql::Value toSqlValue(const store::FieldDef &field, const QVariant &value) {
    if (field.isText())
        return value.toString().toStdString();
    return static_cast<qint64>(value.toLongLong());
}
} // namespace

BrowseList::BrowseList(store::Table &table, std::vector<ListColumn> columns, std::vector<SortOrder> orders,
                       ThumbKind thumbKind, BrowseHost &host)
    : m_table(&table)
    , m_view(std::make_unique<store::View>(table))
    , m_columns(std::move(columns))
    , m_orders(std::move(orders))
    , m_thumbKind(thumbKind)
    , m_host(&host) {
    resolveColumns();
    if (m_orders.empty())
        m_orders.push_back(SortOrder{table.def().primaryKey()});
}

BrowseList::~BrowseList() {
    // Counts still waiting for a thread are no longer wanted.
    ++*m_countSerial;
}

bool BrowseList::setJoins(const std::vector<ListJoin> &joins) {
    m_view->clearJoins();
    const store::Dictionary &dictionary = store::Dictionary::instance();
    store::Store &tables = store::Store::instance();
    bool allJoined = true;
    for (const ListJoin &j : joins) {
        const store::TableDef *parent = dictionary.table(j.parentTable);
        const store::TableDef *from = j.from.isEmpty() ? &m_table->def() : dictionary.table(j.from);
        const store::KeyDef *key = parent ? parent->key(j.parentKey) : nullptr;
        store::StoreError e;
        if (!parent || !from || !key) {
            e = m_table->fail(
                store::Code::Failure,
                QStringLiteral("cannot join %1 by %2 from %3")
                    .arg(j.parentTable, j.parentKey, j.from.isEmpty() ? m_table->def().name : j.from));
        } else {
            e = m_view->join(tables.table(parent->name), *key, j.childFields, j.inner,
                             from == &m_table->def() ? nullptr : &tables.table(from->name));
        }
        if (e) {
            allJoined = false;
            viewError();
        }
    }
    resolveColumns();
    return allJoined;
}

void BrowseList::setCarriedFields(const QStringList &fields) {
    m_carriedNames = fields;
    resolveColumns();
}

BrowseList::FieldSlot BrowseList::resolveField(const QString &name) const {
    if (!name.contains(QLatin1Char(':')))
        return {m_table, m_table->def().fieldIndex(name)};
    const store::Dictionary::FieldRef ref = store::Dictionary::instance().findField(name);
    if (!ref)
        return {};
    if (ref.table == &m_table->def())
        return {m_table, ref.field};
    for (store::Table *parent : m_view->parents()) {
        if (ref.table == &parent->def())
            return {parent, ref.field};
    }
    // A table the row does not read has nothing to show.
    return {};
}

void BrowseList::resolveColumns() {
    m_columnFields.clear();
    for (const ListColumn &c : m_columns)
        m_columnFields.push_back(resolveField(c.field));
    m_carried.clear();
    for (const QString &f : m_carriedNames)
        m_carried.push_back(resolveField(f));
}

void BrowseList::open() {
    m_request = globalRequest();
    m_openingRequest = m_request;
    m_response = Response::RequestCancelled;
    setGlobalRequest(Request::None);
    setGlobalResponse(Response::None);
}

void BrowseList::finish() {
    setGlobalResponse(m_response == Response::None ? Response::RequestCancelled : m_response);
}

void BrowseList::readPageSize() {
    m_pageSize = std::max(1, m_host->visibleRows());
}

void BrowseList::applyFilterExpression(const SortOrder &o) {
    // The view runs in SQL what names only the primary's fields and values
    // from outside the row, and tests a joined parent's fields per row.
    m_view->unbindAll();
    for (const auto &[name, value] : o.bindings)
        m_view->bind(name, value);
    if (m_view->setFilter(o.filter)) {
        // The list goes on unfiltered and says so.
        viewError();
    }
}

void BrowseList::viewError() {
    store::takeSavedError();
    store::standardMessage(m_host->messageOwner(), 36);
}

int BrowseList::firstFreeComponent() const {
    return static_cast<int>(m_builtRanges.size());
}

int BrowseList::firstFreeField() const {
    if (m_active == 0 || !order().key)
        return -1;
    const auto &components = order().key->components;
    const int c = firstFreeComponent();
    if (c >= static_cast<int>(components.size()))
        return -1;
    return components[static_cast<size_t>(c)].field;
}

bool BrowseList::firstFreeDescending() const {
    if (m_active == 0 || !order().key)
        return false;
    const auto &components = order().key->components;
    const size_t c = static_cast<size_t>(firstFreeComponent());
    return c < components.size() && components[c].descending;
}

void BrowseList::applySortOrder(int index, const std::vector<QVariant> &ranges) {
    m_active = index;
    m_builtRanges = ranges;
    const SortOrder &o = order();
    m_view->setOrder(o.key);
    std::vector<store::sql::Value> leading;
    if (o.key) {
        for (size_t i = 0; i < ranges.size() && i < o.key->components.size(); ++i) {
            const auto &f = m_table->def().fields[static_cast<size_t>(o.key->components[i].field)];
            leading.push_back(toSqlValue(f, ranges[i]));
        }
    }
    m_view->setRange(std::move(leading));
    if (o.filterSql.empty() && !o.filter.trimmed().isEmpty())
        applyFilterExpression(o);
    else
        m_view->setFilter(o.filterSql, o.filterBinder);
    m_builtFilterValues = m_view->filterValues();
    m_view->setReadAhead(std::max(1, m_pageSize));
}

bool BrowseList::startOfSortOrder() {
    // A child record read from here is born linked to its parent.
    if (m_active != 0 && order().key) {
        for (size_t i = 0; i < m_builtRanges.size() && i < order().key->components.size(); ++i)
            m_table->record().setValue(order().key->components[i].field, m_builtRanges[i]);
    }
    if (m_view->toStart()) {
        viewError();
        return false;
    }
    return true;
}

bool BrowseList::positionView(const ListRow &row) {
    if (m_view->toPosition(row.position).ok())
        return true;
    // The row's record is gone (another station deleted it): continue from
    // where its key values would sort.
    if (m_active == 0 || !order().key)
        return m_view->toStart().ok();
    store::Record values(m_table->def());
    const auto &components = order().key->components;
    for (size_t i = 0; i < components.size() && i < row.keyValues.size(); ++i)
        values.setValue(components[i].field, row.keyValues[i]);
    return m_view->toNotBelow(values).ok();
}

ListRow BrowseList::makeRow() const {
    ListRow r;
    const store::Record &rec = m_table->record();
    const auto valueOf = [](const FieldSlot &slot) {
        return slot.field >= 0 ? slot.table->record().value(slot.field) : QVariant();
    };
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const QVariant v = valueOf(m_columnFields[i]);
        r.values.push_back(v);
        r.texts.push_back(showValue(m_columns[i].picture, v));
    }
    for (const FieldSlot &slot : m_carried)
        r.carried.push_back(valueOf(slot));
    if (m_active != 0 && order().key) {
        for (const auto &c : order().key->components)
            r.keyValues.push_back(rec.value(c.field));
    }
    r.position = m_table->position();
    return r;
}

BrowseList::FillResult BrowseList::fill(bool forward, int count) {
    FillResult result{count, false};
    const bool hint = count > 1;
    if (hint)
        m_table->send(QStringLiteral("QUICKSCAN=on"));
    m_view->setReadAhead(m_pageSize);

    QString boundary;
    bool skipFirst = false;
    if (!m_page.empty()) {
        const ListRow &b = forward ? m_page.back() : m_page.front();
        boundary = b.position;
        positionView(b);
        skipFirst = true;
    }
    while (result.unread > 0) {
        const store::StoreError e = forward ? m_view->next() : m_view->previous();
        if (e.code == EndOfFile)
            break;
        if (e) {
            store::takeSavedError();
            // Damage met while reading is offered the repair; the list
            // ends either way and shows the repaired table when reopened.
            if (!store::offerRepairFor(e, m_host->messageOwner()))
                store::standardMessage(m_host->messageOwner(), 35, m_table->def().name);
            result.failed = true;
            m_response = Response::RequestCancelled;
            m_host->closeList();
            break;
        }
        if (skipFirst) {
            skipFirst = false;
            if (m_table->position() == boundary)
                continue;
        }
        if (m_adding) {
            if (static_cast<int>(m_page.size()) >= m_pageSize) {
                if (forward)
                    m_page.pop_front();
                else
                    m_page.pop_back();
            }
            if (forward)
                m_page.push_back(makeRow());
            else
                m_page.push_front(makeRow());
        }
        --result.unread;
    }
    if (hint)
        m_table->send(QStringLiteral("QUICKSCAN=off"));
    m_adding = true;
    return result;
}

void BrowseList::copyRowToBuffer(int rowNumber) {
    if (rowNumber < 1 || rowNumber > rowCount())
        return;
    const ListRow &r = row(rowNumber);
    store::Record &rec = m_table->record();
    if (m_active != 0 && order().key) {
        const auto &components = order().key->components;
        for (size_t i = 0; i < components.size() && i < r.keyValues.size(); ++i)
            rec.setValue(components[i].field, r.keyValues[i]);
    }
    // Each display field goes back to the table it came from, the primary's
    // and its joined parents'.
    for (size_t i = 0; i < m_columnFields.size() && i < r.values.size(); ++i) {
        if (m_columnFields[i].field >= 0)
            m_columnFields[i].table->record().setValue(m_columnFields[i].field, r.values[i]);
    }
    for (size_t i = 0; i < m_carried.size() && i < r.carried.size(); ++i) {
        if (m_carried[i].field >= 0)
            m_carried[i].table->record().setValue(m_carried[i].field, r.carried[i]);
    }
}

void BrowseList::reset(ResetMode mode) {
    m_host->setWaitCursor(true);
    readPageSize();
    QString saved;
    if (mode == ResetMode::FromCurrentRecord) {
        saved = m_table->position();
        if (saved.isEmpty() || m_view->toPosition(saved)) {
            saved.clear();
            startOfSortOrder();
        }
    } else if (!m_page.empty()) {
        const int h = std::clamp(m_highlighted, 1, rowCount());
        saved = row(h).position;
        positionView(m_page.front());
    } else {
        startOfSortOrder();
    }
    m_page.clear();
    FillResult r = fill(mode != ResetMode::FromEnd, m_pageSize);
    if (!r.failed && !saved.isEmpty() && r.unread > 0) {
        if (m_page.empty())
            startOfSortOrder();
        fill(mode == ResetMode::FromEnd, r.unread);
    }

    if (m_page.empty()) {
        m_highlighted = 0;
        m_table->record().clear();
    } else {
        if (!saved.isEmpty()) {
            m_highlighted = rowCount();
            for (int i = 1; i <= rowCount(); ++i) {
                if (row(i).position == saved) {
                    m_highlighted = i;
                    break;
                }
            }
        } else {
            m_highlighted = mode == ResetMode::FromEnd ? rowCount() : 1;
        }
        copyRowToBuffer(m_highlighted);
    }
    m_scrollBarVisible = rowCount() == m_pageSize;
    if (distributedThumb())
        updateThumbFromTable();
    m_host->setWaitCursor(false);
    m_host->pageChanged();
}

void BrowseList::locate(LocateMode mode) {
    readPageSize();
    m_view->discardBatch();
    bool positioned = false;
    if (mode == LocateMode::ExactPosition) {
        const QString position = m_table->position();
        positioned = !position.isEmpty() && m_view->toPosition(position).ok();
    }
    if (!positioned) {
        if (m_active != 0 && order().key) {
            for (size_t i = 0; i < m_builtRanges.size() && i < order().key->components.size(); ++i)
                m_table->record().setValue(order().key->components[i].field, m_builtRanges[i]);
        }
        if (m_view->toNotBelow(m_table->record())) {
            viewError();
            startOfSortOrder();
        }
    }
    m_page.clear();
    m_adding = false;
    const FillResult probe = fill(true, 1);
    if (probe.failed)
        return;
    reset(probe.unread == 0 ? ResetMode::FromCurrentRecord : ResetMode::FromEnd);
}

void BrowseList::finishRebuild() {
    // A list that counts its order may still spread its thumb over it (the
    // just-phones list does both).
    if (m_countsRecords)
        countRecords();
    if (m_thumbKind == ThumbKind::Distributed) {
        buildThumbTable();
    } else if (!m_countsRecords) {
        m_table->send(QStringLiteral("QUICKSCAN=on"));
        m_table->send(QStringLiteral("QUICKSCAN=off"));
    }
}

void BrowseList::countRecords() {
    qint64 records = 0;
    const quint64 serial = ++*m_countSerial;
    if (m_view->filterInSql() && !m_view->hasInnerJoin()) {
        if (m_view->knownCount(records)) {
            m_recordCount = records;
            return;
        }
        if (m_countsInBackground) {
            if (std::optional<store::Cursor::CountJob> job = m_view->countJob()) {
                m_recordCount = -1;
                m_host->countInBackground(
                    [job = *job, serial, latest = m_countSerial] {
                        qint64 n = 0;
                        if (latest->load() != serial)
                            return BrowseHost::CountOutcome{{}, 0}; // asked again since: not worth reading
                        const store::StoreError e = job.run(n);
                        return BrowseHost::CountOutcome{e, n};
                    },
                    [this, serial, job = *job](BrowseHost::CountOutcome outcome) {
                        if (serial != m_countSerial->load())
                            return; // a newer count is on its way
                        if (outcome.first) {
                            store::setLastError(outcome.first);
                            countFailed();
                            return;
                        }
                        m_recordCount = outcome.second;
                        m_view->keepCount(job, outcome.second);
                        m_host->recordCountChanged();
                    });
                return;
            }
        }
    }
    m_table->send(QStringLiteral("QUICKSCAN=on"));
    store::StoreError e;
    if (m_view->filterInSql() && !m_view->hasInnerJoin()) {
        e = m_view->count(records);
    } else {
        // A filter over a parent's fields, or a parent that must exist, is
        // known only per row: count through the view, in its batches.
        const KeptBuffers kept(*m_table, m_view->parents());
        e = m_view->toStart();
        while (!e) {
            e = m_view->next();
            if (!e)
                ++records;
        }
        if (e.code == EndOfFile)
            e = {};
    }
    m_table->send(QStringLiteral("QUICKSCAN=off"));
    if (e) {
        store::setLastError(e);
        countFailed();
        return;
    }
    m_recordCount = records;
}

void BrowseList::countFailed() {
    m_recordCount = -1;
    const store::StoreError e = store::lastError();
    store::takeSavedError();
    if (!store::offerRepairFor(e, m_host->messageOwner()))
        store::standardMessage(m_host->messageOwner(), 35, m_table->def().name);
    m_response = Response::RequestCancelled;
    m_host->closeList();
}

void BrowseList::refresh(int sortOrder) {
    if (m_acceptingAll)
        return;
    const int wanted = std::clamp(sortOrder + 1, 1, static_cast<int>(m_orders.size()));
    const SortOrder &o = m_orders[static_cast<size_t>(wanted - 1)];
    const std::vector<QVariant> ranges = o.rangeValues ? o.rangeValues() : std::vector<QVariant>{};
    const bool first = !m_firstRefreshDone;
    // A value the filter reads from outside the row (a process-wide
    // category, a parent's number) changes what the list shows as a range
    // value does.
    const bool filterChanged = !first && wanted == m_active && m_view->filterValues() != m_builtFilterValues;
    const bool rangeChanged = !first && (ranges != m_builtRanges || filterChanged);
    if (first || wanted != m_active || rangeChanged || m_forced) {
        if (m_beforeRebuild)
            m_beforeRebuild(wanted - 1);
        if (!m_page.empty())
            fetchHighlighted();
        readPageSize();
        applySortOrder(wanted, ranges);
        startOfSortOrder();
        m_firstRefreshDone = true;
        if ((first && m_request != Request::SelectRecord) || rangeChanged) {
            m_page.clear();
            reset(ResetMode::FromStart);
        } else {
            locate(LocateMode::NotBelow);
        }
        finishRebuild();
        if (!distributedThumb())
            m_thumb = rowCount() < m_pageSize ? 0 : (m_highlighted <= 1 ? 0 : 50);
    }
    if (!m_page.empty())
        copyRowToBuffer(m_highlighted);
    if (distributedThumb())
        updateThumbFromTable();
    m_scrollBarVisible = rowCount() == m_pageSize;
    m_forced = false;
    m_host->pageChanged();
}

void BrowseList::afterScroll(bool down, int unread) {
    if (distributedThumb()) {
        updateThumbFromTable();
    } else {
        if (rowCount() < m_pageSize)
            m_thumb = 0;
        else if (unread > 0)
            m_thumb = down ? 100 : 0;
        else
            m_thumb = 50;
    }
    copyRowToBuffer(m_highlighted);
    m_scrollBarVisible = rowCount() == m_pageSize;
    m_host->pageChanged();
}

void BrowseList::scrollRow(bool down) {
    if (m_page.empty())
        return;
    m_locatorText.clear();
    readPageSize();
    int unread = 0;
    if (!down && m_highlighted > 1) {
        --m_highlighted;
    } else if (down && m_highlighted < rowCount()) {
        ++m_highlighted;
    } else {
        const bool wasFull = rowCount() >= m_pageSize;
        const FillResult r = fill(down, 1);
        if (r.failed)
            return;
        unread = r.unread;
        if (!wasFull && unread == 0 && down)
            m_highlighted = rowCount();
    }
    afterScroll(down, unread);
}

void BrowseList::scrollPage(bool down) {
    if (m_page.empty())
        return;
    m_locatorText.clear();
    readPageSize();
    const FillResult r = fill(down, m_pageSize);
    if (r.failed)
        return;
    if (r.unread > 0)
        m_highlighted =
            down ? std::min(rowCount(), m_highlighted + r.unread) : std::max(1, m_highlighted - r.unread);
    m_highlighted = std::clamp(m_highlighted, 1, rowCount());
    afterScroll(down, r.unread);
}

void BrowseList::scrollToEnd(bool bottom) {
    m_locatorText.clear();
    readPageSize();
    m_page.clear();
    if (!startOfSortOrder())
        return;
    const FillResult r = fill(!bottom, m_pageSize);
    if (r.failed)
        return;
    m_highlighted = m_page.empty() ? 0 : (bottom ? rowCount() : 1);
    if (m_page.empty())
        m_table->record().clear();
    // An end reached is an end: the thumb sits there.
    afterScroll(bottom, 1);
}

void BrowseList::highlightRow(int rowNumber) {
    if (m_page.empty())
        return;
    m_highlighted = std::clamp(rowNumber, 1, rowCount());
    copyRowToBuffer(m_highlighted);
    m_scrollBarVisible = rowCount() == m_pageSize;
    refresh(m_active - 1);
}

void BrowseList::typed(QChar c) {
    if (m_page.empty() || m_active == 0)
        return;
    const int field = firstFreeField();
    if (field < 0)
        return;
    const store::FieldDef &f = m_table->def().fields[static_cast<size_t>(field)];
    if (order().locator == Locator::Incremental) {
        if (m_locatorText.size() < LocatorWidth)
            m_locatorText.append(c);
        const QString text = m_locatorText;
        m_table->record().setValue(field,
                                   isNumeric(f) ? QVariant(text.trimmed().toLongLong()) : QVariant(text));
        locate(LocateMode::NotBelow);
        m_locatorText = text;
        return;
    }
    if (order().locator != Locator::Step)
        return;
    const QChar wanted = c.toUpper();
    const size_t comp = static_cast<size_t>(firstFreeComponent());
    auto firstChar = [&]() -> QChar {
        const ListRow &r = row(m_highlighted);
        if (comp >= r.keyValues.size())
            return {};
        const QString s =
            isNumeric(f) ? QString::number(r.keyValues[comp].toLongLong()) : r.keyValues[comp].toString();
        return s.isEmpty() ? QChar() : s.at(0).toUpper();
    };
    if (firstChar() == wanted) {
        scrollRow(true);
        copyRowToBuffer(m_highlighted);
    }
    if (firstChar() != wanted) {
        if (isNumeric(f))
            m_table->record().setValue(field, QVariant(static_cast<qint64>(std::max(0, c.digitValue()))));
        else
            m_table->record().setValue(field, QVariant(QString(c)));
        locate(LocateMode::NotBelow);
    } else {
        m_host->pageChanged();
    }
}

void BrowseList::backspace() {
    if (m_active == 0 || order().locator != Locator::Incremental || m_locatorText.isEmpty())
        return;
    m_locatorText.chop(1);
    const int field = firstFreeField();
    if (field < 0)
        return;
    const QString text = m_locatorText;
    const store::FieldDef &f = m_table->def().fields[static_cast<size_t>(field)];
    m_table->record().setValue(field, isNumeric(f) ? QVariant(text.trimmed().toLongLong()) : QVariant(text));
    locate(LocateMode::NotBelow);
    m_locatorText = text;
}

bool BrowseList::fetchHighlighted() {
    if (m_page.empty())
        return false;
    const int h = std::clamp(m_highlighted, 1, rowCount());
    m_table->watch();
    if (!m_table->reget(row(h).position).ok())
        return false;
    // The parents as the joins find them now, not as the page saw them.
    m_view->readParents();
    return true;
}

} // namespace tabulo::engine

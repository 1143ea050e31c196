#pragma once

#include "engine/Globals.h"
#include "store/Filter.h"
#include "store/Table.h"
#include "store/View.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QObject;

namespace tabulo::engine {

// One column of a list: the field it shows and the picture it shows it with.
// The field may belong to the primary table or to any table joined to it
// ("NAM:CITY" beside "JNC:LNAME"); a bare name is the primary's.
struct ListColumn {
    QString field;   // "CAT:CATEGORY" or "CATEGORY"
    QString picture; // "@s30"
};

// A parent table read beside every record of the list's primary table: its
// key is filled from `childFields` of the table `from` (the primary when
// empty, or a parent joined before this one, so that a link reads its person
// and the person its company).
struct ListJoin {
    QString parentTable;     // "QKnam"
    QString parentKey;       // "CTRL_KEY" or "NAM:CTRL_KEY"
    QStringList childFields; // "JNC:NAM_CTRL", one per component of the key
    bool inner = false;      // a record whose parent is missing is not listed
    QString from;            // "QKnam" for the person's company; empty: the primary
};

enum class Locator { None, Step, Incremental };

// One sort order of a list: a key, optionally leading components fixed to
// parent values, optionally a filter the view applies.
struct SortOrder {
    const store::KeyDef *key = nullptr;
    // The values the leading key components are fixed to, read at every
    // refresh (a parent's control number); empty when the order has no range.
    std::function<std::vector<QVariant>()> rangeValues;
    // A filter compiled to SQL over the table's columns, and its binder.
    std::string filterSql;
    std::function<int(store::sql::Statement &, int)> filterBinder;
    Locator locator = Locator::Step;
    // A filter expression over bound names ("fon:nam_ctrl = nam:ctrl_nbr"),
    // compiled when the order becomes active; the names it may use besides
    // fields and process-wide values, such as a parent value bound as
    // "BRW2::Sort1:Reset:nam:CTRL_NBR". Used when filterSql is empty.
    QString filter;
    std::vector<std::pair<QString, std::function<QVariant()>>> bindings;
};

// How the scroll thumb follows the page.
enum class ThumbKind {
    Fixed,      // 0, 50 or 100 after each scroll
    Distributed // a table of 100 key values spread over the sort order
};

// One row of the page: the column texts and values, the values of the
// fields it carries besides its columns, the active key's values (for the
// locators and the thumb), and the primary record's position token.
struct ListRow {
    QStringList texts;
    std::vector<QVariant> values;
    std::vector<QVariant> carried;
    std::vector<QVariant> keyValues;
    QString position;
};

// The buttons and menu items a list offers. Command is a context menu item
// that runs a button of the window's own (see MenuItem::command).
enum class ListAction { None, Insert, Change, Delete, Select, Close, Command };

// One item of a list's context menu.
struct MenuItem {
    QString text;                         // "&Insert"; "-" is a separator
    ListAction action = ListAction::None; // an engine button ...
    std::function<void()> command;        // ... or the window's own ("Copy To...")
    bool needsRows = false;               // disabled while the page is empty
    bool needsSelectMode = false;         // disabled unless opened to select a record
};

// The context menu of a list. A list that configures none gets the engine's
// own: Insert, the update label and Delete, then Select when it has one.
struct ContextMenu {
    std::vector<MenuItem> items; // no items: the list shows no menu
    bool shownWhenEmpty = true;  // false: an empty page shows no menu at all
};

// What the engine needs from the window that shows it.
class BrowseHost {
public:
    virtual ~BrowseHost() = default;
    // Rows the list control shows at once, read each time a page is filled.
    virtual int visibleRows() const = 0;
    // The page, highlight, thumb or buttons changed: show them.
    virtual void pageChanged() = 0;
    // Runs the table's record form for GlobalRequest (already set) and calls
    // `done` when it has ended; GlobalResponse then holds its answer. The
    // list waits without blocking anything but its own window.
    virtual void runForm(std::function<void()> done) = 0;
    // Ends the window (the engine has set its response).
    virtual void closeList() = 0;
    // The window message boxes belong to.
    virtual QObject *messageOwner() const { return nullptr; }
    virtual void setWaitCursor(bool) {}
    // Runs `work` (which touches no window and no shared buffer) and hands
    // its outcome to `done` on the list's own thread. Here: at once; a window
    // runs it on another thread so a large count does not hold it up.
    using CountOutcome = std::pair<store::StoreError, qint64>;
    virtual void countInBackground(std::function<CountOutcome()> work,
                                   std::function<void(CountOutcome)> done) {
        done(work());
    }
    // The record count became known (see BrowseList::recordCount).
    virtual void recordCountChanged() {}
};

// The browse list engine: shows the records of one table in key order while
// holding only the visible page, scrolls, locates, keeps the thumb, and runs
// the record form for insert, change and delete (or hands a record back when
// it was opened to pick one). One instance per list window.
class BrowseList final {
public:
    enum class ResetMode { FromCurrentRecord, FromFirstRow, FromStart, FromEnd };
    enum class LocateMode { ExactPosition, NotBelow };

    BrowseList(store::Table &table, std::vector<ListColumn> columns, std::vector<SortOrder> orders,
               ThumbKind thumbKind, BrowseHost &host);
    ~BrowseList();
    BrowseList(const BrowseList &) = delete;
    BrowseList &operator=(const BrowseList &) = delete;

    store::Table &table() const { return *m_table; }

    // Configuration, before open(). Joined parents are read with every
    // record; a join that does not fit the dictionary is reported with
    // message 36 and left out (false).
    bool setJoins(const std::vector<ListJoin> &joins);
    // Fields every row carries besides its columns, copied back into their
    // tables' buffers with the row (the detail fields beside a list).
    void setCarriedFields(const QStringList &fields);
    // The list's context menu; nothing keeps the engine's own.
    void setContextMenu(std::optional<ContextMenu> menu) { m_menu = std::move(menu); }
    // The rebuild ends by counting the records of the current range and
    // filter instead of the thumb's own ending.
    void setCountsRecords(bool on) { m_countsRecords = on; }
    // Counts that are not known at once are made by the host in the
    // background; recordCount() is -1 until they arrive.
    void setCountsInBackground(bool on) { m_countsInBackground = on; }
    // The count of the last rebuild (and of every refill after an action);
    // -1 before the first one or in lists that do not count.
    qint64 recordCount() const { return m_recordCount; }

    // Entry: takes over GlobalRequest (clearing it and GlobalResponse).
    void open();
    // Leaving: GlobalResponse gets the list's response.
    void finish();
    Request request() const { return m_request; }
    Response response() const { return m_response; }

    // Request-dependent set-up.
    bool selectEnabled() const { return m_openingRequest == Request::SelectRecord; }
    ListAction defaultAction() const;
    ListAction doubleClickAction() const;

    // Refresh: rebuilds the page when the sort order (the host's tab) or a
    // range changed, or when forced (focus regained).
    void refresh(int sortOrder = 0);
    void forceRefresh() { m_forced = true; }
    // Runs whenever the list is about to build a sort order (0-based) anew:
    // at the first refresh, on a change of order or range, when forced.
    void setBeforeRebuild(std::function<void(int sortOrder)> hook) { m_beforeRebuild = std::move(hook); }
    void setAcceptingAll(bool on) { m_acceptingAll = on; }

    // Scrolling.
    void scrollRow(bool down);
    void scrollPage(bool down);
    void scrollToEnd(bool bottom);
    void thumbDragged(int position);
    // The highlight moved by mouse or keyboard (1-based row).
    void highlightRow(int row);

    // Locators: a printable character typed on the list, Backspace.
    void typed(QChar c);
    void backspace();
    const QString &locatorText() const { return m_locatorText; }

    // Positions by the key values in the record buffer and refills.
    void locate(LocateMode mode);
    void reset(ResetMode mode);

    // Actions.
    void perform(ListAction action);
    void insert();
    // Insert of a record that starts as a copy of the highlighted one,
    // changed by `prepare` (the call list's "Add Copy").
    void insertCopy(const std::function<void(store::Record &)> &prepare);
    void change();
    void remove();
    void select();
    void close();
    // The window is being closed by the user: answer RequestCancelled.
    void windowClosing();
    // Before every action: watch and re-read the highlighted record in full.
    bool fetchHighlighted();

    // Context menu text and its items: "|" between items, "-" a separator,
    // "~" before a disabled item; empty when no menu is to be shown.
    QString contextMenuText() const;
    // The action of the chosen item (1-based, separators not counted); None
    // for a disabled one. For a command item it is Command, and the item's
    // command runs at the next perform(Command), as a posted button would.
    ListAction contextMenuAction(int item) const;
    void setHasSelectButton(bool on) { m_hasSelectButton = on; }
    void setUpdateLabel(const QString &label) { m_updateLabel = label; }

    // Called when a record is selected, before the window closes.
    void onSelect(std::function<void()> hook) { m_onSelect = std::move(hook); }

    // The page.
    int rowCount() const { return static_cast<int>(m_page.size()); }
    const ListRow &row(int row) const { return m_page.at(static_cast<size_t>(row - 1)); }
    int highlighted() const { return m_highlighted; }
    int pageSize() const { return m_pageSize; }
    int thumb() const { return m_thumb; }
    bool scrollBarVisible() const { return m_scrollBarVisible; }
    bool changeEnabled() const { return !m_page.empty(); }
    int activeSortOrder() const { return m_active; }
    const std::vector<QVariant> &thumbTable() const { return m_thumbTable; }
    bool formRunning() const { return m_formRunning; }

    // The thumb table of the active sort order (distributed thumbs).
    void buildThumbTable();

private:
    std::function<void(int)> m_beforeRebuild;
    struct FillResult {
        int unread = 0;
        bool failed = false;
    };
    // Where the value of a column or carried field lives.
    struct FieldSlot {
        store::Table *table = nullptr;
        int field = -1;
    };

    const SortOrder &order() const { return m_orders.at(static_cast<size_t>(m_active - 1)); }
    void applySortOrder(int index, const std::vector<QVariant> &ranges);
    bool startOfSortOrder();
    bool positionView(const ListRow &row);
    FillResult fill(bool forward, int count);
    ListRow makeRow() const;
    void copyRowToBuffer(int row);
    FieldSlot resolveField(const QString &name) const;
    void resolveColumns();
    std::vector<MenuItem> menuItems() const;
    bool itemEnabled(const MenuItem &item) const;
    void countRecords();
    void countFailed();
    int firstFreeComponent() const;
    int firstFreeField() const;
    bool firstFreeDescending() const;
    void finishRebuild();
    void afterScroll(bool down, int unread);
    void updateThumbFromTable();
    bool distributedThumb() const { return m_thumbKind == ThumbKind::Distributed && m_thumbTableOrdered; }
    void callForm(Request request, std::function<void(Response)> then);
    // Calls the form; a completed form leaves the list on the record it
    // wrote, anything else shows the list from its first row.
    void callFormAndFollow(Request request);
    void readPageSize();
    void viewError();
    void applyFilterExpression(const SortOrder &o);

    store::Table *m_table;
    std::unique_ptr<store::View> m_view;
    std::vector<ListColumn> m_columns;
    std::vector<FieldSlot> m_columnFields;
    QStringList m_carriedNames;
    std::vector<FieldSlot> m_carried;
    std::optional<ContextMenu> m_menu;
    mutable std::function<void()> m_chosenCommand;
    bool m_countsRecords = false;
    qint64 m_recordCount = -1;
    bool m_countsInBackground = false;
    // The newest count asked for, shared with the counts in flight: an older
    // one still waiting for a thread is skipped, an older answer dropped.
    std::shared_ptr<std::atomic<quint64>> m_countSerial = std::make_shared<std::atomic<quint64>>(0);
    std::vector<QVariant> m_builtFilterValues;
    std::vector<SortOrder> m_orders;
    ThumbKind m_thumbKind;
    BrowseHost *m_host;

    int m_active = 0;
    std::vector<QVariant> m_builtRanges;
    std::deque<ListRow> m_page;
    int m_highlighted = 0;
    int m_pageSize = 1;
    bool m_adding = true;
    bool m_forced = false;
    bool m_acceptingAll = false;
    bool m_firstRefreshDone = false;
    bool m_scrollBarVisible = false;
    bool m_formRunning = false;
    bool m_hasSelectButton = true;
    QString m_updateLabel = QStringLiteral("&Edit");
    int m_thumb = 0;
    std::vector<QVariant> m_thumbTable;
    // Whether the thumb table rises from entry to entry; a key of digits spread
    // over letters does not, and then the thumb behaves as a fixed one.
    bool m_thumbTableOrdered = false;
    QString m_locatorText;

    Request m_request = Request::None;
    Request m_openingRequest = Request::None;
    Response m_response = Response::RequestCancelled;
    std::function<void()> m_onSelect;
};

// The thumb table entries between two values of a key component: numbers
// spread evenly, text spread over the letters after the common prefix.
std::vector<QVariant> thumbEntries(const QVariant &low, const QVariant &high, bool numeric, int width);

} // namespace tabulo::engine

#pragma once

#include "engine/BrowseList.h"
#include "store/Store.h"

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QTabBar;
class QVBoxLayout;
class QHBoxLayout;

namespace tabulo::engine::gui {

class PageView;

// Runs a record form over `caller` for GlobalRequest and calls `done` once it
// has ended (GlobalResponse holds its answer).
using FormRunner = std::function<void(QWidget *caller, std::function<void()> done)>;

// How a particular list configures the engine and its window.
struct ListSetup {
    QString objectName;   // "catls"
    QString title;        // "Names Categories"
    QString placementKey; // "catls"
    QString tableName;    // "QKcat"
    QStringList uses;     // tables held while the window lives
    std::vector<ListColumn> columns;
    // The list box's column format ("103L(2)|M~Category~@s30@"): widths,
    // alignments, headers and, for columns without one, pictures. Columns
    // past the format's are extras the rows carry unseen.
    QString columnFormat;
    std::vector<SortOrder> orders;
    QStringList tabTexts; // one per sort order when the list has tabs
    ThumbKind thumb = ThumbKind::Fixed;
    QString changeLabel = QStringLiteral("&Edit");
    QString closeLabel = QStringLiteral("&Close");
    QString insertLabel = QStringLiteral("&Insert");
    QString deleteLabel = QStringLiteral("&Delete");
    bool hasSelectButton = true;
    // A list embedded in another window (a form's tab, the names list's
    // detail tabs): a plain child widget with no placement of its own and no
    // Close button; its forms open over the window that holds it.
    bool embedded = false;
    // Its parent when embedded.
    QWidget *embeddedIn = nullptr;
    QString buttonsTab;     // the buttons sit on a tab of this name ("General") when set
    QString statusText;     // the window's status text ("Select or update Category")
    QString listStatusText; // the list's own status text ("Browsing Records")
    int visibleRows = 10;
    FormRunner form;
    std::vector<ListJoin> joins;            // parents read with every row (their tables also in `uses`)
    QStringList carriedFields;              // fields each row carries besides its columns
    bool countsRecords = false;             // the rebuild ends by counting (BrowseList::recordCount)
    bool countsInBackground = false;        // ... on another thread when the count is not known
    std::optional<ContextMenu> contextMenu; // none: the engine's own menu
    // A row's own text colour for a cell (drawn highlighted or not); an
    // invalid colour leaves the list's default.
    std::function<QColor(const ListRow &row, int column)> cellTextColour;
};

// The window of a list: a list control showing exactly the engine's page, a
// scroll bar driven by the thumb, optional tabs choosing the sort order, and
// the Insert, Change, Delete, Select and Close buttons. Opened over a caller
// it is window-modal to it and tells the caller when it ends.
class BrowseWindow : public QWidget, public BrowseHost {
    Q_OBJECT
public:
    // Opens the list for GlobalRequest. With a caller the list blocks only
    // that window; `done` runs when the list has ended (GlobalResponse holds
    // its answer).
    BrowseWindow(ListSetup setup, QWidget *caller = nullptr, std::function<void()> done = {});
    ~BrowseWindow() override;

    BrowseList &engine() { return *m_engine; }
    PageView *listControl() const { return m_view; }
    QScrollBar *thumbBar() const { return m_thumbBar; }
    QPushButton *button(ListAction action) const;
    QTabBar *tabs() const { return m_tabs; }
    QVBoxLayout *extraArea() const { return m_extraArea; }
    // The row that holds the list control and its thumb: details beside the
    // list go at its end.
    QHBoxLayout *listRow() const { return m_listRow; }
    QLabel *statusLine() const { return m_status; }

    // The context menu built from the engine's text (shown at `pos`); null
    // when the list offers none.
    QMenu *showContextMenu(const QPoint &globalPos);

    // BrowseHost
    int visibleRows() const override;
    void pageChanged() override;
    void runForm(std::function<void()> done) override;
    void closeList() override;
    QObject *messageOwner() const override { return const_cast<BrowseWindow *>(this); }
    void setWaitCursor(bool on) override;
    void countInBackground(std::function<CountOutcome()> work,
                           std::function<void(CountOutcome)> done) override;
    void recordCountChanged() override { emit recordCountReady(); }

signals:
    // The highlighted row changed (after the engine copied it to the buffer).
    void rowChanged();
    // A count made in the background has arrived.
    void recordCountReady();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);
    void thumbAction(int action);

    ListSetup m_setup;
    store::TableUse m_use;
    std::unique_ptr<BrowseList> m_engine;
    PageView *m_view = nullptr;
    QScrollBar *m_thumbBar = nullptr;
    QTabBar *m_tabs = nullptr;
    QLabel *m_status = nullptr;
    QVBoxLayout *m_extraArea = nullptr;
    QHBoxLayout *m_listRow = nullptr;
    std::map<ListAction, QPushButton *> m_buttons;
    std::function<void()> m_done;
    bool m_shownOnce = false;
    bool m_wasInactive = false;
    bool m_updating = false;
    bool m_engineCloses = false;
    bool m_finished = false;
};

// A list of the children of the record in `parentTable`'s buffer (a
// person's phones, a company's notes), embedded in `parent` as a detail tab
// shows it: ranged through `keyName` on that record's control number and
// filtered by `filter`, with "&Add", "&Change" and "&Delete", no Select and
// no context menu. The window sets its form.
ListSetup detailListSetup(QWidget *parent, const char *name, const char *tableName, const char *keyName,
                          const QString &filter, const QString &format, std::vector<ListColumn> columns,
                          const char *parentTable, QStringList uses);

// Builds a menu from a menu text: items separated by "|", a leading "~"
// disables an item, "-" is a separator. Each enabled item reports its
// 1-based number (separators not counted) through `chosen`.
QMenu *menuFromText(const QString &text, QWidget *parent, std::function<void(int)> chosen);

} // namespace tabulo::engine::gui

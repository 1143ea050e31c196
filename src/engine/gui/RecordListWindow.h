#pragma once

#include "engine/gui/BrowseWindow.h"

#include <QString>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

namespace tabulo::store {
class Table;
}

namespace tabulo::engine::gui {

class AlphabetBar;
class InPlaceEditor;
class RecordEditor;

// The main list of a record-list window: one category's links in name order
// (`key` ranges over the category first, `category` tells the one shown),
// counted on the side, with the joined records it reads.
struct CategoryLinksSetup {
    const char *objectName;
    const char *linksTable;
    const char *key;
    QStringList uses;
    std::function<qint64()> category;
    std::vector<ListColumn> columns;
    QString columnFormat;
    QStringList carriedFields;
    std::vector<ListJoin> joins;
};
ListSetup categoryLinksSetup(QWidget *parent, CategoryLinksSetup links);

// The shape the names list and the companies list share: one category's
// links in a tab named after the category, with their count under them, and
// beside it the highlighted record on detail tabs (its own fields edited in
// place on the first, its phones, notes and categories as lists on others).
// A move of the highlight saves what was typed and shows the record under
// it; the detail list in front follows; a window elsewhere shows a record
// here through a locate, on the detail tab it asks for.
class RecordListWindow : public QWidget {
    Q_OBJECT
public:
    BrowseWindow *mainList() const { return m_list; }
    QTabWidget *detailTabs() const { return m_details; }
    // The in-place entry of a field ("NAM:LNAME").
    QLineEdit *entry(const QString &field) const;
    // The links in the category shown; -1 while they are being counted.
    qint64 recordCount() const;
    // Forced rebuild of the main list and the detail list in front.
    virtual void refreshAll(bool forced = true);

protected:
    RecordListWindow(QWidget *parent, Qt::WindowFlags flags);

    // The tab holding the main list and its count (m_mainTab, m_list,
    // m_count), the list's own record buttons hidden: records are added and
    // deleted through the window's.
    QTabWidget *buildMainList(ListSetup setup);
    // Which detail tab shows which list; a tab's list may be made when the
    // tab first shows (makeDetailTab).
    void setDetailLists(std::map<int, BrowseWindow *const *> lists) { m_detailLists = std::move(lists); }
    virtual void makeDetailTab(int) {}
    // The list of the detail tab in front, read again.
    void refreshDetail();
    void showCount();
    // Whatever moved the list: what was typed for the record shown before
    // is saved into it first, then the highlighted link's record is read
    // and shown with the detail list in front and the buttons that apply.
    void highlightChanged();
    virtual void readHighlighted() = 0;
    virtual void showHighlighted() = 0;
    virtual void updateButtons() = 0;
    // A change under way that the highlight leaves alone (adding a record,
    // tagging a category).
    virtual bool highlightHeld() const = 0;
    // In the middle of something a refresh would cut short (adding a
    // record, asking, closing).
    virtual bool busyNow() const = 0;

    // The main list at the first link not before `values` (the category's
    // number first), the highlighted record shown.
    void locateLink(store::Table &links, const std::vector<std::pair<QString, QVariant>> &values);
    // After a locate from elsewhere placed the main list: the record shown,
    // `detailTab` (-1: the one in front) in front, the list in focus.
    void showLocated(int detailTab);
    // The notes tab (`tab`) in front, on the note numbered `note` of `owner`.
    bool showNote(int tab, store::Table &notes, qint64 note, const QString &ownerField, qint64 owner);
    // Back from another window or station: what they changed shows, unless
    // the user is typing in a field (it keeps its text).
    void cameBack();

    BrowseWindow *m_list = nullptr;
    BrowseWindow *m_phones = nullptr;
    BrowseWindow *m_notes = nullptr;
    BrowseWindow *m_categories = nullptr;
    AlphabetBar *m_letters = nullptr;
    QTabWidget *m_mainTab = nullptr;
    QTabWidget *m_details = nullptr;
    QLabel *m_count = nullptr;
    QPlainTextEdit *m_memo = nullptr;
    RecordEditor *m_record = nullptr;
    InPlaceEditor *m_editor = nullptr; // the record editor's fields
    std::map<QString, QWidget *> m_actions; // buttons and icons by object name

private:
    std::map<int, BrowseWindow *const *> m_detailLists;
};

} // namespace tabulo::engine::gui

#pragma once

#include "engine/gui/RecordListWindow.h"
#include "people/Membership.h"
#include "store/Store.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

class QBoxLayout;
class QLabel;
class QLineEdit;

namespace tabulo::engine::gui {
struct RecordEditorSetup;
enum class Leave;
enum class LeaveReason;
} // namespace tabulo::engine::gui
namespace tabulo::host::gui {
class WindowOpeners;
}

namespace tabulo::people::gui {

// "Names List", the program's central window: the people of one category
// (or all) in last-name order from their category links, with the
// highlighted person's whole record on five tabs beside the list. The home
// address is edited in place and saved field by field; phones and notes go
// through their forms; people are added and deleted here, tagged, and copied,
// moved or removed between categories. There is one names list at a time.
class NamesListWindow final : public engine::gui::RecordListWindow {
    Q_OBJECT
public:
    // Opens the names list, or brings the open one forward.
    static NamesListWindow *open();
    static NamesListWindow *openWindow();
    ~NamesListWindow() override;

    engine::gui::BrowseWindow *phonesList() const { return m_phones; }
    engine::gui::BrowseWindow *notesList() const { return m_notes; }
    engine::gui::BrowseWindow *categoriesList() const { return m_categories; }
    bool ageShown() const;

    // The window's actions, as its buttons run them.
    void addRecord();
    void deleteRecord();
    void showAll();
    void chooseCategory();
    void displayCategory(qint32 category, const QString &name);
    void alphabetJump(QChar letter);
    void tagHighlighted(bool on);
    // Tags or untags every link of the category shown, in slices that leave
    // the window usable; `done` runs at the end.
    void tagAll(bool on, std::function<void()> done = {});
    void membership(MembershipOp op);
    void toPhonesList();
    void toggleAge();
    // Shows "All" positioned on `person`, with the detail tab `detailTab`
    // (0-based; -1 leaves the tab shown) in front: how a window elsewhere
    // (the find window) brings the user to a person. False, with the list
    // left as it was, when the person is not there.
    bool locate(qint64 person, int detailTab = -1);
    // Shows the Notes tab positioned on one of the shown person's notes.
    bool locateNote(qint64 note);
    // Forced rebuild of the main list and the visible detail list; an
    // empty category offers to add a record.
    void refreshAll(bool forced = true) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    NamesListWindow();
    void build();
    QWidget *buildHomeTab();
    QWidget *buildPhonesTab();
    QWidget *buildNotesTab();
    QWidget *buildWorkTab();
    QWidget *buildCategoriesTab();
    void buildIconBar(QBoxLayout *into);
    // Runs an icon's action on the "Home Address" tab.
    void onHomeTab(void (NamesListWindow::*action)());

    void readHighlighted() override { readPerson(); }
    void showHighlighted() override {
        showTagMarks();
        showPerson();
    }
    bool highlightHeld() const override { return m_busy; }
    bool busyNow() const override { return m_busy || m_asking || m_closing; }
    bool beforeAction();
    void readPerson();
    void showPerson();
    void showTagMarks();
    void setCategory(qint32 category, const QString &name);
    void reposition(const QString &lastName);
    // The main list at the first link of this last name or after it.
    void locateAt(const QString &lastName);
    void askWhenEmpty();
    engine::gui::RecordEditorSetup recordEditorSetup();
    engine::gui::Leave companyLeft(QLineEdit *edit, engine::gui::LeaveReason why);
    void pickCompany(const QString &remembered);
    void pickBirthdate();
    void pickAgeDate();
    void updateAge();
    void updateButtons() override;
    qint64 highlightedPointer() const;
    qint64 currentPerson() const;
    bool linksFailed(const store::StoreError &error);

    store::TableUse m_use;
    QLabel *m_ageLabel = nullptr;
    QLabel *m_cityLine = nullptr;
    std::vector<QWidget *> m_ageControls;
    QString m_declined;                     // the empty category the user declined to fill
    bool m_asking = false;
    bool m_busy = false;
    bool m_closing = false;
};

// Lets the main frame's "Names List" item open the names list.
void registerNamesList(host::gui::WindowOpeners &openers);

} // namespace tabulo::people::gui

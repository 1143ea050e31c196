#pragma once

#include "engine/gui/RecordListWindow.h"
#include "store/Store.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

class QLabel;

namespace tabulo::engine::gui {
struct RecordEditorSetup;
enum class Leave;
enum class LeaveReason;
} // namespace tabulo::engine::gui
namespace tabulo::host::gui {
class WindowOpeners;
}

namespace tabulo::companies::gui {

// "Companies List": the companies of one company category (or all) in name
// order from their category links, with the highlighted company on four
// tabs beside the list. The address is edited in place and saved field by
// field; a new company is added in place in an adding mode that greys the
// frame's menus until OK or Cancel. Opened from the frame (one at a time) or
// as the names list's picker (always a new window).
class CompaniesListWindow final : public engine::gui::RecordListWindow {
    Q_OBJECT
public:
    // The browsing list, or the open one brought forward.
    static CompaniesListWindow *open();
    // A picker over `caller`, positioned at the name in JCG:COMPANY; `done`
    // runs when it ends (GlobalResponse; after Select the QKcmp buffer holds
    // the company).
    static CompaniesListWindow *pick(QWidget *caller, std::function<void()> done);
    static CompaniesListWindow *openWindow();
    ~CompaniesListWindow() override;

    bool adding() const { return m_adding; }

    void addRecord();
    void finishAdding(bool keep);
    void deleteRecord();
    void showAll();
    void chooseCategory();
    void displayCategory(qint64 group, const QString &name);
    void alphabetJump(QChar letter);
    void assignment(const QString &word);
    // Shows "All" positioned on `company`, with the detail tab `detailTab`
    // (0-based; -1 leaves the tab shown) in front: how a window elsewhere
    // (the find window) brings the user to a company. False, with the list
    // left as it was, when the company is not there or one is being added.
    bool locate(qint64 company, int detailTab = -1);
    // Shows the Notes tab positioned on one of the shown company's notes.
    bool locateNote(qint64 note);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    CompaniesListWindow(bool picker, QWidget *caller, std::function<void()> done);
    void build();
    QWidget *buildAddressTab();
    QWidget *buildPhonesTab();
    QWidget *buildNotesTab();
    QWidget *buildCategoriesTab();
    void makeDetailTab(int index) override;
    // Runs an icon's action on the "Address" tab.
    void onAddressTab(void (CompaniesListWindow::*action)());
    void readHighlighted() override { readCompany(); }
    void showHighlighted() override { showCompany(); }
    bool highlightHeld() const override { return m_adding; }
    bool busyNow() const override { return m_adding || m_ended; }
    void readCompany();
    void showCompany();
    void updateButtons() override;
    void setCategory(qint64 group, const QString &name);
    void reposition(const QString &name);
    engine::gui::RecordEditorSetup recordEditorSetup();
    engine::gui::Leave phoneLeft(engine::gui::LeaveReason why);
    void pickPhone();
    void showMainPhone();
    // The main list at the first link of this name or after it.
    void locateAt(const QString &name);

    bool m_picker;
    store::TableUse m_use;
    QLabel *m_status = nullptr;
    QLabel *m_categoryPanel = nullptr;
    std::function<void()> m_done;
    qint64 m_newCompany = 0;
    qint64 m_shownBeforeAdding = 0;
    bool m_adding = false;
    bool m_selected = false;
    bool m_ended = false;
};

// Lets the main frame's "Companies List" item open the list.
void registerCompaniesList(host::gui::WindowOpeners &openers);

} // namespace tabulo::companies::gui

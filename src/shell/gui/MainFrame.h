#pragma once

#include "engine/PlacementSettings.h"
#include "host/ReminderState.h"
#include "host/gui/WindowOpeners.h"
#include "shell/FrameTitle.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

namespace tabulo::host {
class SetupSource;
}

namespace tabulo::shell::gui {

// The program's main window: a multi-document frame whose menu starts every
// other window. It holds the setup table for its whole life, builds its title
// from the owner's name and today's date, re-opens the pending-events list on
// its minute timer, and answers the events the list windows post to it.
class MainFrame final : public QMainWindow {
    Q_OBJECT
public:
    struct Services {
        host::SetupSource *setup = nullptr;      // required
        DateFormatter formatD3;                  // the "d3" date picture
        QString settingsFile;                    // QK.INI; empty: the data directory's
        host::ReminderState *reminder = nullptr; // null: the process-wide state
        QString programDirectory;                // where the help launcher is; empty: the program's
    };

    explicit MainFrame(Services services, QWidget *parent = nullptr);
    ~MainFrame() override;

    // Runs the start-up: restores the placement, shows the frame, makes sure
    // the setup record exists, sets the title, opens the names list and the
    // pending-events list and starts the minute timer. Returns false, with
    // the reason in `error`, when the blank setup record could not be added.
    bool start(QString *error = nullptr);
    // After a failed start: whether the user was already shown why.
    bool failureReported() const { return m_setupReported; }

    host::gui::WindowOpeners &openers() { return m_openers; }
    host::gui::FrameContext context() const;
    QMdiArea *mdiArea() const { return m_mdiArea; }
    QAction *action(host::gui::FrameCommand command) const { return m_commandActions.value(command); }

    // Acts as if the user had chosen the command's menu item.
    void runCommand(host::gui::FrameCommand command);

    static constexpr int kMinuteMs = 60 * 1000;
    static constexpr const char *kSection = "Main";

public slots:
    // One minute passed: the minute timer calls this; tests call it directly.
    void minuteElapsed();
    void tileWindows();
    void cascadeWindows();
    void arrangeIcons();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    QAction *addItem(QMenu *menu, const QString &name, const QString &text, const QString &statusTip = {});
    QAction *addCommand(QMenu *menu, host::gui::FrameCommand command, const QString &name,
                        const QString &text);
    void listWindows(QMenu *menu);
    void editFocused(const char *slot, int standardKey);
    void printSetup();
    void showHelp(bool online);
    void showAbout();
    void setMenusEnabled(bool enabled);
    // First start: makes the frame large enough to hold `sub` (if any)
    // whole, as far as the screen allows, and puts it wholly on the screen.
    void fitAround(QMdiSubWindow *sub);

    Services m_services;
    engine::PlacementSettings m_placement;
    host::MinuteReminder m_reminder;
    host::gui::WindowOpeners m_openers;
    QMdiArea *m_mdiArea = nullptr;
    QTimer *m_minuteTimer = nullptr;
    QList<QMenu *> m_blockableMenus;
    QAction *m_helpOnline = nullptr;
    QHash<host::gui::FrameCommand, QAction *> m_commandActions;
    bool m_started = false;
    bool m_setupReported = false;
    bool m_closed = false;
};

} // namespace tabulo::shell::gui

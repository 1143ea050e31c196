#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <vector>

class QMainWindow;
class QMdiArea;

namespace tabulo::host::gui {

// The windows the main frame's menu starts. Each subsystem registers an
// opener for its window; a command without one tells the user so.
enum class FrameCommand {
    NamesList,
    CompaniesList,
    PendingDatesList,
    CallsList,
    CitiesAndZipCodes,
    CompanyCategories,
    ImportantDates,
    NameCategories,
    Setup,
    Calendar,
    NamesLabels,
    NamesReport,
    CompanyLabels,
    CompanyReport,
    ImportContacts,
    ExportContacts,
    Find,
    JustPhonesList
};

// What an opener gets: the frame, for parenting, and its MDI area, for
// windows that live inside the frame.
struct FrameContext {
    QMainWindow *frame = nullptr;
    QMdiArea *mdiArea = nullptr;
};

// Opens a window. Lists return at once and leave their window open; the
// cities list and the calendar run modally and return when they close.
using WindowOpener = std::function<void(const FrameContext &)>;

class WindowOpeners final {
public:
    void set(FrameCommand command, WindowOpener opener) { m_openers.insert(command, std::move(opener)); }
    void clear(FrameCommand command) { m_openers.remove(command); }
    bool has(FrameCommand command) const { return m_openers.contains(command); }
    // Runs the opener; false when none is registered.
    bool open(FrameCommand command, const FrameContext &context) const;

    // Work a subsystem does once as the frame starts, before the first
    // windows open (building a missing search index), in the order added.
    void addStartTask(WindowOpener task) { m_startTasks.push_back(std::move(task)); }
    void runStartTasks(const FrameContext &context) const;

    // How the status bar names the window, e.g. "Companies list".
    static QString windowName(FrameCommand command);

private:
    QHash<FrameCommand, WindowOpener> m_openers;
    std::vector<WindowOpener> m_startTasks;
};

// Windows that start other windows of the frame's menu (the names list's
// icon bar) ask the running frame to act as if its item had been chosen.
// False when no frame runs.
bool runFrameCommand(FrameCommand command);
// A short note in the frame's status bar ("... is not available yet").
void showFrameStatus(const QString &text);
// Runs the command as the frame's menu would, or says in the status bar that
// its window is not available yet.
void openFrameWindow(FrameCommand command);
// The running frame installs these; null removes them.
void setFrameCommandRunner(std::function<void(FrameCommand)> runner);
void setFrameStatusShower(std::function<void(const QString &)> shower);

} // namespace tabulo::host::gui

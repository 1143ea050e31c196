#include "host/gui/WindowOpeners.h"

namespace tabulo::host::gui {

namespace {
std::function<void(FrameCommand)> &commandRunner() {
    static std::function<void(FrameCommand)> runner;
    return runner;
}
std::function<void(const QString &)> &statusShower() {
    static std::function<void(const QString &)> shower;
    return shower;
}
} // namespace

bool runFrameCommand(FrameCommand command) {
    if (!commandRunner())
        return false;
    commandRunner()(command);
    return true;
}

void showFrameStatus(const QString &text) {
    if (statusShower())
        statusShower()(text);
}

void openFrameWindow(FrameCommand command) {
    if (!runFrameCommand(command))
        showFrameStatus(WindowOpeners::windowName(command) + QStringLiteral(" is not available yet"));
}

void setFrameCommandRunner(std::function<void(FrameCommand)> runner) {
    commandRunner() = std::move(runner);
}

void setFrameStatusShower(std::function<void(const QString &)> shower) {
    statusShower() = std::move(shower);
}

bool WindowOpeners::open(FrameCommand command, const FrameContext &context) const {
    const auto found = m_openers.constFind(command);
    if (found == m_openers.constEnd() || !*found)
        return false;
    // A copy, so an opener that re-registers openers does not pull the
    // function out from under its own call.
    const WindowOpener opener = *found;
    opener(context);
    return true;
}

void WindowOpeners::runStartTasks(const FrameContext &context) const {
    // A copy, as for the openers.
    const std::vector<WindowOpener> tasks = m_startTasks;
    for (const WindowOpener &task : tasks)
        task(context);
}

QString WindowOpeners::windowName(FrameCommand command) {
    switch (command) {
    case FrameCommand::NamesList:
        return QStringLiteral("Names list");
    case FrameCommand::CompaniesList:
        return QStringLiteral("Companies list");
    case FrameCommand::PendingDatesList:
        return QStringLiteral("Pending dates list");
    case FrameCommand::CallsList:
        return QStringLiteral("Calls list");
    case FrameCommand::JustPhonesList:
        return QStringLiteral("Phone numbers only list");
    case FrameCommand::CitiesAndZipCodes:
        return QStringLiteral("Cities and zip codes list");
    case FrameCommand::CompanyCategories:
        return QStringLiteral("Company categories list");
    case FrameCommand::ImportantDates:
        return QStringLiteral("Important dates list");
    case FrameCommand::NameCategories:
        return QStringLiteral("Name categories list");
    case FrameCommand::Setup:
        return QStringLiteral("Setup form");
    case FrameCommand::Calendar:
        return QStringLiteral("Calendar");
    case FrameCommand::NamesLabels:
        return QStringLiteral("Names labels report");
    case FrameCommand::NamesReport:
        return QStringLiteral("Names report");
    case FrameCommand::CompanyLabels:
        return QStringLiteral("Company labels report");
    case FrameCommand::CompanyReport:
        return QStringLiteral("Company report");
    case FrameCommand::ImportContacts:
        return QStringLiteral("Import");
    case FrameCommand::ExportContacts:
        return QStringLiteral("Export");
    case FrameCommand::Find:
        return QStringLiteral("Find window");
    }
    return {};
}

} // namespace tabulo::host::gui

#include "shell/gui/ProgramWindows.h"

#include "base/Clock.h"
#include "companies/gui/CompaniesListWindow.h"
#include "companies/gui/GroupWindows.h"
#include "dates/gui/DateWindows.h"
#include "engine/gui/CalendarPicker.h"
#include "exchange/gui/ExchangeWindows.h"
#include "host/gui/WindowOpeners.h"
#include "people/gui/CategoryWindows.h"
#include "people/gui/NamesListWindow.h"
#include "phones/gui/CallWindows.h"
#include "postal/gui/ZipWindows.h"
#include "reports/gui/ReportCommands.h"
#include "search/gui/SearchWindow.h"
#include "shell/gui/SetupForm.h"

#include <QMainWindow>

namespace tabulo::shell::gui {

using host::gui::FrameCommand;
using host::gui::FrameContext;
using host::gui::WindowOpeners;

void registerProgramWindows(WindowOpeners &openers) {
    openers.set(FrameCommand::Calendar, [](const FrameContext &context) {
        engine::gui::CalendarPicker::pick(context.frame, dates::Clock::current().today(), [](int) {});
    });
    dates::gui::registerDateWindows(openers);
    companies::gui::registerCompanyCategories(openers);
    companies::gui::registerCompaniesList(openers);
    people::gui::registerOpeners(openers);
    people::gui::registerNamesList(openers);
    postal::gui::registerOpeners(openers);
    phones::gui::registerCallWindows(openers);
    reports::gui::registerReportWindows(openers);
    exchange::gui::registerExchangeWindows(openers);
    search::gui::registerSearchWindow(openers);
    openers.set(FrameCommand::Setup, [](const FrameContext &) { SetupForm::open(); });
}

} // namespace tabulo::shell::gui

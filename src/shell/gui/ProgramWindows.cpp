#include "shell/gui/ProgramWindows.h"

#include "base/Clock.h"
#include "companies/CompanyRecords.h"
#include "companies/gui/CompaniesListWindow.h"
#include "companies/gui/CompanyPicker.h"
#include "companies/gui/GroupWindows.h"
#include "dates/gui/DateWindows.h"
#include "engine/gui/CalendarPicker.h"
#include "exchange/gui/ExchangeWindows.h"
#include "host/gui/FeatureWindows.h"
#include "host/gui/WindowOpeners.h"
#include "people/gui/CategoryWindows.h"
#include "people/gui/NameRecordForm.h"
#include "people/gui/NamesListWindow.h"
#include "phones/gui/CallWindows.h"
#include "phones/gui/DialWindow.h"
#include "phones/gui/JustPhonesWindows.h"
#include "postal/gui/ZipWindows.h"
#include "reports/gui/PrintMenu.h"
#include "reports/gui/ReportCommands.h"
#include "search/gui/SearchWindow.h"
#include "shell/gui/SetupForm.h"

#include <QMainWindow>

namespace tabulo::shell::gui {

using host::gui::FrameCommand;
using host::gui::FrameContext;
using host::gui::WindowOpeners;

void registerFeatureWindows() {
    host::gui::FeatureWindows &windows = host::gui::featureWindows();
    windows.showPerson.install([](qint64 person, int tab, qint64 note) {
        people::gui::NamesListWindow *names = people::gui::NamesListWindow::open();
        if (!names || !names->locate(person, tab))
            return false;
        return note == 0 || names->locateNote(note);
    });
    windows.showCompany.install([](qint64 company, int tab, qint64 note) {
        companies::gui::CompaniesListWindow *list = companies::gui::CompaniesListWindow::open();
        if (!list || !list->locate(company, tab))
            return false;
        return note == 0 || list->locateNote(note);
    });
    windows.openJustPhonesList.install([] { phones::gui::JustPhonesListWindow::open(); });
    windows.showJustPhone.install([](qint64 phone) {
        phones::gui::JustPhonesListWindow *list = phones::gui::JustPhonesListWindow::open();
        return list && list->locate(phone);
    });
    windows.openPrintMenu.install([] { reports::gui::PrintMenu::open(); });
    windows.runNameRecordForm.install(&people::gui::runNameRecordForm);
    windows.runCallForm.install(&phones::gui::runCallForm);
    windows.chooseCompany.install(&companies::gui::chooseCompany);
    windows.pickFromCompaniesList.install([](QWidget *caller, std::function<void()> done) {
        companies::gui::CompaniesListWindow::pick(caller, std::move(done));
    });
    windows.companyNamed.install(&companies::companyNamed);
    windows.chooseCity.install(&postal::gui::chooseCity);
    windows.dial.install(
        [](QWidget *caller, const QString &callerLabel, const QString &locationLabel, const QString &number) {
            phones::gui::dial(caller, callerLabel, locationLabel, number);
        });
    windows.exchangeButton.install([](QWidget *list, host::gui::ContactKind kind,
                                      std::function<qint64()> category, std::function<void()> afterImport) {
        const exchange::ExportScope scope = kind == host::gui::ContactKind::People
                                                ? exchange::ExportScope::People
                                                : exchange::ExportScope::Companies;
        return exchange::gui::exchangeButton(list, scope, std::move(category), std::move(afterImport));
    });
}

void registerProgramWindows(WindowOpeners &openers) {
    registerFeatureWindows();
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

// The program answers every named way between features: a list's button
// that says a window "is not available yet" when the window exists is a
// fault.
#include "host/gui/FeatureWindows.h"
#include "shell/gui/ProgramWindows.h"

#include <gtest/gtest.h>

using namespace tabulo;

namespace {

TEST(ProgramFeatureWindows, TheProgramAnswersEveryFeatureWindow) {
    shell::gui::registerFeatureWindows();
    const host::gui::FeatureWindows &w = host::gui::featureWindows();
    const std::pair<const char *, bool> entries[] = {
        {"showPerson", w.showPerson.installed()},
        {"showCompany", w.showCompany.installed()},
        {"openJustPhonesList", w.openJustPhonesList.installed()},
        {"showJustPhone", w.showJustPhone.installed()},
        {"openPrintMenu", w.openPrintMenu.installed()},
        {"runNameRecordForm", w.runNameRecordForm.installed()},
        {"runCallForm", w.runCallForm.installed()},
        {"chooseCompany", w.chooseCompany.installed()},
        {"pickFromCompaniesList", w.pickFromCompaniesList.installed()},
        {"companyNamed", w.companyNamed.installed()},
        {"chooseCity", w.chooseCity.installed()},
        {"dial", w.dial.installed()},
        {"exchangeButton", w.exchangeButton.installed()},
    };
    for (const auto &[name, installed] : entries)
        EXPECT_TRUE(installed) << name;
}

} // namespace

// The icon bars of the names and companies lists inside the program's frame:
// each icon that starts another window opens that window, never a note that
// it "is not available yet".
#include "base/Clock.h"
#include "engine/Globals.h"
#include "host/FrameEvents.h"
#include "shell/gui/MainFrame.h"
#include "store/Store.h"
#include "support/CaseName.h"
#include "support/SampleData.h"
#include "support/SampleProgram.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDataDir.h"
#include "support/WindowTour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <ostream>

using namespace tabulo;
using host::gui::FrameCommand;
using test::openWindow;
using test::settleEvents;

namespace {

struct IconCase {
    const char *name; // the case, as ctest lists it
    FrameCommand list;
    const char *listWindow;
    const char *icon;
    const char *opens; // the window the icon opens
};

void PrintTo(const IconCase &c, std::ostream *os) {
    *os << c.name;
}

const IconCase kCases[] = {
    {"NamesPendingDates", FrameCommand::NamesList, "namclstag", "pendingIcon", "pendingls"},
    {"NamesCallsList", FrameCommand::NamesList, "namclstag", "callsIcon", "WhoCalled"},
    {"NamesPhoneNumbersOnly", FrameCommand::NamesList, "namclstag", "justPhonesIcon", "fonJustPhonesBrowse"},
    {"NamesSetup", FrameCommand::NamesList, "namclstag", "setupIcon", "setupForm"},
    {"NamesCompaniesList", FrameCommand::NamesList, "namclstag", "companiesIcon", "cmpgls"},
    {"NamesFind", FrameCommand::NamesList, "namclstag", "findIcon", "findWindow"},
    {"NamesPrint", FrameCommand::NamesList, "namclstag", "printIcon", "printMenu"},
    {"CompaniesPendingDates", FrameCommand::CompaniesList, "cmpgls", "pendingIcon", "pendingls"},
    {"CompaniesCallsList", FrameCommand::CompaniesList, "cmpgls", "callsIcon", "WhoCalled"},
    {"CompaniesPhoneNumbersOnly", FrameCommand::CompaniesList, "cmpgls", "justPhonesIcon",
     "fonJustPhonesBrowse"},
    {"CompaniesSetup", FrameCommand::CompaniesList, "cmpgls", "setupIcon", "setupForm"},
    {"CompaniesNamesList", FrameCommand::CompaniesList, "cmpgls", "namesIcon", "namclstag"},
    {"CompaniesFind", FrameCommand::CompaniesList, "cmpgls", "findIcon", "findWindow"},
    {"CompaniesPrint", FrameCommand::CompaniesList, "cmpgls", "printIcon", "printMenu"},
};

class ListIcons : public ::testing::TestWithParam<IconCase> {
protected:
    void SetUp() override {
        // Dates pending around today: the pending-events window has a list.
        m_program.start(40, QSize(1600, 900));
        // As the frame's start does: the lists' requests reach it.
        host::setFrameReceiver(&frame());
    }
    void TearDown() override { m_program.finish(); }
    shell::gui::MainFrame &frame() { return m_program.frame(); }

    test::SampleProgram m_program;
    test::ScriptedMessageService &m_messages = m_program.messages;
};

TEST_P(ListIcons, OpensItsWindow) {
    const IconCase &c = GetParam();
    frame().runCommand(c.list);
    settleEvents();
    QWidget *list = openWindow(QString::fromLatin1(c.listWindow));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(openWindow(QString::fromLatin1(c.opens)), nullptr) << "open before the click";
    auto *icon = list->findChild<QAbstractButton *>(QString::fromLatin1(c.icon));
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(icon->isVisible() && icon->isEnabled());
    QTest::mouseClick(icon, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&c] { return openWindow(QString::fromLatin1(c.opens)) != nullptr; }, 10000))
        << c.opens << " did not open";
    EXPECT_FALSE(frame().statusBar()->currentMessage().contains(QStringLiteral("not available")))
        << frame().statusBar()->currentMessage().toStdString();
}

INSTANTIATE_TEST_SUITE_P(ListIcons, ListIcons, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<IconCase> &info) {
                             return test::caseName(info.param.name);
                         });

} // namespace

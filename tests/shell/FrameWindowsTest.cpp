// The program's windows inside the main frame: every window whole at its
// opening size and at twice that, sub-windows that tile and close with the
// frame, forms that block only their caller, lists that fill their height.
#include "base/Clock.h"
#include "engine/BrowseList.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "shell/gui/MainFrame.h"
#include "store/Store.h"
#include "support/SampleData.h"
#include "support/SampleProgram.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDataDir.h"
#include "support/WindowTour.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace tabulo;
using host::gui::FrameCommand;
using test::openWindow;
using test::settleEvents;

namespace {

class FrameWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { m_program.start(120, QSize(1900, 1000)); }
    // Whatever a test left open goes, newest first.
    void TearDown() override { m_program.finish(); }

    shell::gui::MainFrame &frame() { return m_program.frame(); }
    QWidget *open(FrameCommand command, const char *name) {
        frame().runCommand(command);
        settleEvents();
        return openWindow(QString::fromLatin1(name));
    }

    test::SampleProgram m_program;
    test::ScriptedMessageService &m_messages = m_program.messages;
};

TEST_F(FrameWindowsTest, EveryWindowIsWholeAtItsOpeningSizeAndAtTwiceItsSize) {
    // The section each window keeps its placement under.
    const QHash<QString, QString> sections = {
        {QStringLiteral("namclstag"), QStringLiteral("namclstag")},
        {QStringLiteral("fonup"), QStringLiteral("fonup")},
        {QStringLiteral("notup"), QStringLiteral("notup")},
        {QStringLiteral("UpdateQKnam"), QStringLiteral("UpdateQKnam")},
        {QStringLiteral("cmpgls"), QStringLiteral("cmpgls")},
        {QStringLiteral("grpls"), QStringLiteral("grpls")},
        {QStringLiteral("catls"), QStringLiteral("catls")},
        {QStringLiteral("catup"), QStringLiteral("catup")},
        {QStringLiteral("UpdateQKjnc"), QStringLiteral("UpdateQKjnc")},
        {QStringLiteral("datls"), QStringLiteral("datls")},
        {QStringLiteral("datup"), QStringLiteral("datup")},
        {QStringLiteral("pendingls"), QStringLiteral("PendingEvents")},
        {QStringLiteral("setupForm"), QStringLiteral("setup")},
        {QStringLiteral("zipls"), QStringLiteral("zipls")},
        {QStringLiteral("zipup"), QStringLiteral("zipup")},
        {QStringLiteral("printMenu"), QStringLiteral("PrintMenu")},
        {QStringLiteral("findWindow"), QStringLiteral("find")},
        {QStringLiteral("phoneDial"), QStringLiteral("PhoneDial")},
    };
    for (const test::TourStop &stop : test::windowTour()) {
        SCOPED_TRACE(stop.name.toStdString());
        stop.open(frame());
        settleEvents();
        QWidget *window = openWindow(stop.name);
        ASSERT_NE(window, nullptr) << "did not open";
        if (sections.contains(stop.name)) {
            const engine::gui::WindowPlacement *placement = engine::gui::WindowPlacement::of(window);
            ASSERT_NE(placement, nullptr);
            EXPECT_EQ(placement->section(), sections.value(stop.name));
        }
        EXPECT_EQ(test::layoutProblems(window).join(QLatin1Char('\n')).toStdString(), "");
        QWidget *outer = test::outerWindow(window);
        const QSize opening = outer->size();
        const bool fixedSize = window->minimumSize() == window->maximumSize();
        outer->resize(opening * 2);
        settleEvents();
        // A form of fixed size stays as it is; every other window grows.
        EXPECT_EQ(outer->size(), fixedSize ? opening : opening * 2);
        EXPECT_EQ(test::layoutProblems(window).join(QLatin1Char('\n')).toStdString(), "")
            << "at twice the opening size";
        outer->resize(opening);
        settleEvents();
    }
}

TEST_F(FrameWindowsTest, ListsTileInsideTheFrameAndCloseWithIt) {
    QPointer<QWidget> lists[] = {open(FrameCommand::NameCategories, "catls"),
                                 open(FrameCommand::ImportantDates, "datls"),
                                 open(FrameCommand::PendingDatesList, "pendingls")};
    for (QWidget *list : lists) {
        ASSERT_NE(list, nullptr);
        ASSERT_NE(engine::gui::WindowHost::subWindowOf(list), nullptr) << "not inside the frame";
    }
    frame().tileWindows();
    settleEvents();
    const QRect area = frame().mdiArea()->rect();
    std::vector<QRect> places;
    for (QWidget *list : lists) {
        const QRect place = engine::gui::WindowHost::subWindowOf(list)->geometry();
        EXPECT_TRUE(area.contains(place))
            << list->objectName().toStdString() << " at " << place.x() << "," << place.y() << " "
            << place.width() << "x" << place.height() << " in " << area.width() << "x" << area.height();
        EXPECT_EQ(place.y(), 0) << "not side by side";
        for (const QRect &other : places)
            EXPECT_FALSE(place.intersects(other)) << list->objectName().toStdString();
        places.push_back(place);
    }

    frame().close();
    settleEvents();
    for (const QPointer<QWidget> &list : lists)
        EXPECT_TRUE(list.isNull() || !list->isVisible());
}

TEST_F(FrameWindowsTest, AFormBlocksOnlyTheListThatOpenedIt) {
    QWidget *categories = open(FrameCommand::NameCategories, "catls");
    QWidget *dates = open(FrameCommand::ImportantDates, "datls");
    ASSERT_TRUE(categories && dates);
    categories->findChild<QPushButton *>(QStringLiteral("changeButton"))->click();
    settleEvents();
    QWidget *form = openWindow(QStringLiteral("catup"));
    ASSERT_NE(form, nullptr);
    EXPECT_NE(engine::gui::WindowHost::subWindowOf(form), nullptr) << "the form is not inside the frame";
    EXPECT_FALSE(categories->isEnabled());
    EXPECT_TRUE(dates->isEnabled());
    // The waiting list cannot be closed from under its form.
    EXPECT_FALSE(engine::gui::WindowHost::subWindowOf(categories)->close());
    EXPECT_TRUE(categories->isVisible());

    form->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    settleEvents();
    EXPECT_EQ(openWindow(QStringLiteral("catup")), nullptr);
    EXPECT_TRUE(categories->isEnabled());
    EXPECT_EQ(frame().mdiArea()->activeSubWindow(), engine::gui::WindowHost::subWindowOf(categories));
}

TEST_F(FrameWindowsTest, WindowsOnTheFramesOwnThreadBlockTheFrame) {
    for (const auto &[command, name] : {std::pair{FrameCommand::CitiesAndZipCodes, "zipls"},
                                        std::pair{FrameCommand::Calendar, "calendarPicker"}}) {
        SCOPED_TRACE(name);
        QWidget *window = open(command, name);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isWindow());
        EXPECT_EQ(engine::gui::WindowHost::subWindowOf(window), nullptr);
        EXPECT_NE(window->windowModality(), Qt::NonModal);
        EXPECT_TRUE(QApplication::activeModalWidget() == window ||
                    window->windowModality() == Qt::ApplicationModal || window->parentWidget() == &frame());
        window->close();
        settleEvents();
    }
}

TEST_F(FrameWindowsTest, EnterPressesTheDefaultButtonOrTheFocusedOne) {
    QWidget *categories = open(FrameCommand::NameCategories, "catls");
    auto &table = store::Store::instance().table(QStringLiteral("QKcat"));
    for (const bool onCancel : {true, false}) {
        SCOPED_TRACE(onCancel ? "focus on Cancel" : "focus in the entry");
        categories->findChild<QPushButton *>(QStringLiteral("changeButton"))->click();
        settleEvents();
        QWidget *form = openWindow(QStringLiteral("catup"));
        ASSERT_NE(form, nullptr);
        auto *entry = form->findChild<QLineEdit *>(QStringLiteral("categoryEntry"));
        entry->setText(QStringLiteral("Renamed By Enter"));
        QWidget *target =
            onCancel ? static_cast<QWidget *>(form->findChild<QPushButton *>(QStringLiteral("cancelButton")))
                     : static_cast<QWidget *>(entry);
        target->setFocus();
        if (onCancel)
            m_messages.answer(33, store::Button::No); // leave without saving
        QTest::keyClick(target, Qt::Key_Return);
        settleEvents();
        EXPECT_EQ(openWindow(QStringLiteral("catup")), nullptr);
        table.record().clear();
        table.record().setValue(QStringLiteral("CAT:CATEGORY"), QStringLiteral("Renamed By Enter"));
        EXPECT_EQ(table.fetch(*table.def().key(QStringLiteral("CAT_KEY"))).ok(), !onCancel);
    }
}

TEST_F(FrameWindowsTest, ATallerListShowsMoreWholeRowsAndPagesByThem) {
    auto *list = qobject_cast<engine::gui::BrowseWindow *>(open(FrameCommand::NameCategories, "catls"));
    ASSERT_NE(list, nullptr);
    engine::gui::PageView *view = list->listControl();
    const int before = list->engine().rowCount();
    ASSERT_GT(before, 3);
    QWidget *outer = test::outerWindow(list);
    outer->resize(outer->width(), outer->height() + view->height());
    settleEvents();
    const int after = list->engine().rowCount();
    EXPECT_GE(after, 2 * before - 1);
    EXPECT_EQ(after, view->visibleRows());
    EXPECT_EQ(test::layoutProblems(list).join(QLatin1Char('\n')).toStdString(), "");

    // Page down moves by the new page size: its first row is the record that
    // followed the last row of the page before.
    engine::BrowseList &engine = list->engine();
    for (int i = 0; i < after; ++i)
        engine.scrollRow(true); // to the last row, then one record further
    const QString following = engine.row(engine.rowCount()).texts.at(0);
    engine.scrollToEnd(false);
    engine.scrollPage(true);
    EXPECT_EQ(engine.row(1).texts.at(0), following);
    EXPECT_EQ(engine.rowCount(), after);
}

} // namespace

#include "dates/DateWindowsTestSupport.h"
#include "support/QStringPrinter.h"
#include "support/WindowTour.h"

#include "dates/ImportantDateRules.h"
#include "dates/gui/DateWindows.h"
#include "dates/gui/ImportantDateForm.h"
#include "dates/gui/ImportantDatesWindow.h"
#include "engine/gui/CalendarPicker.h"
#include "engine/gui/PageView.h"
#include "engine/gui/WindowHost.h"
#include "host/gui/WindowOpeners.h"
#include "shell/gui/MainFrame.h"
#include "store/MessageService.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>

using namespace tabulo;
using dates::DateFormControls;
using dates::gui::ImportantDateForm;
using dates::gui::ImportantDatesWindow;
using engine::ListAction;
using engine::Request;
using store::Button::Ok;

namespace {

class ImportantDateWindows : public test::DateWindowsFixture {
protected:
    ImportantDatesWindow *list() {
        engine::setGlobalRequest(Request::None);
        ImportantDatesWindow *w = dates::gui::openImportantDatesList();
        settle();
        return w;
    }

    ImportantDateForm *form() { return window<ImportantDateForm>(QStringLiteral("datup")); }

    ImportantDateForm *insertFromList(ImportantDatesWindow *w) {
        w->button(ListAction::Insert)->click();
        settle();
        return form();
    }

    ImportantDateForm *changeFromList(ImportantDatesWindow *w) {
        w->button(ListAction::Change)->click();
        settle();
        return form();
    }

    static QStringList column(ImportantDatesWindow *w, int c) {
        QStringList texts;
        for (int r = 0; r < w->listControl()->rowCount(); ++r)
            texts << w->listControl()->item(r, c)->text();
        return texts;
    }

    template <typename T> static T *child(QWidget *w, const char *name) {
        return w->findChild<T *>(QLatin1String(name));
    }

    static void chooseType(ImportantDateForm *f, const char *type) { child<QRadioButton>(f, type)->click(); }

    qint64 storedCount() {
        qint64 n = 0;
        store::Cursor c(*m_dat);
        c.toStart();
        while (c.next().ok())
            ++n;
        return n;
    }
};

TEST_F(ImportantDateWindows, ListShowsShortDateAndHowLongAgoOfTheHighlightedDate) {
    addDate({QStringLiteral("Birthday"),
             QStringLiteral("Year"),
             day(10, 5, 1959),
             10,
             0,
             {},
             0,
             false,
             0,
             QStringLiteral("Bring a cake")});
    addDate({QStringLiteral("Club"), QStringLiteral("Week"), 0, 3, 2, QStringLiteral("Wednesday")});
    addDate({QStringLiteral("Pay rent"), QStringLiteral("Month"), 0, 5, 0, {}, 15});
    addDate({QStringLiteral("Quarterly"), QStringLiteral("Month"), 0, 5, 0, {}, 0});
    addDate({QStringLiteral("Unknown kind"), QStringLiteral("Other"), day(1, 2, 2000), 5});
    ImportantDatesWindow *w = list();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Important Dates "));
    EXPECT_EQ(column(w, 1),
              (QStringList{QStringLiteral("Birthday"), QStringLiteral("Club"), QStringLiteral("Pay rent"),
                           QStringLiteral("Quarterly"), QStringLiteral("Unknown kind")}));
    // The column shows the first 8 characters; the details show all of it.
    EXPECT_EQ(column(w, 0), (QStringList{QStringLiteral("10/05/59"), QStringLiteral("2nd Wedn"),
                                         QStringLiteral("15th"), QStringLiteral("Month -"), QString()}));

    EXPECT_EQ(w->howLongAgoText()->text(), QStringLiteral("67 YRS 2 MOS"));
    EXPECT_EQ(w->leadDaysText()->text(), QStringLiteral("10"));
    EXPECT_EQ(w->dateText()->text(), QStringLiteral("10/05/59"));
    EXPECT_EQ(w->typeText()->text(), QStringLiteral("Year"));
    EXPECT_EQ(w->noteText()->toPlainText(), QStringLiteral("Bring a cake"));

    QTest::keyClick(w->listControl(), Qt::Key_Down);
    settle();
    EXPECT_EQ(w->dateText()->text(), QStringLiteral("2nd Wednesday"));
    EXPECT_EQ(w->howLongAgoText()->text(), QString());
    EXPECT_EQ(w->typeText()->text(), QStringLiteral("Week"));
    EXPECT_EQ(w->noteText()->toPlainText(), QString());

    w->engine().highlightRow(4);
    settle();
    EXPECT_EQ(w->dateText()->text(), QStringLiteral("Month - No date"));
    w->engine().highlightRow(5);
    settle();
    EXPECT_EQ(w->dateText()->text(), QString());
    EXPECT_EQ(w->howLongAgoText()->text(), QString());
    w->close();
}

TEST_F(ImportantDateWindows, KindTabsListOnlyTheirKindAndDaysOnlyOnTheAllTabs) {
    addDate({QStringLiteral("Series"), QStringLiteral("Days"), day(12, 1, 2026), 2, 0, {}, 0, false, 7});
    addDate({QStringLiteral("Club"), QStringLiteral("Week"), 0, 3, 2, QStringLiteral("Wednesday")});
    addDate({QStringLiteral("Birthday"), QStringLiteral("Year"), day(10, 31, 1959), 10});
    addDate({QStringLiteral("Anniversary"), QStringLiteral("Year"), day(6, 1, 1990), 10});
    addDate({QStringLiteral("Pay rent"), QStringLiteral("Month"), 0, 5, 0, {}, 15});
    ImportantDatesWindow *w = list();
    const QStringList tabs{QStringLiteral("All by &Event"), QStringLiteral("All by &Date"),
                           QStringLiteral("&Year by Event"), QStringLiteral("&Month by Event"),
                           QStringLiteral("&Week by Event")};
    ASSERT_EQ(w->tabs()->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i)
        EXPECT_EQ(w->tabs()->tabText(i), tabs.at(i));

    EXPECT_EQ(column(w, 1).size(), 5);
    w->tabs()->setCurrentIndex(1);
    settle();
    EXPECT_EQ(column(w, 1),
              (QStringList{QStringLiteral("Club"), QStringLiteral("Pay rent"), QStringLiteral("Birthday"),
                           QStringLiteral("Anniversary"), QStringLiteral("Series")}));
    w->tabs()->setCurrentIndex(2);
    settle();
    EXPECT_EQ(column(w, 1), (QStringList{QStringLiteral("Anniversary"), QStringLiteral("Birthday")}));
    w->tabs()->setCurrentIndex(3);
    settle();
    EXPECT_EQ(column(w, 1), QStringList{QStringLiteral("Pay rent")});
    w->tabs()->setCurrentIndex(4);
    settle();
    EXPECT_EQ(column(w, 1), QStringList{QStringLiteral("Club")});
    w->close();
}

TEST_F(ImportantDateWindows, NewRecordStartsAsYearWithTheSetupLeadDays) {
    addSetup(7, 0, 1);
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = insertFromList(w);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Adding an Important Date Record"));
    EXPECT_TRUE(child<QRadioButton>(f, "typeYear")->isChecked());
    EXPECT_EQ(child<QSpinBox>(f, "leadDaysSpin")->value(), 7);
    EXPECT_EQ(child<QSpinBox>(f, "leadDaysSpin")->toolTip(),
              QStringLiteral("Number of lead days for pop-up announce"));

    child<QLineEdit>(f, "eventEntry")->setText(QStringLiteral("Wedding"));
    child<QLineEdit>(f, "dateEntry")->setText(QStringLiteral("06/20/1998"));
    child<QPlainTextEdit>(f, "noteText")->setPlainText(QStringLiteral("Flowers"));
    child<QPushButton>(f, "okButton")->click();
    settle();
    EXPECT_EQ(form(), nullptr);
    ASSERT_TRUE(readDate(1));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:EVENT")).toString(), QStringLiteral("Wedding"));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:TYPE")).toString(), QStringLiteral("Year"));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:LEADDAYS")).toLongLong(), 7);
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:DATE")).toLongLong(), day(6, 20, 1998));
    EXPECT_EQ(m_dat->record().memo(), QStringLiteral("Flowers"));
    // The list is refilled around the new record, texts and all.
    EXPECT_EQ(column(w, 0), QStringList{QStringLiteral("06/20/98")});
    w->close();
}

TEST_F(ImportantDateWindows, CancelledInsertLeavesNothingBehind) {
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = insertFromList(w);
    ASSERT_NE(f, nullptr);
    // Without a setup record there are no default lead days.
    EXPECT_EQ(child<QSpinBox>(f, "leadDaysSpin")->value(), 0);
    child<QPushButton>(f, "cancelButton")->click();
    settle();
    EXPECT_EQ(storedCount(), 0);
    w->close();
}

struct KindCase {
    const char *button;
    DateFormControls shown;
};

void PrintTo(const KindCase &c, std::ostream *os) {
    *os << c.button;
}

class FormKinds : public ImportantDateWindows, public ::testing::WithParamInterface<KindCase> {};

TEST_P(FormKinds, EachKindShowsItsOwnControlsAndAlwaysEventAndLeadDays) {
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = insertFromList(w);
    ASSERT_NE(f, nullptr);
    chooseType(f, GetParam().button);
    EXPECT_EQ(f->shownNow(), GetParam().shown) << GetParam().button;
    EXPECT_TRUE(child<QLineEdit>(f, "eventEntry")->isVisibleTo(f));
    EXPECT_TRUE(child<QSpinBox>(f, "leadDaysSpin")->isVisibleTo(f));
    child<QPushButton>(f, "cancelButton")->click();
    w->close();
}

DateFormControls controls(std::initializer_list<bool DateFormControls::*> on) {
    DateFormControls c;
    for (auto member : on)
        c.*member = true;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    , FormKinds,
    ::testing::Values(
        KindCase{"typeYear", controls({&DateFormControls::date, &DateFormControls::floatingHoliday})},
        KindCase{"typeMonth", controls({&DateFormControls::dayDate, &DateFormControls::lastDay,
                                        &DateFormControls::lastDayName})},
        KindCase{"typeWeek", controls({&DateFormControls::week, &DateFormControls::weekDay})},
        KindCase{"typeDays", controls({&DateFormControls::numberOfDays, &DateFormControls::beginning,
                                       &DateFormControls::date})}),
    [](const auto &info) { return std::string(info.param.button); });

TEST_F(ImportantDateWindows, MenuOpensOneListAndBringsItBack) {
    host::gui::WindowOpeners openers;
    dates::gui::registerDateWindows(openers);
    ASSERT_TRUE(openers.open(host::gui::FrameCommand::ImportantDates, {}));
    settle();
    auto *w = window<ImportantDatesWindow>(QStringLiteral("datls"));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->button(ListAction::Select)->isEnabled());
    ASSERT_TRUE(openers.open(host::gui::FrameCommand::ImportantDates, {}));
    settle();
    int lists = 0;
    for (QWidget *top : QApplication::topLevelWidgets())
        lists += top->objectName() == QStringLiteral("datls") && top->isVisible() ? 1 : 0;
    EXPECT_EQ(lists, 1);
    w->close();
}

TEST_F(ImportantDateWindows, LongEventKeepsItsEndWhenAnotherFieldChanges) {
    const QString longEvent =
        QStringLiteral("Grandparents' wedding anniversary at the lake house, bring photos");
    ASSERT_EQ(longEvent.size(), dates::kEventWidth);
    addDate({longEvent, QStringLiteral("Year"), day(7, 4, 1950), 5});
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = changeFromList(w);
    ASSERT_NE(f, nullptr);
    child<QSpinBox>(f, "leadDaysSpin")->setValue(9);
    child<QPushButton>(f, "okButton")->click();
    settle();
    ASSERT_TRUE(readDate(1));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:EVENT")).toString(), longEvent);
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:LEADDAYS")).toLongLong(), 9);
    w->close();
}

TEST_F(ImportantDateWindows, RecordOfAnUnknownKindShowsOnlyEventAndLeadDays) {
    addDate({QStringLiteral("Odd one"), QStringLiteral("Yearly"), day(1, 2, 2000), 5});
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = changeFromList(w);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->shownNow(), DateFormControls{});
    EXPECT_TRUE(child<QLineEdit>(f, "eventEntry")->isVisibleTo(f));
    EXPECT_TRUE(child<QSpinBox>(f, "leadDaysSpin")->isVisibleTo(f));
    // Saving without choosing a kind keeps the stored one.
    child<QPushButton>(f, "okButton")->click();
    settle();
    ASSERT_TRUE(readDate(1));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:TYPE")).toString(), QStringLiteral("Yearly"));
    w->close();
}

TEST_F(ImportantDateWindows, FloatingHolidayClearsTheDateAndGivesItBack) {
    addDate({QStringLiteral("Thanksgiving"), QStringLiteral("Year"), day(11, 26, 2026), 5});
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = changeFromList(w);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Changing an Important Datet Record"));
    auto *date = child<QLineEdit>(f, "dateEntry");
    auto *floating = child<QCheckBox>(f, "floatingHolidayCheck");
    EXPECT_EQ(date->text(), QStringLiteral("11/26/2026"));
    floating->click();
    EXPECT_EQ(date->text(), QString());
    EXPECT_FALSE(date->isEnabled());
    EXPECT_FALSE(child<QPushButton>(f, "calendarButton")->isEnabled());
    EXPECT_TRUE(f->shownNow().week && f->shownNow().weekDay && f->shownNow().month);
    floating->click();
    EXPECT_EQ(date->text(), QStringLiteral("11/26/2026"));
    EXPECT_TRUE(date->isEnabled());
    EXPECT_FALSE(f->shownNow().week || f->shownNow().weekDay || f->shownNow().month);

    // Leaving a dated entry rules the floating holiday out; an empty one allows it.
    emit date->editingFinished();
    EXPECT_FALSE(floating->isEnabled());
    date->clear();
    emit date->editingFinished();
    EXPECT_TRUE(floating->isEnabled());
    child<QPushButton>(f, "cancelButton")->click();
    settle();
    ASSERT_TRUE(readDate(1));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:DATE")).toLongLong(), day(11, 26, 2026));
    w->close();
}

TEST_F(ImportantDateWindows, LastDayChecksExcludeTheDayDateAndNameTheEvent) {
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = insertFromList(w);
    ASSERT_NE(f, nullptr);
    chooseType(f, "typeMonth");
    auto *dayDate = child<QSpinBox>(f, "dayDateSpin");
    auto *lastDay = child<QCheckBox>(f, "lastDayCheck");
    auto *lastName = child<QCheckBox>(f, "lastDayNameCheck");
    dayDate->setValue(12);
    emit dayDate->editingFinished();
    EXPECT_FALSE(lastDay->isEnabled());
    EXPECT_FALSE(lastName->isEnabled());
    dayDate->setValue(0);
    emit dayDate->editingFinished();
    EXPECT_TRUE(lastDay->isEnabled());

    lastName->click();
    EXPECT_FALSE(dayDate->isEnabled());
    EXPECT_FALSE(lastDay->isEnabled());
    EXPECT_TRUE(f->shownNow().weekDay);
    auto *weekDay = child<QComboBox>(f, "weekDayList");
    EXPECT_EQ(weekDay->itemText(0), QStringLiteral("Monday"));
    EXPECT_EQ(weekDay->itemText(6), QStringLiteral("Sunday"));
    weekDay->setCurrentIndex(4);
    emit weekDay->activated(4);
    EXPECT_EQ(child<QLineEdit>(f, "eventEntry")->text(), QStringLiteral("Last Friday"));
    // A named event is the user's own.
    weekDay->setCurrentIndex(0);
    emit weekDay->activated(0);
    EXPECT_EQ(child<QLineEdit>(f, "eventEntry")->text(), QStringLiteral("Last Friday"));

    lastName->click();
    EXPECT_TRUE(dayDate->isEnabled());
    EXPECT_FALSE(f->shownNow().weekDay);
    lastDay->click();
    EXPECT_FALSE(dayDate->isEnabled());
    EXPECT_FALSE(lastName->isEnabled());
    child<QPushButton>(f, "okButton")->click();
    settle();
    ASSERT_TRUE(readDate(1));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:TYPE")).toString(), QStringLiteral("Month"));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:LASTDAY")).toLongLong(), 1);
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:DAYDATE")).toLongLong(), 0);
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:WEEKDAY")).toString(), QStringLiteral("Monday"));
    w->close();
}

struct RangeCase {
    const char *spin;
    const char *type;
    int value;
    int high;
    const char *text;
};

void PrintTo(const RangeCase &c, std::ostream *os) {
    *os << c.spin;
}

class FormRanges : public ImportantDateWindows, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(FormRanges, ValueOutsideItsRangeIsRefusedWithMessageTenAndNothingIsSaved) {
    addDate({QStringLiteral("Birthday"), QStringLiteral("Year"), day(10, 31, 1959), 10});
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = changeFromList(w);
    ASSERT_NE(f, nullptr);
    chooseType(f, GetParam().type);
    auto *spin = child<QSpinBox>(f, GetParam().spin);
    spin->setValue(GetParam().value);

    // Leaving the entry: the message, and the focus goes back to it.
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    auto *event = child<QLineEdit>(f, "eventEntry");
    event->setFocus();
    ASSERT_TRUE(event->hasFocus());
    m_messages.answer(10, Ok);
    emit spin->editingFinished();
    ASSERT_EQ(m_messages.shownNumbers(), std::vector<int>{10});
    EXPECT_EQ(m_messages.last().title, QStringLiteral("Range Error"));
    EXPECT_EQ(m_messages.last().text, QString::fromLatin1(GetParam().text));
    EXPECT_TRUE(spin->hasFocus());

    // OK checks again and keeps the form open with the stored record as it was.
    m_messages.answer(10, Ok);
    child<QPushButton>(f, "okButton")->click();
    settle();
    EXPECT_EQ(m_messages.shownNumbers(), (std::vector<int>{10, 10}));
    EXPECT_EQ(form(), f);
    ASSERT_TRUE(readDate(1));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:TYPE")).toString(), QStringLiteral("Year"));
    EXPECT_EQ(m_dat->record().value(QStringLiteral("DAT:LEADDAYS")).toLongLong(), 10);

    // Within the range it saves.
    spin->setValue(GetParam().high);
    child<QPushButton>(f, "okButton")->click();
    settle();
    EXPECT_EQ(form(), nullptr);
    w->close();
}

INSTANTIATE_TEST_SUITE_P(
    , FormRanges,
    ::testing::Values(
        RangeCase{"leadDaysSpin", "typeYear", 100, 99,
                  "The value of Number of lead days for pop-up announce must be between 0 and 99."},
        RangeCase{"dayDateSpin", "typeMonth", 29, 28, "The value of dat:DayDate must be between 0 and 28."},
        RangeCase{"numberOfDaysSpin", "typeDays", 256, 255,
                  "The value of dat:NumberOfDays must be between 0 and 255."}),
    [](const auto &info) { return std::string(info.param.spin); });

TEST_F(ImportantDateWindows, CalendarOpensOnTodayForAnEmptyDateAndStoresTheChosenDay) {
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = insertFromList(w);
    ASSERT_NE(f, nullptr);
    auto *date = child<QLineEdit>(f, "dateEntry");
    EXPECT_EQ(date->text(), QString());
    child<QPushButton>(f, "calendarButton")->click();
    settle();
    auto *picker = f->findChild<engine::gui::CalendarPicker *>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->model().date(), today());
    // Cancelled: the date the calendar opened on stays.
    picker->done(QDialog::Rejected);
    settle();
    EXPECT_EQ(date->text(), QStringLiteral("12/08/2026"));

    child<QPushButton>(f, "calendarButton")->click();
    settle();
    picker = f->findChild<engine::gui::CalendarPicker *>();
    ASSERT_NE(picker, nullptr);
    QTest::keyClick(picker, Qt::Key_Right);
    picker->done(QDialog::Accepted);
    settle();
    EXPECT_EQ(date->text(), QStringLiteral("12/09/2026"));
    child<QPushButton>(f, "cancelButton")->click();
    w->close();
}

// The floating-holiday flag takes the date away from a yearly date only: a
// record switched to Days keeps its Beginning date usable, and back on Year
// the flag holds again.
TEST_F(ImportantDateWindows, TheFloatingHolidayFlagDisablesTheDateOfAYearlyDateOnly) {
    ImportantDatesWindow *w = list();
    ImportantDateForm *f = insertFromList(w);
    ASSERT_NE(f, nullptr);
    auto *date = child<QLineEdit>(f, "dateEntry");
    auto *calendar = child<QPushButton>(f, "calendarButton");
    // A click on the box's mark, where a user clicks.
    const auto click = [](QAbstractButton *b) {
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->height() / 2, b->height() / 2));
    };
    click(child<QCheckBox>(f, "floatingHolidayCheck"));
    ASSERT_FALSE(date->isEnabled());

    const struct {
        const char *type;
        bool dateUsable;
    } cases[] = {{"typeDays", true}, {"typeYear", false}, {"typeDays", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        click(child<QRadioButton>(f, c.type));
        EXPECT_TRUE(date->isVisible());
        EXPECT_EQ(date->isEnabled(), c.dateUsable);
        EXPECT_EQ(calendar->isEnabled(), c.dateUsable);
        EXPECT_EQ(child<QLabel>(f, "datePrompt")->isEnabled(), c.dateUsable);
    }
    EXPECT_TRUE(child<QLabel>(f, "beginningPrompt")->isVisible());
    QTest::keyClicks(date, QStringLiteral("12/01/2026"));
    EXPECT_EQ(date->text(), QStringLiteral("12/01/2026"));
    child<QPushButton>(f, "cancelButton")->click();
    settle();
    w->close();
}

// In the program's frame the menu's second "Important Dates" brings the open
// list forward, whatever window was in front meanwhile.
TEST_F(ImportantDateWindows, TheFramesSecondCommandBringsTheOpenListForward) {
    test::ProgramFrame program;
    shell::gui::MainFrame &frame = program.frame();
    frame.show();
    test::settleEvents();
    auto *menu = frame.findChild<QMenu *>(QStringLiteral("menuDataTables"));
    ASSERT_NE(menu, nullptr);
    const auto choose = [&](Qt::Key mnemonic) {
        menu->popup(frame.mapToGlobal(QPoint(20, 20)));
        test::settleEvents();
        QTest::keyClick(menu, mnemonic);
        test::settleEvents();
    };
    const auto datesLists = [&] {
        int n = 0;
        for (QMdiSubWindow *sub : frame.mdiArea()->subWindowList())
            n += sub->widget() && sub->widget()->objectName() == QStringLiteral("datls") ? 1 : 0;
        return n;
    };
    choose(Qt::Key_I); // &Important Dates
    QWidget *dates = test::openWindow(QStringLiteral("datls"));
    ASSERT_NE(dates, nullptr);
    QMdiSubWindow *datesSub = engine::gui::WindowHost::subWindowOf(dates);
    ASSERT_NE(datesSub, nullptr);
    choose(Qt::Key_N); // &Names Categories, now in front
    ASSERT_NE(test::openWindow(QStringLiteral("catls")), nullptr);
    ASSERT_NE(frame.mdiArea()->activeSubWindow(), datesSub);
    datesSub->showMinimized();
    test::settleEvents();

    choose(Qt::Key_I);
    EXPECT_EQ(datesLists(), 1);
    EXPECT_EQ(frame.mdiArea()->activeSubWindow(), datesSub);
    EXPECT_FALSE(datesSub->isMinimized());
    EXPECT_EQ(test::openWindow(QStringLiteral("datls")), dates);

    // Closed, the list comes back anew on the next command.
    datesSub->close();
    test::settleEvents();
    EXPECT_EQ(datesLists(), 0);
    choose(Qt::Key_I);
    EXPECT_EQ(datesLists(), 1);
    QWidget *again = test::openWindow(QStringLiteral("datls"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(frame.mdiArea()->activeSubWindow(), engine::gui::WindowHost::subWindowOf(again));
}

} // namespace

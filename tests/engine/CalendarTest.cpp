#include "base/CalendarModel.h"
#include "base/Clock.h"
#include "base/DateOps.h"
#include "engine/gui/CalendarPicker.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

using tabulo::dates::CalendarModel;
using tabulo::dates::dateFromMdy;
namespace dates = tabulo::dates;

namespace {

using Outcome = CalendarModel::KeyOutcome;

CalendarModel openedOn(int month, int day, int year) {
    return CalendarModel(dateFromMdy(month, day, year), dateFromMdy(6, 15, 2026));
}

void expectDate(const CalendarModel &model, int month, int day, int year) {
    EXPECT_EQ(model.date(), dateFromMdy(month, day, year));
    EXPECT_EQ(model.month(), month);
    EXPECT_EQ(model.year(), year);
    EXPECT_EQ(model.cellText(model.selectedCell()), QString::number(day));
}

} // namespace

// Moving by month or year keeps the day of the month, carries a day past
// the new month's end into the month after it, and rolls over the year.
TEST(CalendarModelPaging, PagingKeysMoveByMonthOrYear) {
    struct Date {
        int month, day, year;
    };
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Date from, to;
    };
    // clang-format off
    const Case cases[] = {
        {Qt::Key_PageDown, Qt::NoModifier,      {1, 31, 2026},  {3, 3, 2026}},   // past February's end
        {Qt::Key_PageDown, Qt::NoModifier,      {1, 31, 2024},  {3, 2, 2024}},   // a leap year
        {Qt::Key_PageUp,   Qt::NoModifier,      {3, 31, 2026},  {3, 3, 2026}},
        {Qt::Key_PageUp,   Qt::NoModifier,      {3, 15, 2026},  {2, 15, 2026}},
        {Qt::Key_PageDown, Qt::NoModifier,      {12, 15, 2026}, {1, 15, 2027}},
        {Qt::Key_PageUp,   Qt::NoModifier,      {1, 15, 2026},  {12, 15, 2025}},
        {Qt::Key_PageUp,   Qt::ControlModifier, {2, 29, 2024},  {3, 1, 2025}},   // next year
        {Qt::Key_PageDown, Qt::ControlModifier, {3, 1, 2025},   {3, 1, 2024}},   // the year before
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.month << "/" << c.from.day << "/" << c.from.year << " key "
                                        << c.key << " modifiers " << c.modifiers.toInt());
        CalendarModel model = openedOn(c.from.month, c.from.day, c.from.year);
        EXPECT_EQ(model.handleKey(c.key, c.modifiers), Outcome::Handled);
        expectDate(model, c.to.month, c.to.day, c.to.year);
    }
}

TEST(CalendarModelPaging, SpinningTheMonthPastTheYearEndsRollsTheYear) {
    CalendarModel spun = openedOn(5, 10, 2026);
    EXPECT_TRUE(spun.setMonthYear(13, 2026));
    expectDate(spun, 1, 10, 2027);
    EXPECT_TRUE(spun.setMonthYear(0, 2027));
    expectDate(spun, 12, 10, 2026);
}

TEST(CalendarModelKeys, ArrowsAndKeypadMoveByDayAndWeek) {
    CalendarModel model = openedOn(10, 31, 2026);
    model.handleKey(Qt::Key_Right, Qt::NoModifier);
    expectDate(model, 11, 1, 2026);     // the last day steps into the next month
    EXPECT_EQ(model.firstWeekday(), 1); // 1 November 2026 is a Sunday
    model.handleKey(Qt::Key_Left, Qt::NoModifier);
    expectDate(model, 10, 31, 2026);
    model.handleKey(Qt::Key_Down, Qt::NoModifier);
    expectDate(model, 11, 7, 2026);
    model.handleKey(Qt::Key_Up, Qt::NoModifier);
    expectDate(model, 10, 31, 2026);
    EXPECT_EQ(model.handleKey(Qt::Key_Plus, Qt::KeypadModifier), Outcome::Handled);
    expectDate(model, 11, 1, 2026);
    EXPECT_EQ(model.handleKey(Qt::Key_Minus, Qt::KeypadModifier), Outcome::Handled);
    expectDate(model, 10, 31, 2026);
}

TEST(CalendarModelKeys, OtherKeysAreLeftToTheWindow) {
    CalendarModel model = openedOn(10, 31, 2026);
    // Only the keypad's plus and minus move the date.
    EXPECT_EQ(model.handleKey(Qt::Key_Minus, Qt::NoModifier), Outcome::Ignored);
    EXPECT_EQ(model.handleKey(Qt::Key_Home, Qt::NoModifier), Outcome::Ignored);
    EXPECT_EQ(model.handleKey(Qt::Key_Return, Qt::NoModifier), Outcome::Ignored);
    EXPECT_EQ(model.handleKey(Qt::Key_Escape, Qt::NoModifier), Outcome::Cancel);
    expectDate(model, 10, 31, 2026);
}

TEST(CalendarModelGrid, DaysStartUnderTheWeekdayOfTheFirst) {
    const CalendarModel model = openedOn(10, 31, 2026);
    EXPECT_EQ(model.firstWeekday(), 5); // 1 October 2026 is a Thursday
    EXPECT_EQ(model.cellText(3), QString());
    EXPECT_EQ(model.cellText(4), QStringLiteral("1"));
    EXPECT_EQ(model.cellText(34), QStringLiteral("31"));
    EXPECT_EQ(model.cellText(35), QString());
    EXPECT_EQ(model.cellText(41), QString());
    EXPECT_EQ(model.selectedCell(), 34);
    EXPECT_EQ(model.lastDay(), dateFromMdy(10, 31, 2026));
    EXPECT_EQ(model.monthTitle(), QStringLiteral("October, 2026"));
    EXPECT_EQ(model.windowTitle(), QStringLiteral("Saturday October 31, 2026"));
    EXPECT_EQ(model.clipboardText(), QStringLiteral("Oct 31, 2026"));

    // February 2026 starts on a Sunday and fills exactly four rows.
    const CalendarModel february = openedOn(2, 14, 2026);
    EXPECT_EQ(february.cellText(0), QStringLiteral("1"));
    EXPECT_EQ(february.cellText(27), QStringLiteral("28"));
    EXPECT_EQ(february.cellText(28), QString());
}

TEST(CalendarModelGrid, ClickingABlankCellSelectsTheFirst) {
    CalendarModel model = openedOn(10, 20, 2026);
    EXPECT_TRUE(model.selectCell(40));
    expectDate(model, 10, 1, 2026);
    EXPECT_TRUE(model.selectCell(10));
    expectDate(model, 10, 7, 2026);
    EXPECT_FALSE(model.selectCell(42));
    expectDate(model, 10, 7, 2026);
}

TEST(CalendarModelRange, NoDateOpensOnTodayAndTheEndsHold) {
    const CalendarModel none(dates::kNoDate, dateFromMdy(6, 15, 2026));
    EXPECT_EQ(none.date(), dateFromMdy(6, 15, 2026));

    CalendarModel first(CalendarModel::firstSelectableDay(), 0);
    EXPECT_EQ(first.handleKey(Qt::Key_Left, Qt::NoModifier), Outcome::Handled);
    EXPECT_EQ(first.date(), CalendarModel::firstSelectableDay());
    EXPECT_FALSE(first.previousMonth());
    EXPECT_FALSE(first.setMonthYear(1, -100000));
    EXPECT_EQ(first.date(), CalendarModel::firstSelectableDay());

    CalendarModel last(CalendarModel::lastSelectableDay(), 0);
    EXPECT_FALSE(last.nextYear());
    EXPECT_FALSE(last.moveDays(1));
    expectDate(last, 12, 31, 9999);
}

class CalendarPickerTest : public ::testing::Test {
protected:
    void SetUp() override { dates::Clock::setCurrent(&m_clock); }
    void TearDown() override {
        if (m_picker)
            delete m_picker.data();
        dates::Clock::setCurrent(nullptr);
    }

    void open(int date) {
        m_picker = tabulo::engine::gui::CalendarPicker::pick(nullptr, date, [this](int day) {
            EXPECT_FALSE(m_chosen.has_value()) << "the caller heard twice";
            m_chosen = day;
        });
    }
    QPushButton *button(const QString &name) const { return m_picker->findChild<QPushButton *>(name); }
    QPushButton *cell(int index) const { return button(QStringLiteral("cell%1").arg(index)); }
    QSpinBox *spin(const QString &name) const { return m_picker->findChild<QSpinBox *>(name); }

    dates::FixedClock m_clock{QDateTime(QDate(2026, 6, 15), QTime(9, 0))};
    QPointer<tabulo::engine::gui::CalendarPicker> m_picker;
    std::optional<int> m_chosen;
};

TEST_F(CalendarPickerTest, OkReturnsTheDayAndLeavesItOnTheClipboard) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    open(dateFromMdy(10, 31, 2026));
    EXPECT_EQ(m_picker->windowTitle(), QStringLiteral("Saturday October 31, 2026"));
    EXPECT_TRUE(cell(34)->isChecked());
    EXPECT_FALSE(m_chosen.has_value()); // opening does not wait for the user

    QTest::mouseClick(button(QStringLiteral("okButton")), Qt::LeftButton);
    ASSERT_TRUE(m_chosen.has_value());
    EXPECT_EQ(*m_chosen, dateFromMdy(10, 31, 2026));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Oct 31, 2026"));
}

TEST_F(CalendarPickerTest, EscapeAndTheCloseBoxReturnNoDateAndLeaveTheClipboard) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    open(dateFromMdy(10, 31, 2026));
    QTest::keyClick(button(QStringLiteral("okButton")), Qt::Key_Escape);
    ASSERT_TRUE(m_chosen.has_value());
    EXPECT_EQ(*m_chosen, 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    m_chosen.reset();
    open(dateFromMdy(10, 31, 2026));
    m_picker->close();
    ASSERT_TRUE(m_chosen.has_value());
    EXPECT_EQ(*m_chosen, 0);
}

TEST_F(CalendarPickerTest, PageDownFromTheOkButtonShowsTheNextMonth) {
    open(dateFromMdy(1, 31, 2026));
    QTest::keyClick(button(QStringLiteral("okButton")), Qt::Key_PageDown);
    EXPECT_EQ(spin(QStringLiteral("monthSpin"))->value(), 3);
    EXPECT_EQ(spin(QStringLiteral("yearSpin"))->value(), 2026);
    // 1 March 2026 is a Sunday, so the 3rd sits in cell 2.
    EXPECT_TRUE(cell(2)->isChecked());
    EXPECT_EQ(cell(2)->text(), QStringLiteral("3"));
    EXPECT_FALSE(cell(34)->isChecked());
    EXPECT_EQ(m_picker->windowTitle(), QStringLiteral("Tuesday March 3, 2026"));
}

TEST_F(CalendarPickerTest, MonthSpinPastDecemberRollsTheYear) {
    open(dateFromMdy(12, 15, 2026));
    spin(QStringLiteral("monthSpin"))->setValue(13);
    EXPECT_EQ(m_picker->model().date(), dateFromMdy(1, 15, 2027));
    EXPECT_EQ(spin(QStringLiteral("monthSpin"))->value(), 1);
    EXPECT_EQ(spin(QStringLiteral("yearSpin"))->value(), 2027);

    spin(QStringLiteral("yearSpin"))->setValue(2030);
    EXPECT_EQ(m_picker->model().date(), dateFromMdy(1, 15, 2030));
}

TEST_F(CalendarPickerTest, ClicksTodayAndDoubleClicks) {
    open(dateFromMdy(10, 31, 2026));
    QTest::mouseClick(cell(40), Qt::LeftButton); // blank: the 1st
    EXPECT_EQ(m_picker->model().date(), dateFromMdy(10, 1, 2026));
    EXPECT_TRUE(cell(4)->isChecked());

    QTest::mouseClick(button(QStringLiteral("todayButton")), Qt::LeftButton);
    EXPECT_EQ(m_picker->model().date(), dateFromMdy(6, 15, 2026));
    EXPECT_FALSE(m_chosen.has_value());

    // 1 June 2026 is a Monday: the 10th is in cell 10.
    QTest::mouseDClick(cell(10), Qt::LeftButton);
    ASSERT_TRUE(m_chosen.has_value());
    EXPECT_EQ(*m_chosen, dateFromMdy(6, 10, 2026));
}

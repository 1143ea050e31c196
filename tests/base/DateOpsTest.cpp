#include "base/DateOps.h"
#include "base/Clock.h"
#include "support/CaseName.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace tabulo::dates;
using namespace std::chrono;

namespace {

int ymd(int y, unsigned m, unsigned d) {
    return dayNumber(year{y} / month{m} / day{d});
}

} // namespace

TEST(DateOps, DayZeroIsSunday28December1800) {
    EXPECT_EQ(dayNumber(sys_days{year{1800} / December / 28}), 0);
    EXPECT_EQ(weekdayIndex(0), 0);
    EXPECT_EQ(weekdayNumber(0), 1);
    EXPECT_EQ(weekdayName(weekdayNumber(0)), QStringLiteral("Sunday"));
    EXPECT_EQ(weekdayName(weekdayNumber(1)), QStringLiteral("Monday"));
    EXPECT_EQ(weekdayName(weekdayNumber(6)), QStringLiteral("Saturday"));
}

// Every day from 1801 to 2199 against two independent calendars: chrono's
// and QDate's Julian day numbers.
TEST(DateOps, EveryDayFrom1801To2199AgreesWithChronoAndQDate) {
    const sys_days first{year{1801} / January / 1};
    const sys_days end{year{2200} / January / 1};
    const qint64 julianOfFirst = QDate(1801, 1, 1).toJulianDay();
    int expected = dayNumber(first);
    ASSERT_EQ(expected, 4); // 28, 29, 30, 31 December 1800 come first
    int failures = 0;
    for (sys_days d = first; d < end; d += days{1}, ++expected) {
        const year_month_day date{d};
        const int y = static_cast<int>(date.year());
        const int m = static_cast<int>(static_cast<unsigned>(date.month()));
        const int dd = static_cast<int>(static_cast<unsigned>(date.day()));
        const int number = dayNumber(d);
        const QDate qdate = QDate::fromJulianDay(julianOfFirst + (number - 4));
        const bool ok = number == expected && yearOf(number) == y && monthOf(number) == m &&
                        dayOf(number) == dd && dateFromMdy(m, dd, y) == number &&
                        calendarDate(number) == date && qdate == QDate(y, m, dd) &&
                        weekdayIndex(number) == static_cast<int>(weekday{d}.c_encoding()) &&
                        weekdayNumber(number) == qdate.dayOfWeek() % 7 + 1;
        if (!ok && ++failures <= 5)
            ADD_FAILURE() << "day " << number << " = " << y << "-" << m << "-" << dd;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(expected, ymd(2200, 1, 1));
}

struct RollCase {
    int month, day, year;
    int y, m, d; // the date it must land on
};

void PrintTo(const RollCase &c, std::ostream *os) {
    *os << c.month << "/" << c.day << "/" << c.year;
}

class DateFromMdyRolls : public ::testing::TestWithParam<RollCase> {};

TEST_P(DateFromMdyRolls, LandsOnTheExpectedDay) {
    const RollCase &c = GetParam();
    EXPECT_EQ(dateFromMdy(c.month, c.day, c.year),
              ymd(c.y, static_cast<unsigned>(c.m), static_cast<unsigned>(c.d)))
        << c.month << "/" << c.day << "/" << c.year;
}

INSTANTIATE_TEST_SUITE_P(
    Overflow, DateFromMdyRolls,
    ::testing::Values(RollCase{13, 1, 2025, 2026, 1, 1}, // month 13 is January of the next year
                      RollCase{13, 15, 1999, 2000, 1, 15},
                      RollCase{0, 15, 2026, 2025, 12, 15}, // month 0 is December of the year before
                      RollCase{3, 0, 2024, 2024, 2, 29},   // day 0 is the last day of the month before
                      RollCase{3, 0, 2023, 2023, 2, 28}, RollCase{1, 0, 2026, 2025, 12, 31},
                      RollCase{13, 0, 2026, 2026, 12, 31}, // the caller's "1st of next month minus one"
                      RollCase{1, 33, 2026, 2026, 2, 2},   // day 33 of a 31-day month is the 2nd
                      RollCase{4, 33, 2026, 2026, 5, 3},
                      RollCase{2, 29, 2023, 2023, 3, 1}, // 29 February without a leap day
                      RollCase{2, 29, 2024, 2024, 2, 29},
                      RollCase{2, 30, 1900, 1900, 3, 2},  // 1900 is not a leap year
                      RollCase{2, 29, 2000, 2000, 2, 29}, // 2000 is
                      RollCase{12, 32, 2026, 2027, 1, 1}, RollCase{25, 1, 2026, 2028, 1, 1}),
    [](const ::testing::TestParamInfo<RollCase> &info) {
        return "month" + std::to_string(info.param.month) + "Day" + std::to_string(info.param.day) + "Of" +
               std::to_string(info.param.year);
    });

TEST(DateOps, LastDayOfMonth) {
    EXPECT_EQ(lastDayOfMonth(ymd(2024, 2, 10)), ymd(2024, 2, 29));
    EXPECT_EQ(lastDayOfMonth(ymd(2026, 2, 1)), ymd(2026, 2, 28));
    EXPECT_EQ(lastDayOfMonth(ymd(2026, 12, 31)), ymd(2026, 12, 31));
    EXPECT_EQ(lastDayOfMonth(ymd(2026, 4, 30)), ymd(2026, 4, 30));
}

TEST(DateOps, StoredNamesMatchExactlyIgnoringTrailingBlanks) {
    EXPECT_EQ(weekdayNumberFromName(u"Sunday"), 1);
    EXPECT_EQ(weekdayNumberFromName(u"Saturday "), 7);
    EXPECT_EQ(weekdayNumberFromName(u"monday"), std::nullopt);
    EXPECT_EQ(weekdayNumberFromName(u" Monday"), std::nullopt);
    EXPECT_EQ(weekdayNumberFromName(u"Mon"), std::nullopt);
    EXPECT_EQ(weekdayNumberFromName(u""), std::nullopt);
    EXPECT_EQ(monthNumberFromName(u"January"), 1);
    EXPECT_EQ(monthNumberFromName(u"December  "), 12);
    EXPECT_EQ(monthNumberFromName(u"DECEMBER"), std::nullopt);
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(monthNumberFromName(monthName(m)), m);
    for (int w = 1; w <= 7; ++w)
        EXPECT_EQ(weekdayNumberFromName(weekdayName(w)), w);
    EXPECT_TRUE(weekdayName(0).isEmpty());
    EXPECT_TRUE(monthName(13).isEmpty());
}

TEST(DateOps, OrdinalsAndDaySuffixes) {
    const QStringList ordinals = {weekOrdinal(1), weekOrdinal(2), weekOrdinal(3), weekOrdinal(4),
                                  weekOrdinal(5)};
    EXPECT_EQ(ordinals, (QStringList{QStringLiteral("1st"), QStringLiteral("2nd"), QStringLiteral("3rd"),
                                     QStringLiteral("4th"), QStringLiteral("5th")}));
    EXPECT_TRUE(weekOrdinal(0).isEmpty());
    EXPECT_TRUE(weekOrdinal(6).isEmpty());
    const std::pair<int, const char *> suffixes[] = {
        {1, "st"},  {2, "nd"},  {3, "rd"},  {4, "th"},  {11, "th"}, {12, "th"}, {13, "th"},
        {21, "st"}, {22, "nd"}, {23, "rd"}, {24, "th"}, {30, "th"}, {31, "st"}};
    for (const auto &[day, suffix] : suffixes)
        EXPECT_EQ(daySuffix(day), QLatin1String(suffix)) << day;
}

struct AgeCase {
    int from, to;
    const char *text;
};

void PrintTo(const AgeCase &c, std::ostream *os) {
    *os << c.text;
}

class AgeTexts : public ::testing::TestWithParam<AgeCase> {};

TEST_P(AgeTexts, CountsWholeUnits) {
    EXPECT_EQ(ageText(GetParam().from, GetParam().to), QLatin1String(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Spans, AgeTexts,
    ::testing::Values(AgeCase{ymd(2026, 3, 5), ymd(2026, 3, 5), "0 DAYS"},
                      AgeCase{ymd(2026, 3, 5), ymd(2026, 4, 4), "30 DAYS"}, // a month not yet complete
                      AgeCase{ymd(2026, 3, 5), ymd(2026, 4, 5), "1 MOS"},
                      AgeCase{ymd(2026, 1, 31), ymd(2026, 2, 28), "28 DAYS"},
                      AgeCase{ymd(2025, 12, 20), ymd(2026, 1, 3), "14 DAYS"},
                      AgeCase{ymd(2025, 3, 5), ymd(2026, 3, 5), "12 MOS"},
                      AgeCase{ymd(2024, 10, 8), ymd(2026, 3, 8), "17 MOS"},
                      AgeCase{ymd(2024, 3, 5), ymd(2026, 3, 5), "24 MOS"}, // 24 months are still months
                      AgeCase{ymd(2024, 3, 5), ymd(2026, 4, 4), "24 MOS"},
                      AgeCase{ymd(2024, 3, 5), ymd(2026, 4, 5), "2 YRS"},
                      AgeCase{ymd(1959, 10, 31), ymd(2026, 10, 30), "66 YRS"},
                      AgeCase{ymd(1959, 10, 31), ymd(2026, 10, 31), "67 YRS"},
                      AgeCase{ymd(2024, 2, 29), ymd(2025, 3, 1), "12 MOS"},
                      AgeCase{ymd(2030, 5, 1), ymd(2026, 5, 1), "-4 YRS"}),
    [](const ::testing::TestParamInfo<AgeCase> &info) {
        return tabulo::test::caseName(info.param.text, info.index);
    });

TEST(DateOps, WholeYearsCountFromTheBirthday) {
    EXPECT_EQ(wholeYearsBetween(ymd(2000, 2, 29), ymd(2025, 2, 28)), 24);
    EXPECT_EQ(wholeYearsBetween(ymd(2000, 2, 29), ymd(2025, 3, 1)), 25);
    EXPECT_EQ(wholeYearsBetween(ymd(2000, 2, 29), ymd(2028, 2, 29)), 28);
    EXPECT_EQ(wholeYearsBetween(ymd(1959, 10, 31), ymd(2026, 10, 30)), 66);
    EXPECT_EQ(wholeYearsBetween(ymd(1959, 10, 31), ymd(2026, 10, 31)), 67);
    EXPECT_EQ(wholeYearsBetween(ymd(2026, 12, 8), ymd(2026, 12, 8)), 0);
    EXPECT_EQ(wholeMonthsBetween(ymd(2026, 3, 5), ymd(2025, 3, 5)), -12);
    EXPECT_EQ(wholeYearsBetween(ymd(2030, 5, 1), ymd(2026, 5, 1)), -4);
}

TEST(DateOps, DatePictureTexts) {
    const int halloween59 = ymd(1959, 10, 31);
    EXPECT_EQ(formatDate(halloween59, DateStyle::Numeric2), QStringLiteral("10/31/59"));
    EXPECT_EQ(formatDate(halloween59, DateStyle::Numeric4), QStringLiteral("10/31/1959"));
    EXPECT_EQ(formatDate(halloween59, DateStyle::ShortMonth), QStringLiteral("Oct 31, 1959"));
    EXPECT_EQ(formatDate(halloween59, DateStyle::LongMonth), QStringLiteral("October 31, 1959"));
    EXPECT_EQ(formatDate(ymd(2026, 12, 8), DateStyle::Numeric4), QStringLiteral("12/08/2026"));
    EXPECT_EQ(formatDate(ymd(2026, 12, 8), DateStyle::ShortMonth), QStringLiteral("Dec 8, 2026"));
    EXPECT_EQ(formatDate(ymd(2005, 1, 2), DateStyle::Numeric2), QStringLiteral("01/02/05"));
    EXPECT_EQ(formatDate(ymd(1900, 1, 2), DateStyle::Numeric2), QStringLiteral("01/02/00"));
    for (DateStyle style :
         {DateStyle::Numeric2, DateStyle::Numeric4, DateStyle::ShortMonth, DateStyle::LongMonth})
        EXPECT_TRUE(formatDate(0, style).isEmpty());
}

TEST(DateOps, TodayComesFromTheInjectedClock) {
    FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(23, 59)));
    Clock::setCurrent(&clock);
    EXPECT_EQ(today(), ymd(2026, 12, 8));
    clock.set(QDateTime(QDate(1801, 1, 1), QTime(0, 0)));
    EXPECT_EQ(today(), 4);
    Clock::setCurrent(nullptr);
}

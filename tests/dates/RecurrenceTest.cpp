#include "dates/Recurrence.h"
#include "base/DateOps.h"

#include <QDate>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tabulo::dates;

namespace {

int ymd(int y, int m, int d) {
    return dateFromMdy(m, d, y);
}

ImportantDate anniversary(int date, int lead) {
    ImportantDate r;
    r.type = QStringLiteral("Year");
    r.event = QStringLiteral("Birthday");
    r.date = date;
    r.leadDays = lead;
    return r;
}

ImportantDate floating(int week, const char *weekday, const char *month, int lead) {
    ImportantDate r;
    r.type = QStringLiteral("Year");
    r.floatingHoliday = true;
    r.week = week;
    r.weekday = QLatin1String(weekday);
    r.month = QLatin1String(month);
    r.leadDays = lead;
    return r;
}

ImportantDate monthDay(int day, int lead) {
    ImportantDate r;
    r.type = QStringLiteral("Month");
    r.dayDate = day;
    r.leadDays = lead;
    return r;
}

ImportantDate monthLastDay(int lead) {
    ImportantDate r = monthDay(0, lead);
    r.lastDay = true;
    return r;
}

ImportantDate monthLastWeekday(const char *weekday, int lead) {
    ImportantDate r = monthDay(0, lead);
    r.lastDayName = true;
    r.weekday = QLatin1String(weekday);
    return r;
}

ImportantDate weekly(int week, const char *weekday, int lead) {
    ImportantDate r;
    r.type = QStringLiteral("Week");
    r.week = week;
    r.weekday = QLatin1String(weekday);
    r.leadDays = lead;
    return r;
}

ImportantDate everyDays(int start, int period, int lead) {
    ImportantDate r;
    r.type = QStringLiteral("Days");
    r.date = start;
    r.numberOfDays = period;
    r.leadDays = lead;
    return r;
}

struct PendingCase {
    const char *name;
    ImportantDate record;
    int today;
    bool pending;
    int occurrence;       // checked when pending
    const char *dateText; // checked when pending
    const char *age;      // checked when pending
};

void PrintTo(const PendingCase &c, std::ostream *os) {
    *os << c.name;
}

class PendingTest : public ::testing::TestWithParam<PendingCase> {};

TEST_P(PendingTest, Evaluates) {
    const PendingCase &c = GetParam();
    const PendingResult result = evaluatePending(c.record, c.today);
    EXPECT_FALSE(result.failed());
    ASSERT_EQ(result.pending, c.pending)
        << "occurrence " << formatDate(result.occurrence, DateStyle::Numeric4).toStdString();
    if (!c.pending)
        return;
    EXPECT_EQ(formatDate(result.occurrence, DateStyle::Numeric4),
              formatDate(c.occurrence, DateStyle::Numeric4));
    EXPECT_EQ(result.days, c.occurrence - c.today);
    EXPECT_EQ(result.dateText, QLatin1String(c.dateText));
    EXPECT_EQ(result.age, QLatin1String(c.age));
}

const PendingCase kPendingCases[] = {
    // Anniversaries.
    {"AnniversaryOnItsDay", anniversary(ymd(1959, 10, 31), 0), ymd(2026, 10, 31), true, ymd(2026, 10, 31),
     "Saturday, 10/31/1959", "67 Years"},
    {"AnniversaryNoLeadDayBefore", anniversary(ymd(1959, 10, 31), 0), ymd(2026, 10, 30), false, 0, "", ""},
    {"AnniversaryAtLeadEdge", anniversary(ymd(1959, 10, 31), 10), ymd(2026, 10, 21), true, ymd(2026, 10, 31),
     "Saturday, 10/31/1959", "67 Years"},
    {"AnniversaryBeyondLead", anniversary(ymd(1959, 10, 31), 10), ymd(2026, 10, 20), false, 0, "", ""},
    {"AnniversaryPassed", anniversary(ymd(1959, 10, 31), 30), ymd(2026, 11, 1), false, 0, "", ""},
    {"AnniversaryAcrossYearEnd", anniversary(ymd(1980, 1, 3), 7), ymd(2026, 12, 28), true, ymd(2027, 1, 3),
     "Sunday, 01/03/1980", "47 Years"},
    {"AnniversaryAcrossYearEndBeyondLead", anniversary(ymd(1980, 1, 3), 5), ymd(2026, 12, 28), false, 0, "",
     ""},
    {"AnniversaryNewYearsDayOnNewYearsEve", anniversary(ymd(2000, 1, 1), 1), ymd(2026, 12, 31), true,
     ymd(2027, 1, 1), "Friday, 01/01/2000", "27 Years"},
    {"LeapDayFallsOnFirstMarch", anniversary(ymd(2000, 2, 29), 0), ymd(2026, 3, 1), true, ymd(2026, 3, 1),
     "Sunday, 02/29/2000", "26 Years"},
    {"LeapDayNotOnLastFebruary", anniversary(ymd(2000, 2, 29), 0), ymd(2026, 2, 28), false, 0, "", ""},
    {"LeapDayInLeapYear", anniversary(ymd(2000, 2, 29), 0), ymd(2028, 2, 29), true, ymd(2028, 2, 29),
     "Tuesday, 02/29/2000", "28 Years"},
    {"LeapDayNotFirstMarchInLeapYear", anniversary(ymd(2000, 2, 29), 0), ymd(2028, 3, 1), false, 0, "", ""},
    {"DatedThisYearHasNoAge", anniversary(ymd(2026, 3, 5), 0), ymd(2026, 3, 5), true, ymd(2026, 3, 5),
     "Thursday, 03/05/2026", ""},
    {"OneYearAgo", anniversary(ymd(2025, 3, 5), 3), ymd(2026, 3, 2), true, ymd(2026, 3, 5),
     "Thursday, 03/05/2025", "1 Year "},
    {"FortyFiveYearsAgo", anniversary(ymd(1981, 12, 10), 5), ymd(2026, 12, 8), true, ymd(2026, 12, 10),
     "Thursday, 12/10/1981", "45 Years"},
    {"DatedInAFutureYearHasNoAge", anniversary(ymd(2030, 12, 10), 5), ymd(2026, 12, 8), true,
     ymd(2026, 12, 10), "Thursday, 12/10/2030", ""},
    {"AnniversaryWithoutDate", anniversary(0, 99), ymd(2026, 12, 8), false, 0, "", ""},

    // Floating holidays: the n-th weekday of month M, within the lead days and on the day only.
    {"FloatingOnItsDay", floating(4, "Thursday", "November", 0), ymd(2026, 11, 26), true, ymd(2026, 11, 26),
     "4th Thursday, 11/26/2026", ""},
    {"FloatingLongLeadFromPreviousMonth", floating(4, "Thursday", "November", 30), ymd(2026, 10, 30), true,
     ymd(2026, 11, 26), "4th Thursday, 11/26/2026", ""},
    {"FloatingJustOutsideLead", floating(4, "Thursday", "November", 10), ymd(2026, 11, 15), false, 0, "", ""},
    {"FloatingAtLeadEdge", floating(4, "Thursday", "November", 10), ymd(2026, 11, 16), true,
     ymd(2026, 11, 26), "4th Thursday, 11/26/2026", ""},
    {"FloatingDayAfter", floating(4, "Thursday", "November", 99), ymd(2026, 11, 27), false, 0, "", ""},
    {"FloatingNotInOtherMonths", floating(4, "Thursday", "November", 20), ymd(2026, 12, 20), false, 0, "",
     ""},
    {"FloatingOtherMonthsSameWeekday", floating(4, "Thursday", "November", 0), ymd(2026, 10, 22), false, 0,
     "", ""},
    {"FloatingAcrossYearEnd", floating(1, "Monday", "January", 7), ymd(2026, 12, 28), true, ymd(2027, 1, 4),
     "1st Monday, 01/04/2027", ""},
    {"FloatingFifthWeekdayCarries", floating(5, "Monday", "February", 0), ymd(2026, 3, 2), true,
     ymd(2026, 3, 2), "5th Monday, 03/02/2026", ""},
    {"FloatingBadMonthName", floating(4, "Thursday", "Novembre", 99), ymd(2026, 11, 26), false, 0, "", ""},
    {"FloatingBadWeekdayName", floating(4, "thursday", "November", 99), ymd(2026, 11, 26), false, 0, "", ""},

    // "Month": a day of the month, the last day, the last given weekday.
    {"MonthDayPassedThisMonth", monthDay(15, 10), ymd(2026, 10, 20), false, 0, "", ""},
    {"MonthDayOnItsDay", monthDay(15, 0), ymd(2026, 10, 15), true, ymd(2026, 10, 15), "Thursday, Oct 15th",
     ""},
    {"MonthDayDecemberBeyondLead", monthDay(15, 10), ymd(2026, 12, 28), false, 0, "", ""},
    {"MonthDayDecemberIntoJanuary", monthDay(15, 20), ymd(2026, 12, 28), true, ymd(2027, 1, 15),
     "Friday, Jan 15th", ""},
    {"MonthDayFirstOnLastDay", monthDay(1, 1), ymd(2026, 11, 30), true, ymd(2026, 12, 1), "Tuesday, Dec 1st",
     ""},
    {"MonthDayLongLeadDoesNotSkipFebruary", monthDay(15, 40), ymd(2026, 1, 31), true, ymd(2026, 2, 15),
     "Sunday, Feb 15th", ""},
    {"MonthDaySuffixNd", monthDay(22, 3), ymd(2026, 12, 20), true, ymd(2026, 12, 22), "Tuesday, Dec 22nd",
     ""},
    {"MonthLastDayOctober", monthLastDay(0), ymd(2026, 10, 31), true, ymd(2026, 10, 31), "Saturday, Oct 31st",
     ""},
    {"MonthLastDayBeyondLead", monthLastDay(5), ymd(2026, 10, 25), false, 0, "", ""},
    {"MonthLastDayAtLead", monthLastDay(6), ymd(2026, 10, 25), true, ymd(2026, 10, 31), "Saturday, Oct 31st",
     ""},
    {"MonthLastDayLeapFebruary", monthLastDay(0), ymd(2024, 2, 29), true, ymd(2024, 2, 29),
     "Thursday, Feb 29th", ""},
    {"MonthLastFriday", monthLastWeekday("Friday", 0), ymd(2026, 10, 30), true, ymd(2026, 10, 30),
     "Friday, Oct 30th", ""},
    {"MonthLastSaturdayIsLastDay", monthLastWeekday("Saturday", 0), ymd(2026, 10, 31), true,
     ymd(2026, 10, 31), "Saturday, Oct 31st", ""},
    {"MonthLastSundayAcrossYearEnd", monthLastWeekday("Sunday", 31), ymd(2026, 12, 31), true,
     ymd(2027, 1, 31), "Sunday, Jan 31st", ""},
    {"MonthNoDayChosen", monthDay(0, 99), ymd(2026, 10, 31), false, 0, "", ""},

    // "Week": the n-th weekday of every month.
    {"WeekOnItsDay", weekly(2, "Tuesday", 0), ymd(2026, 12, 8), true, ymd(2026, 12, 8),
     "2nd Tuesday, 12/08/2026", ""},
    {"WeekOnTwentiethLooksAtNextMonth", weekly(1, "Monday", 14), ymd(2026, 10, 20), true, ymd(2026, 11, 2),
     "1st Monday, 11/02/2026", ""},
    {"WeekOnTenthPassedThisMonthNextWithinLead", weekly(1, "Monday", 25), ymd(2026, 10, 10), true,
     ymd(2026, 11, 2), "1st Monday, 11/02/2026", ""},
    {"WeekOnTenthNextBeyondLead", weekly(1, "Monday", 7), ymd(2026, 10, 10), false, 0, "", ""},
    {"WeekFifthMondayFallsInMarch", weekly(5, "Monday", 5), ymd(2026, 2, 25), true, ymd(2026, 3, 2),
     "5th Monday, 03/02/2026", ""},
    {"WeekFifthMondayOnItsCarriedDay", weekly(5, "Monday", 0), ymd(2026, 3, 2), true, ymd(2026, 3, 2),
     "5th Monday, 03/02/2026", ""},
    {"WeekFifthMondayThatExists", weekly(5, "Monday", 0), ymd(2026, 3, 30), true, ymd(2026, 3, 30),
     "5th Monday, 03/30/2026", ""},
    {"WeekAcrossYearEnd", weekly(1, "Friday", 5), ymd(2026, 12, 28), true, ymd(2027, 1, 1),
     "1st Friday, 01/01/2027", ""},
    {"WeekBadWeekNumber", weekly(0, "Monday", 99), ymd(2026, 12, 8), false, 0, "", ""},

    // "Days": every P days from the beginning date.
    {"DaysFortnightly", everyDays(ymd(2026, 12, 2), 14, 8), ymd(2026, 12, 8), true, ymd(2026, 12, 16),
     "Wednesday, 12/16/2026", ""},
    {"DaysBeginningDateCounts", everyDays(ymd(2026, 11, 2), 7, 0), ymd(2026, 11, 2), true, ymd(2026, 11, 2),
     "Monday, 11/02/2026", ""},
    {"DaysBeforeBeginning", everyDays(ymd(2026, 11, 2), 7, 3), ymd(2026, 10, 30), true, ymd(2026, 11, 2),
     "Monday, 11/02/2026", ""},
    {"DaysBeforeBeginningBeyondLead", everyDays(ymd(2026, 11, 2), 7, 3), ymd(2026, 10, 29), false, 0, "", ""},
    {"DaysPeriodZeroOnlyOnce", everyDays(ymd(2026, 11, 2), 0, 99), ymd(2026, 11, 3), false, 0, "", ""},
    {"DaysPeriodZeroOnItsDay", everyDays(ymd(2026, 11, 2), 0, 0), ymd(2026, 11, 2), true, ymd(2026, 11, 2),
     "Monday, 11/02/2026", ""},
    {"DaysAcrossLeapDay", everyDays(ymd(2024, 2, 27), 2, 0), ymd(2024, 2, 29), true, ymd(2024, 2, 29),
     "Thursday, 02/29/2024", ""},
    {"DaysWithoutBeginning", everyDays(0, 7, 99), ymd(2026, 12, 8), false, 0, "", ""},
};

INSTANTIATE_TEST_SUITE_P(Kinds, PendingTest, ::testing::ValuesIn(kPendingCases),
                         [](const ::testing::TestParamInfo<PendingCase> &info) { return info.param.name; });

} // namespace

TEST(Recurrence, DaysEveryMondayWithNoLeadDays) {
    const int startMonday = ymd(2026, 11, 2);
    const ImportantDate record = everyDays(startMonday, 7, 0);
    for (int today = startMonday; today < startMonday + 400; ++today) {
        const PendingResult result = evaluatePending(record, today);
        const bool monday = weekdayName(weekdayNumber(today)) == QLatin1String("Monday");
        ASSERT_EQ(result.pending, monday) << formatDate(today, DateStyle::Numeric4).toStdString();
        if (monday) {
            EXPECT_EQ(result.days, 0);
            EXPECT_EQ(result.occurrence, today);
            EXPECT_EQ(result.dateText, QStringLiteral("Monday, ") + formatDate(today, DateStyle::Numeric4));
        }
    }
}

// A yearly event is pending on exactly the days whose lead window holds one
// of its days, checked day by day over three years against occurrences
// found by walking QDate's calendar.
TEST(Recurrence, YearlyEventsArePendingExactlyWithinTheirLeadWindow) {
    const qint64 julianOfDayZero = QDate(1800, 12, 28).toJulianDay();
    auto dayOfQDate = [&](const QDate &d) { return static_cast<int>(d.toJulianDay() - julianOfDayZero); };
    auto nthWeekday = [&](int year, int month, int qtWeekday, int n) {
        int seen = 0;
        for (QDate d(year, month, 1); d.month() == month; d = d.addDays(1)) {
            if (d.dayOfWeek() == qtWeekday && ++seen == n)
                return dayOfQDate(d);
        }
        return 0;
    };
    struct Case {
        ImportantDate record;
        std::function<int(int year)> occurrenceIn;
    };
    const std::vector<Case> cases = {
        {anniversary(ymd(1980, 1, 3), 12), [&](int y) { return dayOfQDate(QDate(y, 1, 3)); }},
        {anniversary(ymd(1990, 12, 31), 40), [&](int y) { return dayOfQDate(QDate(y, 12, 31)); }},
        {anniversary(ymd(1996, 2, 29), 3),
         [&](int y) { return dayOfQDate(QDate::isLeapYear(y) ? QDate(y, 2, 29) : QDate(y, 3, 1)); }},
        {floating(4, "Thursday", "November", 35), [&](int y) { return nthWeekday(y, 11, Qt::Thursday, 4); }},
        {floating(1, "Monday", "January", 9), [&](int y) { return nthWeekday(y, 1, Qt::Monday, 1); }},
        {floating(2, "Sunday", "May", 0), [&](int y) { return nthWeekday(y, 5, Qt::Sunday, 2); }},
        {floating(3, "Saturday", "December", 20), [&](int y) { return nthWeekday(y, 12, Qt::Saturday, 3); }},
    };
    for (const Case &c : cases) {
        std::vector<int> occurrences;
        for (int y = 2025; y <= 2030; ++y)
            occurrences.push_back(c.occurrenceIn(y));
        int failures = 0;
        for (int today = ymd(2026, 1, 1); today < ymd(2029, 1, 1); ++today) {
            int expected = 0;
            for (int o : occurrences) {
                if (o >= today && o <= today + c.record.leadDays) {
                    expected = o;
                    break;
                }
            }
            const PendingResult result = evaluatePending(c.record, today);
            if ((result.pending != (expected != 0) || (expected && result.occurrence != expected)) &&
                ++failures < 4)
                ADD_FAILURE() << c.record.month.toStdString() << " lead " << c.record.leadDays << " on "
                              << formatDate(today, DateStyle::Numeric4).toStdString();
        }
        EXPECT_EQ(failures, 0);
    }
}

TEST(Recurrence, InvalidTypeFailsOnEveryEvaluation) {
    ImportantDate record = anniversary(ymd(1959, 10, 31), 99);
    record.event = QStringLiteral("Dentist");
    const QString expected =
        QStringLiteral("Type field empty in record for Dentist") + QString(65 - 7, QLatin1Char(' '));
    PendingPass pass;
    for (const char *type : {"", "   ", "year", "YEAR", "Yearly", "Weeks"}) {
        record.type = QLatin1String(type);
        for (int round = 0; round < 2; ++round) {
            const PendingResult result = pass.evaluate(record, ymd(2026, 10, 31));
            EXPECT_TRUE(result.failed()) << type;
            EXPECT_EQ(result.failure, expected) << type;
            EXPECT_FALSE(result.pending);
        }
        const DatesListTexts texts = datesListTexts(record, ymd(2026, 10, 31));
        EXPECT_TRUE(texts.shortDate.isEmpty());
        EXPECT_TRUE(texts.howLongAgo.isEmpty());
    }
    EXPECT_EQ(pass.pendingCount(), 0);
}

TEST(Recurrence, TypeWordsIgnoreTrailingBlanksOnly) {
    EXPECT_EQ(recurrenceKind(QStringLiteral("Year   ")), RecurrenceKind::Year);
    EXPECT_EQ(recurrenceKind(QStringLiteral("Days")), RecurrenceKind::Days);
    EXPECT_EQ(recurrenceKind(QStringLiteral(" Week")), RecurrenceKind::Invalid);
    EXPECT_EQ(recurrenceKind(QStringLiteral("month")), RecurrenceKind::Invalid);
}

TEST(Recurrence, PassCountsPendingRecords) {
    PendingPass pass;
    const int today = ymd(2026, 12, 8);
    pass.evaluate(weekly(2, "Tuesday", 0), today);            // pending
    pass.evaluate(anniversary(ymd(1959, 10, 31), 5), today);  // not
    pass.evaluate(everyDays(ymd(2026, 12, 2), 14, 8), today); // pending
    EXPECT_EQ(pass.pendingCount(), 2);
    pass.clear();
    EXPECT_EQ(pass.pendingCount(), 0);
}

struct ListTextCase {
    const char *name;
    ImportantDate record;
    int today;
    const char *shortDate;
    const char *howLongAgo;
};

void PrintTo(const ListTextCase &c, std::ostream *os) {
    *os << c.name;
}

class ListTextTest : public ::testing::TestWithParam<ListTextCase> {};

TEST_P(ListTextTest, Texts) {
    const ListTextCase &c = GetParam();
    const DatesListTexts texts = datesListTexts(c.record, c.today);
    EXPECT_EQ(texts.shortDate, QLatin1String(c.shortDate));
    EXPECT_EQ(texts.howLongAgo, QLatin1String(c.howLongAgo));
}

const ListTextCase kListTextCases[] = {
    {"YearSameMonth67Years", anniversary(ymd(1959, 10, 31), 0), ymd(2026, 10, 31), "10/31/59",
     "67 YRS 0 MOS"},
    {"YearOneMonthLater", anniversary(ymd(1959, 10, 31), 0), ymd(2026, 12, 8), "10/31/59", "67 YRS 1 MOS"},
    {"YearDayNotYetReached", anniversary(ymd(1959, 10, 31), 0), ymd(2026, 10, 1), "10/31/59",
     "66 YRS 11 MOS"},
    {"YearOneYearFiveMonths", anniversary(ymd(2025, 7, 8), 0), ymd(2026, 12, 8), "07/08/25", "1 YR 5 MOS"},
    {"YearTwelveMonths", anniversary(ymd(2025, 12, 8), 0), ymd(2026, 12, 8), "12/08/25", "1 YR "},
    {"YearTwentyFourMonths", anniversary(ymd(2024, 12, 8), 0), ymd(2026, 12, 8), "12/08/24", "2 YRS"},
    {"YearTwentyFiveMonths", anniversary(ymd(2024, 11, 8), 0), ymd(2026, 12, 8), "11/08/24", "2 YRS 1 MOS"},
    {"YearFiveMonths", anniversary(ymd(2026, 7, 8), 0), ymd(2026, 12, 8), "07/08/26", "5 MOS"},
    {"YearDays", anniversary(ymd(2026, 11, 28), 0), ymd(2026, 12, 8), "11/28/26", "10 DAYS"},
    {"YearInTheFuture", anniversary(ymd(2027, 1, 3), 0), ymd(2026, 12, 8), "01/03/27", ""},
    {"YearFloatingHoliday", floating(4, "Thursday", "November", 0), ymd(2026, 12, 8), "4th Thursday", ""},
    {"MonthDay15", monthDay(15, 0), ymd(2026, 12, 8), "15th", ""},
    {"MonthDay21", monthDay(21, 0), ymd(2026, 12, 8), "21st", ""},
    {"MonthLastDay", monthLastDay(0), ymd(2026, 12, 8), "Last Day", ""},
    {"MonthLastWeekday", monthLastWeekday("Wednesday", 0), ymd(2026, 12, 8), "Last Wednesday", ""},
    {"MonthNoDate", monthDay(0, 0), ymd(2026, 12, 8), "Month - No date", ""},
    {"Week", weekly(2, "Wednesday", 0), ymd(2026, 12, 8), "2nd Wednesday", ""},
    {"Days", everyDays(ymd(2026, 12, 16), 14, 0), ymd(2026, 12, 8), "Dec 16, 2026", ""},
};

INSTANTIATE_TEST_SUITE_P(Kinds, ListTextTest, ::testing::ValuesIn(kListTextCases),
                         [](const ::testing::TestParamInfo<ListTextCase> &info) { return info.param.name; });

TEST(Recurrence, AnniversaryAgeWording) {
    const int occurrence = ymd(2026, 12, 8);
    EXPECT_EQ(anniversaryAge(ymd(1981, 12, 8), occurrence), QStringLiteral("45 Years"));
    EXPECT_EQ(anniversaryAge(ymd(2025, 12, 8), occurrence), QStringLiteral("1 Year "));
    EXPECT_EQ(anniversaryAge(ymd(2024, 12, 8), occurrence), QStringLiteral("2 Years"));
    EXPECT_EQ(anniversaryAge(ymd(2025, 7, 8), occurrence), QStringLiteral("1 Year 5 Months"));
    EXPECT_EQ(anniversaryAge(ymd(2026, 7, 8), occurrence), QStringLiteral("5 MOS"));
    EXPECT_EQ(anniversaryAge(ymd(2026, 12, 7), occurrence), QStringLiteral("1 Day "));
    EXPECT_EQ(anniversaryAge(ymd(2026, 12, 1), occurrence), QStringLiteral("7 Days"));
    EXPECT_EQ(anniversaryAge(occurrence, occurrence), QString());
    EXPECT_EQ(anniversaryAge(ymd(2029, 12, 8), occurrence), QString());
}

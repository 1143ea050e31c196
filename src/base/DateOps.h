#pragma once

#include <QString>
#include <QStringView>

#include <chrono>
#include <optional>

namespace tabulo::dates {

// Calendar arithmetic over the stored day numbers. A day number counts days
// from Sunday 28 December 1800 (day 0); 0 means "no date". Everything is done
// on std::chrono's proleptic Gregorian calendar, so no hand-written month
// tables can drift from the library's.

inline constexpr int kNoDate = 0;

// Day 0 as a calendar day.
inline constexpr std::chrono::sys_days kDayZero =
    std::chrono::sys_days{std::chrono::year{1800} / std::chrono::December / 28};

int dayNumber(std::chrono::sys_days day);
int dayNumber(const std::chrono::year_month_day &date);
std::chrono::sys_days sysDays(int dayNumber);
std::chrono::year_month_day calendarDate(int dayNumber);

// Month 1..12, day 1..31 and four-digit year of a day number.
int monthOf(int dayNumber);
int dayOf(int dayNumber);
int yearOf(int dayNumber);

// Day number of (month, day, year) with the rolling the recurrence rules rely
// on: month 13 is January of the following year (and month 0 December of the
// previous one), day 0 is the last day of the previous month, and a day past
// the month's end carries into the following month (day 33 of a 31-day month
// is the 2nd of the next).
int dateFromMdy(int month, int day, int year);

// The last day of the month that contains `dayNumber`.
int lastDayOfMonth(int dayNumber);

// 0 = Sunday .. 6 = Saturday.
int weekdayIndex(int dayNumber);
// 1 = Sunday .. 7 = Saturday, the numbering of the stored weekday names.
int weekdayNumber(int dayNumber);

// "Sunday".."Saturday" for 1..7; empty for any other number.
QString weekdayName(int weekdayNumber);
// "January".."December" for 1..12; empty otherwise.
QString monthName(int month);
// "Jan".."Dec" for 1..12; empty otherwise.
QString monthAbbreviation(int month);

// Stored weekday and month names back to their numbers. The comparison is
// exact (case-sensitive) apart from trailing blanks, which stored text may
// carry; anything else is no name at all.
std::optional<int> weekdayNumberFromName(QStringView name);
std::optional<int> monthNumberFromName(QStringView name);

// "1st".."5th" for a week 1..5; empty otherwise.
QString weekOrdinal(int week);
// "st", "nd", "rd" or "th" for a day of the month.
QString daySuffix(int dayOfMonth);

// Today's day number, from the injectable clock.
int today();

// The time from `from` to `to` as a number, one blank and a unit: "DAYS"
// below one whole month, "MOS" for 1 to 24 whole months, "YRS" beyond.
// Months and years are whole calendar units (a month is complete when the
// day of the month is reached again). When `from` lies after `to` the number
// carries a minus sign ("-3 YRS").
QString ageText(int from, int to);

// Whole calendar months and years from `from` to `to`; negative when `from`
// lies after `to`. Someone born on 29 February is a year older on 1 March
// in the years without that day.
int wholeMonthsBetween(int from, int to);
int wholeYearsBetween(int from, int to);

// Date texts of the date pictures. Every form gives the empty text for
// day number 0 (no date).
enum class DateStyle {
    Numeric2,   // 10/31/59   (pictures d1, d01)
    Numeric4,   // 10/31/1959 (picture d2)
    ShortMonth, // Oct 31, 1959 (picture d3)
    LongMonth,  // October 31, 1959 (picture d4)
};
QString formatDate(int dayNumber, DateStyle style);

} // namespace tabulo::dates

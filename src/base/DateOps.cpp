#include "base/DateOps.h"

#include "base/Clock.h"

#include <array>

namespace tabulo::dates {

using namespace std::chrono;

namespace {

const std::array<QString, 7> &weekdayNames() {
    static const std::array<QString, 7> names = {QStringLiteral("Sunday"),   QStringLiteral("Monday"),
                                                 QStringLiteral("Tuesday"),  QStringLiteral("Wednesday"),
                                                 QStringLiteral("Thursday"), QStringLiteral("Friday"),
                                                 QStringLiteral("Saturday")};
    return names;
}

const std::array<QString, 12> &monthNames() {
    static const std::array<QString, 12> names = {
        QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
        QStringLiteral("April"),   QStringLiteral("May"),      QStringLiteral("June"),
        QStringLiteral("July"),    QStringLiteral("August"),   QStringLiteral("September"),
        QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
    return names;
}

QStringView withoutTrailingBlanks(QStringView text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.left(end);
}

int floorDiv(int a, int b) {
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

int dayNumber(sys_days day) {
    return static_cast<int>((day - kDayZero).count());
}

int dayNumber(const year_month_day &date) {
    return dayNumber(sys_days{date});
}

sys_days sysDays(int dayNumber) {
    return kDayZero + days{dayNumber};
}

year_month_day calendarDate(int dayNumber) {
    return year_month_day{sysDays(dayNumber)};
}

int monthOf(int dayNumber) {
    return static_cast<int>(static_cast<unsigned>(calendarDate(dayNumber).month()));
}

int dayOf(int dayNumber) {
    return static_cast<int>(static_cast<unsigned>(calendarDate(dayNumber).day()));
}

int yearOf(int dayNumber) {
    return static_cast<int>(calendarDate(dayNumber).year());
}

int dateFromMdy(int month, int day, int year) {
    // Fold any month into 1..12 first; the day then counts from the 1st, which
    // gives day 0 and days past the month's end their rolling for free.
    const int monthIndex = month - 1;
    const int yearShift = floorDiv(monthIndex, 12);
    const int normalMonth = monthIndex - yearShift * 12 + 1;
    const year_month_day first{std::chrono::year{year + yearShift},
                               std::chrono::month{static_cast<unsigned>(normalMonth)}, std::chrono::day{1}};
    return dayNumber(first) + day - 1;
}

int lastDayOfMonth(int dayNumber) {
    const year_month_day date = calendarDate(dayNumber);
    return tabulo::dates::dayNumber(year_month_day{date.year() / date.month() / last});
}

int weekdayIndex(int dayNumber) {
    return ((dayNumber % 7) + 7) % 7;
}

int weekdayNumber(int dayNumber) {
    return weekdayIndex(dayNumber) + 1;
}

QString weekdayName(int weekdayNumber) {
    if (weekdayNumber < 1 || weekdayNumber > 7)
        return {};
    return weekdayNames()[static_cast<size_t>(weekdayNumber - 1)];
}

QString monthName(int month) {
    if (month < 1 || month > 12)
        return {};
    return monthNames()[static_cast<size_t>(month - 1)];
}

QString monthAbbreviation(int month) {
    return monthName(month).left(3);
}

std::optional<int> weekdayNumberFromName(QStringView name) {
    const QStringView trimmed = withoutTrailingBlanks(name);
    for (size_t i = 0; i < weekdayNames().size(); ++i) {
        if (trimmed == weekdayNames()[i])
            return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

std::optional<int> monthNumberFromName(QStringView name) {
    const QStringView trimmed = withoutTrailingBlanks(name);
    for (size_t i = 0; i < monthNames().size(); ++i) {
        if (trimmed == monthNames()[i])
            return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

QString weekOrdinal(int week) {
    switch (week) {
    case 1:
        return QStringLiteral("1st");
    case 2:
        return QStringLiteral("2nd");
    case 3:
        return QStringLiteral("3rd");
    case 4:
        return QStringLiteral("4th");
    case 5:
        return QStringLiteral("5th");
    default:
        return {};
    }
}

QString daySuffix(int dayOfMonth) {
    switch (dayOfMonth) {
    case 1:
    case 21:
    case 31:
        return QStringLiteral("st");
    case 2:
    case 22:
        return QStringLiteral("nd");
    case 3:
    case 23:
        return QStringLiteral("rd");
    default:
        return QStringLiteral("th");
    }
}

int today() {
    return Clock::current().today();
}

int wholeMonthsBetween(int from, int to) {
    if (from > to)
        return -wholeMonthsBetween(to, from);
    const year_month_day a = calendarDate(from);
    const year_month_day b = calendarDate(to);
    int months = (static_cast<int>(b.year()) - static_cast<int>(a.year())) * 12 +
                 static_cast<int>(static_cast<unsigned>(b.month())) -
                 static_cast<int>(static_cast<unsigned>(a.month()));
    // A month is only complete once its day of the month comes round again.
    if (b.day() < a.day())
        --months;
    return months;
}

int wholeYearsBetween(int from, int to) {
    return wholeMonthsBetween(from, to) / 12;
}

QString ageText(int from, int to) {
    if (from > to)
        return QLatin1Char('-') + ageText(to, from);
    const int months = wholeMonthsBetween(from, to);
    if (months < 1)
        return QString::number(to - from) + QStringLiteral(" DAYS");
    if (months <= 24)
        return QString::number(months) + QStringLiteral(" MOS");
    return QString::number(months / 12) + QStringLiteral(" YRS");
}

QString formatDate(int dayNumber, DateStyle style) {
    if (dayNumber == kNoDate)
        return {};
    const year_month_day date = calendarDate(dayNumber);
    const int month = static_cast<int>(static_cast<unsigned>(date.month()));
    const int day = static_cast<int>(static_cast<unsigned>(date.day()));
    const int year = static_cast<int>(date.year());
    switch (style) {
    case DateStyle::Numeric2:
        return twoDigits(month) + QLatin1Char('/') + twoDigits(day) + QLatin1Char('/') +
               twoDigits(((year % 100) + 100) % 100);
    case DateStyle::Numeric4:
        return twoDigits(month) + QLatin1Char('/') + twoDigits(day) + QLatin1Char('/') +
               QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
    case DateStyle::ShortMonth:
        return monthAbbreviation(month) + QLatin1Char(' ') + QString::number(day) + QStringLiteral(", ") +
               QString::number(year);
    case DateStyle::LongMonth:
        return monthName(month) + QLatin1Char(' ') + QString::number(day) + QStringLiteral(", ") +
               QString::number(year);
    }
    return {};
}

} // namespace tabulo::dates

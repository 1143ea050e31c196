#include "dates/Recurrence.h"
#include "base/Text.h"

#include "base/DateOps.h"

#include <optional>

namespace tabulo::dates {

namespace {

bool validWeek(int week) {
    return week >= 1 && week <= 5;
}

// The n-th given weekday of a month. A fifth weekday the month does not have
// carries into the first days of the following month.
int nthWeekdayOfMonth(int month, int year, int weekday, int week) {
    const int first = weekdayNumber(dateFromMdy(month, 1, year));
    const int day =
        first <= weekday ? weekday - first + 1 + 7 * (week - 1) : weekday - first + 8 + 7 * (week - 1);
    return dateFromMdy(month, day, year);
}

// The last given weekday of a month.
int lastWeekdayOfMonth(int month, int year, int weekday) {
    const int last = dateFromMdy(month + 1, 0, year);
    const int lastWeekday = weekdayNumber(last);
    if (lastWeekday > weekday)
        return last - (lastWeekday - weekday);
    if (weekday > lastWeekday)
        return last - (7 - (weekday - lastWeekday));
    return last;
}

// Every kind recurs once a month or once a year, so the next occurrence is
// the first of the previous, this and the next period's ones that is not
// past. The previous period counts because a fifth weekday that a month
// lacks falls into the next month's first week; the next one because the
// lead days reach across month and year ends (a birthday on 3 January is
// announced on 28 December).
template <typename OccurrenceIn> int firstOnOrAfter(int today, int period, OccurrenceIn occurrenceIn) {
    for (int p = period - 1; p <= period; ++p) {
        const int candidate = occurrenceIn(p);
        if (candidate >= today)
            return candidate;
    }
    return occurrenceIn(period + 1);
}

int yearOccurrence(const ImportantDate &record, int today) {
    const int year = yearOf(today);
    if (!record.floatingHoliday) {
        if (record.date == kNoDate)
            return 0;
        const int month = monthOf(record.date);
        const int day = dayOf(record.date);
        // 29 February rolls to 1 March in the years without it.
        return firstOnOrAfter(today, year, [&](int y) { return dateFromMdy(month, day, y); });
    }
    const std::optional<int> month = monthNumberFromName(record.month);
    const std::optional<int> weekday = weekdayNumberFromName(record.weekday);
    if (!month || !weekday || !validWeek(record.week))
        return 0;
    return firstOnOrAfter(today, year,
                          [&](int y) { return nthWeekdayOfMonth(*month, y, *weekday, record.week); });
}

int monthOccurrence(const ImportantDate &record, int today) {
    const int month = monthOf(today);
    const int year = yearOf(today);
    // dateFromMdy carries month 13 into January of the next year.
    if (record.dayDate != 0) {
        const int day = record.dayDate;
        return firstOnOrAfter(today, month, [&](int m) { return dateFromMdy(m, day, year); });
    }
    if (record.lastDay)
        return lastDayOfMonth(today);
    if (record.lastDayName) {
        const std::optional<int> weekday = weekdayNumberFromName(record.weekday);
        if (!weekday)
            return 0;
        return firstOnOrAfter(today, month, [&](int m) {
            const int first = dateFromMdy(m, 1, year);
            return lastWeekdayOfMonth(monthOf(first), yearOf(first), *weekday);
        });
    }
    return 0;
}

int weekOccurrence(const ImportantDate &record, int today) {
    const std::optional<int> weekday = weekdayNumberFromName(record.weekday);
    if (!weekday || !validWeek(record.week))
        return 0;
    const int year = yearOf(today);
    return firstOnOrAfter(today, monthOf(today), [&](int m) {
        const int first = dateFromMdy(m, 1, year);
        return nthWeekdayOfMonth(monthOf(first), yearOf(first), *weekday, record.week);
    });
}

int daysOccurrence(const ImportantDate &record, int today) {
    const int start = record.date;
    if (start == kNoDate)
        return 0;
    const int period = record.numberOfDays;
    // The beginning date is the first occurrence of the series.
    if (today <= start || period <= 0)
        return start;
    const int k = (today - start - 1) / period;
    return start + period * (k + 1);
}

QString weekdayOf(int day) {
    return weekdayName(weekdayNumber(day));
}

QString weekText(const ImportantDate &record) {
    const QString ordinal = weekOrdinal(record.week);
    const QString weekday = base::withoutTrailingBlanks(record.weekday);
    return ordinal.isEmpty() ? weekday : ordinal + QLatin1Char(' ') + weekday;
}

QString dateText(const ImportantDate &record, RecurrenceKind kind, int occurrence) {
    QString text;
    switch (kind) {
    case RecurrenceKind::Year:
        if (record.floatingHoliday)
            text = weekText(record) + QStringLiteral(", ") + formatDate(occurrence, DateStyle::Numeric4);
        else
            text =
                weekdayOf(occurrence) + QStringLiteral(", ") + formatDate(record.date, DateStyle::Numeric4);
        break;
    case RecurrenceKind::Month: {
        const QString shortMonth = formatDate(occurrence, DateStyle::ShortMonth);
        text = weekdayOf(occurrence) + QStringLiteral(", ") +
               shortMonth.left(shortMonth.indexOf(QLatin1Char(','))) + daySuffix(dayOf(occurrence));
        break;
    }
    case RecurrenceKind::Week:
        text = weekText(record) + QStringLiteral(", ") + formatDate(occurrence, DateStyle::Numeric4);
        break;
    case RecurrenceKind::Days:
        text = weekdayOf(occurrence) + QStringLiteral(", ") + formatDate(occurrence, DateStyle::Numeric4);
        break;
    case RecurrenceKind::Invalid:
        break;
    }
    return text.left(kDateTextWidth);
}

struct AgeParts {
    int number = 0;
    QString unit; // the last three characters: "YRS", "MOS" or "AYS"
};

AgeParts splitAge(const QString &age) {
    return {age.left(age.indexOf(QLatin1Char(' '))).toInt(), age.right(3)};
}

} // namespace

RecurrenceKind recurrenceKind(const QString &type) {
    const QString word = base::withoutTrailingBlanks(type);
    if (word == QLatin1String("Year"))
        return RecurrenceKind::Year;
    if (word == QLatin1String("Month"))
        return RecurrenceKind::Month;
    if (word == QLatin1String("Week"))
        return RecurrenceKind::Week;
    if (word == QLatin1String("Days"))
        return RecurrenceKind::Days;
    return RecurrenceKind::Invalid;
}

int nextOccurrence(const ImportantDate &record, int today) {
    switch (recurrenceKind(record.type)) {
    case RecurrenceKind::Year:
        return yearOccurrence(record, today);
    case RecurrenceKind::Month:
        return monthOccurrence(record, today);
    case RecurrenceKind::Week:
        return weekOccurrence(record, today);
    case RecurrenceKind::Days:
        return daysOccurrence(record, today);
    case RecurrenceKind::Invalid:
        break;
    }
    return 0;
}

QString typeFailureText(const ImportantDate &record) {
    return QStringLiteral("Type field empty in record for ") + record.event.leftJustified(kEventWidth);
}

PendingResult evaluatePending(const ImportantDate &record, int today) {
    PendingResult result;
    const RecurrenceKind kind = recurrenceKind(record.type);
    if (kind == RecurrenceKind::Invalid) {
        result.failure = typeFailureText(record);
        return result;
    }
    const int occurrence = nextOccurrence(record, today);
    if (occurrence == 0)
        return result;
    result.occurrence = occurrence;
    result.dateText = dateText(record, kind, occurrence);
    const int lead = qMax(0, record.leadDays);
    result.pending = occurrence >= today && occurrence <= today + lead;
    if (!result.pending)
        return result;
    result.days = occurrence - today;
    if (kind == RecurrenceKind::Year && !record.floatingHoliday)
        result.age = anniversaryAge(record.date, occurrence);
    return result;
}

PendingResult PendingPass::evaluate(const ImportantDate &record, int today) {
    PendingResult result = evaluatePending(record, today);
    if (result.pending)
        ++m_count;
    return result;
}

QString anniversaryAge(int eventDate, int occurrence) {
    const QString age = ageText(eventDate, occurrence);
    const AgeParts parts = splitAge(age);
    // An event dated this year (or in a later one) has no age yet.
    if (parts.number <= 0)
        return {};
    const QString number = QString::number(parts.number);
    if (parts.unit == QLatin1String("YRS"))
        return number + (parts.number == 1 ? QStringLiteral(" Year ") : QStringLiteral(" Years"));
    if (parts.unit == QLatin1String("MOS")) {
        if (parts.number == 12)
            return QStringLiteral("1 Year ");
        if (parts.number == 24)
            return QStringLiteral("2 Years");
        if (parts.number > 12 && parts.number < 24)
            return QStringLiteral("1 Year ") + QString::number(parts.number - 12) + QStringLiteral(" Months");
        return age;
    }
    if (parts.unit == QLatin1String("AYS"))
        return number + (parts.number == 1 ? QStringLiteral(" Day ") : QStringLiteral(" Days"));
    return age;
}

QString howLongAgo(int eventDate, int today) {
    if (eventDate == kNoDate || eventDate > today)
        return {};
    const QString age = ageText(eventDate, today);
    const AgeParts parts = splitAge(age);
    QString text = age;
    if (parts.unit == QLatin1String("MOS")) {
        if (parts.number == 12)
            text = QStringLiteral("1 YR ");
        else if (parts.number == 24)
            text = QStringLiteral("2 YRS");
        else if (parts.number > 12 && parts.number < 24)
            text = QStringLiteral("1 YR ") + QString::number(parts.number - 12) + QStringLiteral(" MOS");
    } else if (parts.unit == QLatin1String("YRS")) {
        // The months past the whole years count days too, so that a date on the
        // 31st seen on the 1st of the same month reads 11 months, not 0.
        const int months = wholeMonthsBetween(eventDate, today) % 12;
        text =
            base::withoutTrailingBlanks(age) + QLatin1Char(' ') + QString::number(months) + QStringLiteral(" MOS");
    }
    return text.left(kHowLongAgoWidth);
}

DatesListTexts datesListTexts(const ImportantDate &record, int today) {
    DatesListTexts texts;
    switch (recurrenceKind(record.type)) {
    case RecurrenceKind::Year:
        // A floating holiday has no date; it shows which weekday it falls on.
        texts.shortDate =
            record.floatingHoliday ? weekText(record) : formatDate(record.date, DateStyle::Numeric2);
        texts.howLongAgo = record.floatingHoliday ? QString() : howLongAgo(record.date, today);
        break;
    case RecurrenceKind::Month:
        if (record.dayDate != 0) {
            texts.shortDate = QString::number(record.dayDate) + daySuffix(record.dayDate);
        } else if (record.lastDay) {
            texts.shortDate = QStringLiteral("Last Day");
        } else if (record.lastDayName && weekdayNumberFromName(record.weekday)) {
            texts.shortDate = QStringLiteral("Last ") + base::withoutTrailingBlanks(record.weekday);
        } else {
            texts.shortDate = QStringLiteral("Month - No date");
            return texts; // held whole, one character over the column's 14
        }
        break;
    case RecurrenceKind::Week:
        texts.shortDate = weekText(record);
        break;
    case RecurrenceKind::Days:
        texts.shortDate = formatDate(record.date, DateStyle::ShortMonth);
        break;
    case RecurrenceKind::Invalid:
        break;
    }
    texts.shortDate = texts.shortDate.left(14);
    return texts;
}

} // namespace tabulo::dates

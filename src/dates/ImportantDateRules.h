#pragma once

#include "dates/Recurrence.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tabulo::store {
class Record;
} // namespace tabulo::store

namespace tabulo::dates {

// What the important-date form needs to know about a record apart from its
// widgets: which controls a kind of recurrence uses, the bounds of the
// numeric entries, and the record buffer written back from the recurrence
// fields. Reading the buffer is importantDateFromRecord (PendingEvents.h).

// Writes the recurrence fields into a QKdat record buffer; the control
// number, the person link and the note are left as they are.
void writeImportantDate(const ImportantDate &date, store::Record &record);

// The controls of the "General" tab besides "Event:" and "Lead Days:",
// which every kind shows.
struct DateFormControls {
    bool date = false;      // "Date:" with its entry and the calendar button
    bool beginning = false; // the "Beginning" prompt before "Date:"
    bool dayDate = false;   // "Day Date:"
    bool floatingHoliday = false;
    bool lastDayName = false;
    bool lastDay = false;      // "Last Day of Month"
    bool week = false;         // "Week:"
    bool weekDay = false;      // "Week Day:"
    bool month = false;        // "Month:"
    bool numberOfDays = false; // "Number Of Days:"

    bool operator==(const DateFormControls &) const = default;
};

// The controls shown for a DAT:TYPE; an unknown type shows none of them.
DateFormControls shownControls(const QString &type, bool floatingHoliday, bool lastDayName);

// The numeric entries the form checks against their bounds (both included).
enum class RangedField { LeadDays, DayDate, NumberOfDays };

struct RangeRule {
    int low = 0;
    int high = 0;
    QString name;   // the range message's first text
    QString bounds; // its second text, "0 and 99"
};

const RangeRule &rangeRule(RangedField field);
// The rule the value breaks, or nothing when it lies within the bounds.
std::optional<RangeRule> outOfRange(RangedField field, qint64 value);

// The choices of the "Week Day:" and "Month:" drop-downs, stored unchanged.
const QStringList &weekdayChoices();
const QStringList &monthChoices();

// The event a "Last Day Name" record gets when the user picks a weekday and
// has not named the event: "Last Friday". Empty when the event is kept.
QString defaultLastDayEvent(const QString &event, bool lastDayName, const QString &weekday);

} // namespace tabulo::dates

#pragma once

#include <QString>

namespace tabulo::dates {

// The fields of one important-date record that the recurrence rules read,
// held apart from the record store so the rules can be evaluated (and
// tested) without it. An adapter fills it from the DAT: record buffer.
struct ImportantDate {
    int date = 0;                 // DAT:DATE, day number; anniversary date or beginning of a "Days" series
    QString event;                // DAT:EVENT
    int leadDays = 0;             // DAT:LEADDAYS, 0..99
    QString type;                 // DAT:TYPE: "Year", "Month", "Week" or "Days"
    int week = 0;                 // DAT:WEEK, 1..5
    QString weekday;              // DAT:WEEKDAY, "Sunday".."Saturday"
    int dayDate = 0;              // DAT:DAYDATE, 1..28, 0 = not used
    bool lastDay = false;         // DAT:LASTDAY
    bool lastDayName = false;     // DAT:LASTDAYNAME
    bool floatingHoliday = false; // DAT:FLOATINGHOLIDAY
    QString month;                // DAT:MONTH, "January".."December"
    int numberOfDays = 0;         // DAT:NUMBEROFDAYS, 0..255
};

// Width of DAT:EVENT; the failure text carries the whole field.
inline constexpr int kEventWidth = 65;
inline constexpr int kDateTextWidth = 25;
inline constexpr int kHowLongAgoWidth = 15;

// What one evaluation of the pending test gives the pending-events list.
struct PendingResult {
    bool pending = false;
    int occurrence = 0; // the occurrence judged on (day number), 0 = the record has none
    QString dateText;   // how the occurrence is described, at most 25 characters
    int days = 0;       // occurrence minus today when pending
    QString age;        // anniversaries only: how old the event is on the occurrence
    // Set when the record cannot be evaluated at all (a type that is none of
    // the four words). The caller shows it in a message box with no title and
    // an OK button every time the record is evaluated.
    QString failure;

    bool failed() const { return !failure.isEmpty(); }
};

// The two texts the important-dates list shows for a record.
struct DatesListTexts {
    QString shortDate;  // 14 characters, except the whole "Month - No date"
    QString howLongAgo; // at most 15 characters
};

// Kinds of recurrence, from DAT:TYPE (exact words, trailing blanks ignored).
enum class RecurrenceKind { Year, Month, Week, Days, Invalid };
RecurrenceKind recurrenceKind(const QString &type);

// The next occurrence of the record on or after `today`, or 0 when it has
// none (an unknown type or weekday or month name, an anniversary or series
// without a date, a "Month" record with no day chosen).
int nextOccurrence(const ImportantDate &record, int today);

// The pending test: the record is pending when its next occurrence u lies
// within today <= u <= today + lead days.
PendingResult evaluatePending(const ImportantDate &record, int today);

// One pass of the pending test over many records: counts the pending ones.
class PendingPass final {
public:
    PendingResult evaluate(const ImportantDate &record, int today);
    int pendingCount() const { return m_count; }
    void clear() { m_count = 0; }

private:
    int m_count = 0;
};

// The short date text and "How Long Ago" text of the important-dates list.
DatesListTexts datesListTexts(const ImportantDate &record, int today);

// The age of an anniversary on an occurrence ("45 Years", "1 Year ",
// "1 Year 5 Months", "3 Days"); blank when the event is dated in the
// occurrence's own year or later.
QString anniversaryAge(int eventDate, int occurrence);

// "How Long Ago" of an event date seen from today ("1 YR 5 MOS",
// "67 YRS 0 MOS", "5 MOS", "12 DAYS"); blank for no date or a date after today.
QString howLongAgo(int eventDate, int today);

// The failure text for a record whose type is none of the four words.
QString typeFailureText(const ImportantDate &record);

} // namespace tabulo::dates

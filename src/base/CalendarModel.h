#pragma once

#include <QString>
#include <Qt>

namespace tabulo::dates {

// What the calendar picker knows without any window: the selected day, the
// month on show and its 42 day cells, and how keys, spin boxes and buttons
// move the selection. The window only mirrors this state.
//
// Moving by month or year keeps the day of the month and lets a day beyond
// the new month's end carry into the month after it (31 January, next month:
// 3 March, or 2 March in a leap year), the same rolling as every other date
// operation of the program.
class CalendarModel final {
public:
    static constexpr int kCellCount = 42;
    static constexpr int kColumns = 7;

    // Earliest and latest selectable days: 1 January 1801 (the first whole
    // year of day numbers) to 31 December 9999 (the last four-digit year).
    static int firstSelectableDay();
    static int lastSelectableDay();

    // Opens on `date`; a date of 0 ("no date") or one out of range opens on
    // `today` instead, so a record without a date starts from something useful.
    CalendarModel(int date, int today);

    int date() const { return m_date; }
    int year() const { return m_year; }
    int month() const { return m_month; }

    // "October, 2026".
    QString monthTitle() const;
    // "Saturday October 31, 2026".
    QString windowTitle() const;
    // The date as the clipboard gets it on OK: "Oct 31, 2026".
    QString clipboardText() const;

    // 1 = Sunday .. 7 = Saturday, of the 1st of the month on show.
    int firstWeekday() const { return m_firstWeekday; }
    // Day number of the last day of the month on show.
    int lastDay() const { return m_lastDay; }
    // Day of the month in a cell (0..41), 0 for a blank cell.
    int dayInCell(int cell) const;
    // The cell's text: its day of the month or blank.
    QString cellText(int cell) const;
    int selectedCell() const;

    // Each change returns false and leaves everything as it was when the
    // result would lie outside the selectable days.
    bool setDate(int date);
    // Month 13 is January of the next year, month 0 December of the previous.
    bool setMonthYear(int month, int year);
    bool nextMonth() { return setMonthYear(m_month + 1, m_year); }
    bool previousMonth() { return setMonthYear(m_month - 1, m_year); }
    bool nextYear() { return setMonthYear(m_month, m_year + 1); }
    bool previousYear() { return setMonthYear(m_month, m_year - 1); }
    bool moveDays(int delta) { return setDate(m_date + delta); }
    // A blank cell counts as day 1 of the month on show.
    bool selectCell(int cell);

    enum class KeyOutcome {
        Ignored, // not a calendar key; let the window handle it
        Handled, // acted on (even when the move was out of range)
        Cancel,  // close the calendar and return no date
    };
    KeyOutcome handleKey(int key, Qt::KeyboardModifiers modifiers);

private:
    void rebuild();

    int m_date = 0;
    int m_year = 0;
    int m_month = 0;
    int m_firstWeekday = 1;
    int m_lastDay = 0;
    int m_monthLength = 0;
};

} // namespace tabulo::dates

#include "base/CalendarModel.h"

#include "base/DateOps.h"

namespace tabulo::dates {

int CalendarModel::firstSelectableDay() {
    return dateFromMdy(1, 1, 1801);
}

int CalendarModel::lastSelectableDay() {
    return dateFromMdy(12, 31, 9999);
}

CalendarModel::CalendarModel(int date, int today) {
    if (date == kNoDate || date < firstSelectableDay() || date > lastSelectableDay())
        date = today;
    m_date = date;
    rebuild();
}

QString CalendarModel::monthTitle() const {
    return monthName(m_month) + QStringLiteral(", ") + QString::number(m_year);
}

QString CalendarModel::windowTitle() const {
    return weekdayName(weekdayNumber(m_date)) + QLatin1Char(' ') + formatDate(m_date, DateStyle::LongMonth);
}

QString CalendarModel::clipboardText() const {
    return formatDate(m_date, DateStyle::ShortMonth);
}

int CalendarModel::dayInCell(int cell) const {
    const int day = cell - (m_firstWeekday - 1) + 1;
    return (day >= 1 && day <= m_monthLength) ? day : 0;
}

QString CalendarModel::cellText(int cell) const {
    const int day = dayInCell(cell);
    return day == 0 ? QString() : QString::number(day);
}

int CalendarModel::selectedCell() const {
    return dayOf(m_date) + m_firstWeekday - 2;
}

bool CalendarModel::setDate(int date) {
    if (date < firstSelectableDay() || date > lastSelectableDay())
        return false;
    m_date = date;
    rebuild();
    return true;
}

bool CalendarModel::setMonthYear(int month, int year) {
    // Years far outside the range would overflow the day arithmetic before
    // the range check could refuse them.
    if (year < 1800 || year > 10000)
        return false;
    return setDate(dateFromMdy(month, dayOf(m_date), year));
}

bool CalendarModel::selectCell(int cell) {
    if (cell < 0 || cell >= kCellCount)
        return false;
    const int day = dayInCell(cell);
    return setDate(dateFromMdy(m_month, day == 0 ? 1 : day, m_year));
}

CalendarModel::KeyOutcome CalendarModel::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool control = modifiers.testFlag(Qt::ControlModifier);
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (key) {
    case Qt::Key_PageDown:
        control ? previousYear() : nextMonth();
        return KeyOutcome::Handled;
    case Qt::Key_PageUp:
        control ? nextYear() : previousMonth();
        return KeyOutcome::Handled;
    case Qt::Key_Up:
        moveDays(-7);
        return KeyOutcome::Handled;
    case Qt::Key_Down:
        moveDays(7);
        return KeyOutcome::Handled;
    case Qt::Key_Left:
        moveDays(-1);
        return KeyOutcome::Handled;
    case Qt::Key_Right:
        moveDays(1);
        return KeyOutcome::Handled;
    case Qt::Key_Minus:
        if (!keypad)
            return KeyOutcome::Ignored;
        moveDays(-1);
        return KeyOutcome::Handled;
    case Qt::Key_Plus:
        if (!keypad)
            return KeyOutcome::Ignored;
        moveDays(1);
        return KeyOutcome::Handled;
    case Qt::Key_Escape:
        return KeyOutcome::Cancel;
    default:
        return KeyOutcome::Ignored;
    }
}

void CalendarModel::rebuild() {
    m_year = yearOf(m_date);
    m_month = monthOf(m_date);
    const int first = dateFromMdy(m_month, 1, m_year);
    m_firstWeekday = weekdayNumber(first);
    m_lastDay = dateFromMdy(m_month + 1, 1, m_year) - 1;
    m_monthLength = m_lastDay - first + 1;
}

} // namespace tabulo::dates

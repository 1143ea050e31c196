#pragma once

#include <QString>
#include <functional>

namespace tabulo::shell {

// The weekday of a day number (day 0, 28 December 1800, was a Sunday):
// "Sunday" to "Saturday".
QString weekdayName(int dayNumber);

// Formats a day number with the "d3" date picture.
using DateFormatter = std::function<QString(int dayNumber)>;

// The main frame's title: the owner's name without surrounding blanks, then
// " FREE Tabulo List Manager [", the weekday, ", ", the date in "d3" and "]".
QString frameTitle(const QString &madeFor, int today, const DateFormatter &formatD3);

} // namespace tabulo::shell

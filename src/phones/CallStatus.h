#pragma once

#include <QString>

namespace tabulo::phones {

// A call's return status as the calls list shows it, derived from its dates
// and times (day numbers and the store's times): "Not Returned", "Call
// Answered" (returned at the moment it came), or "Returned Date:  " with the
// date, a line break and "Returned Time:  " with the time.
QString callStatusText(int callerDate, int callerTime, int returnedDate, int returnedTime);

// Whether a call still waits to be returned.
inline bool callNotReturned(int returnedDate) {
    return returnedDate == 0;
}

// The caller's name in the calls list: the first name trimmed, a blank and
// the last name, held to 25 characters.
QString callerName(const QString &firstName, const QString &lastName);

inline constexpr int kCallerNameWidth = 25;
inline constexpr int kStatusWidth = 255;

} // namespace tabulo::phones

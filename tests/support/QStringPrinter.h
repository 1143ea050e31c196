#pragma once

#include <QString>
#include <ostream>

// Lets GoogleTest print a QString as its text (quoted) in failure messages,
// instead of as a list of 16-bit units.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

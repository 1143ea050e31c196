#include "shell/FrameTitle.h"

#include <array>

namespace tabulo::shell {

QString weekdayName(int dayNumber) {
    static const std::array<const char *, 7> names = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};
    // Day numbers before day 0 would give a negative remainder.
    const int index = ((dayNumber % 7) + 7) % 7;
    return QString::fromLatin1(names[static_cast<std::size_t>(index)]);
}

QString frameTitle(const QString &madeFor, int today, const DateFormatter &formatD3) {
    return madeFor.trimmed() + QStringLiteral(" FREE Tabulo List Manager [") + weekdayName(today) +
           QStringLiteral(", ") + formatD3(today).trimmed() + QLatin1Char(']');
}

} // namespace tabulo::shell

#include "base/Clock.h"

#include <QDate>
#include <QTime>

namespace tabulo::dates {

namespace {
class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

const SystemClock s_system;
const Clock *s_current = &s_system;

// QDate's Julian day of Sunday 28 December 1800, day 0 of the store's dates.
constexpr qint64 kJulianDayOfDayZero = 2378858;
} // namespace

int Clock::today() const
{
    return static_cast<int>(now().date().toJulianDay() - kJulianDayOfDayZero);
}

int Clock::timeOfDay() const
{
    return now().time().msecsSinceStartOfDay() / 10 + 1;
}

const Clock &Clock::current()
{
    return *s_current;
}

void Clock::setCurrent(const Clock *clock)
{
    s_current = clock ? clock : &s_system;
}

} // namespace tabulo::dates

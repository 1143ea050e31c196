#pragma once

#include <QDateTime>

namespace tabulo::dates {

// Source of "now" for the whole program. Everything that asks for today's
// date or the current time goes through Clock::current(), so tests can drive
// dates, the minute timer and the reminder without waiting.
class Clock
{
public:
    virtual ~Clock() = default;

    // Local date and time.
    virtual QDateTime now() const = 0;

    // Today as a day number (days since Sunday 28 December 1800).
    int today() const;
    // The current time in hundredths of a second since midnight, plus one.
    int timeOfDay() const;

    // The process-wide clock: the system clock unless a test replaced it.
    static const Clock &current();
    // Replaces the process-wide clock; nullptr restores the system clock.
    static void setCurrent(const Clock *clock);
};

// A clock that stands still until moved; for tests and previews.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDateTime at) : m_at(std::move(at)) {}
    QDateTime now() const override { return m_at; }
    void set(QDateTime at) { m_at = std::move(at); }
    void advanceSeconds(qint64 seconds) { m_at = m_at.addSecs(seconds); }

private:
    QDateTime m_at;
};

} // namespace tabulo::dates

#pragma once

#include <atomic>
#include <cstdint>

namespace tabulo::host {

// The reminder values shared by the main frame's minute timer and the
// pending-events window. The window writes them in its start-up check and
// refresh; the frame reads them at every tick. Each value is written and read
// whole, from either thread, without locks.
struct ReminderState {
    std::atomic<bool> popupSwitch{false};
    std::atomic<std::uint8_t> popupMinutes{0};
    std::atomic<bool> eventsPending{false};

    // The one process-wide instance.
    static ReminderState &process();
};

// Counts the frame's timer ticks and says when the pending-events list is due
// to pop up again.
class MinuteReminder final {
public:
    explicit MinuteReminder(const ReminderState &state)
        : m_state(state) {}

    // One minute passed. Returns true when the pending-events list should open
    // now. The count restarts whenever it reaches the pop-up minutes, whatever
    // the flags say, so a minute at which a flag is clear skips only that
    // pop-up.
    bool tick();

    int minuteCount() const { return m_minutes; }

private:
    const ReminderState &m_state;
    int m_minutes = 0;
};

} // namespace tabulo::host

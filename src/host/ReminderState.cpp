#include "host/ReminderState.h"

namespace tabulo::host {

ReminderState &ReminderState::process() {
    static ReminderState state;
    return state;
}

bool MinuteReminder::tick() {
    ++m_minutes;
    const int interval = m_state.popupMinutes.load();
    if (interval == 0)
        return false;
    // At or past the interval, not only exactly at it: when the user shortens
    // the interval while the count is already beyond the new value, an exact
    // comparison would never match again and the reminder would stop for good.
    if (m_minutes < interval)
        return false;
    m_minutes = 0;
    return m_state.popupSwitch.load() && m_state.eventsPending.load();
}

} // namespace tabulo::host

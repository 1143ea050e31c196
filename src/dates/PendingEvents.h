#pragma once

#include "dates/Recurrence.h"
#include "host/ReminderState.h"

#include <QString>

class QObject;

namespace tabulo::store {
class Record;
class Table;
} // namespace tabulo::store

namespace tabulo::dates {

// Minutes between reminders when the setup record leaves them at 0.
inline constexpr int kDefaultPopupMinutes = 120;
inline constexpr int kReminderTextWidth = 25;

// "Popup every minute." for 1, otherwise "Popup every 120 minutes.".
QString reminderText(int minutes);

// The recurrence fields of the important-date record in a QKdat buffer.
ImportantDate importantDateFromRecord(const store::Record &record);

// What the pending-events window does before and beside its list: the
// start-up check that decides whether the window opens at all, the reminder
// text and minutes taken from the setup record, and the reminder switch
// written back to it. The tables must be in use (QKdat and QKset); the
// reminder values go to the state the main frame's minute timer reads.
class PendingEvents final {
public:
    PendingEvents(store::Table &dates, store::Table &setup,
                  host::ReminderState &state = host::ReminderState::process());

    // Runs the start-up check: reads the reminder values, then QKdat in file
    // order until the first pending record. True when one was found (the
    // window should open); the events-pending flag is then set for good.
    // With nothing pending, every check after the first of the process tells
    // the user "No events pending.". A record of an unknown type is reported
    // every time it is met; a table that cannot be read is reported with
    // message 35 rather than as "nothing pending". Boxes belong to `owner`.
    bool startupCheck(QObject *owner = nullptr);

    // Re-reads the setup record for the minutes and the reminder text (the
    // window's refresh). The switch is left as the user set it.
    void refreshReminder();

    const QString &reminderText() const { return m_reminderText; }
    int popupMinutes() const { return m_state.popupMinutes.load(); }
    bool popupSwitch() const { return m_state.popupSwitch.load(); }
    // The last day of the month of the last start-up check.
    int lastDayOfMonth() const { return m_lastDayOfMonth; }

    // The user ticked or cleared the reminder box: the switch follows at
    // once, and SET:POPCHECKED is written through the change routine (a
    // missing setup record is added). False when the write failed; the user
    // has been told and the switch still follows the box for this run.
    bool setPopupChecked(bool checked, QObject *owner = nullptr);

    // Whether a start-up check has run in this process; tests reset it to
    // stand for a fresh program start.
    static bool firstCheckDone();
    static void resetFirstCheck();

private:
    // Reads the setup record and sets the minutes and text; returns the
    // POPCHECKED value read (0 when there is no record).
    int readReminderValues();

    store::Table &m_dates;
    store::Table &m_setup;
    host::ReminderState &m_state;
    QString m_reminderText;
    int m_lastDayOfMonth = 0;
};

// At most one pending-events window exists. The thread that is to show it
// claims the window for as long as the claim lives; a start on any other
// thread finds it taken and only asks the open window to come to the front
// (no second check, no second window). The claim ends however the thread
// ends, also after a start-up check that found nothing.
class PendingWindowClaim final {
public:
    PendingWindowClaim();
    ~PendingWindowClaim();
    PendingWindowClaim(const PendingWindowClaim &) = delete;
    PendingWindowClaim &operator=(const PendingWindowClaim &) = delete;

    // False when another thread's window holds the claim.
    bool owned() const { return m_owned; }
    // Whether any thread holds the claim now.
    static bool windowOpen();

private:
    bool m_owned = false;
};

} // namespace tabulo::dates

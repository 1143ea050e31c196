#include "dates/PendingEvents.h"

#include "base/Clock.h"
#include "base/DateOps.h"
#include "host/StoreSetupSource.h"
#include "store/ChangeRules.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/Table.h"

#include <atomic>
#include <thread>

namespace tabulo::dates {

namespace {

std::atomic<bool> s_firstCheckDone{false};
std::atomic<std::thread::id> s_windowThread{};

qint64 integerField(const store::Record &record, const char *name) {
    return record.value(QString::fromLatin1(name)).toLongLong();
}

QString textField(const store::Record &record, const char *name) {
    return record.value(QString::fromLatin1(name)).toString();
}

void showPlainBox(QObject *owner, const QString &title, const QString &text) {
    store::MessageBox box;
    box.title = title;
    box.text = text;
    box.buttons = store::Button::Ok;
    box.defaultButton = store::Button::Ok;
    box.owner = owner;
    store::MessageService::current().show(box);
}

} // namespace

QString reminderText(int minutes) {
    if (minutes == 1)
        return QStringLiteral("Popup every minute.");
    return QStringLiteral("Popup every %1 minutes.").arg(minutes).left(kReminderTextWidth);
}

ImportantDate importantDateFromRecord(const store::Record &record) {
    ImportantDate date;
    date.date = static_cast<int>(integerField(record, "DAT:DATE"));
    date.event = textField(record, "DAT:EVENT");
    date.leadDays = static_cast<int>(integerField(record, "DAT:LEADDAYS"));
    date.type = textField(record, "DAT:TYPE");
    date.week = static_cast<int>(integerField(record, "DAT:WEEK"));
    date.weekday = textField(record, "DAT:WEEKDAY");
    date.dayDate = static_cast<int>(integerField(record, "DAT:DAYDATE"));
    date.lastDay = integerField(record, "DAT:LASTDAY") != 0;
    date.lastDayName = integerField(record, "DAT:LASTDAYNAME") != 0;
    date.floatingHoliday = integerField(record, "DAT:FLOATINGHOLIDAY") != 0;
    date.month = textField(record, "DAT:MONTH");
    date.numberOfDays = static_cast<int>(integerField(record, "DAT:NUMBEROFDAYS"));
    return date;
}

PendingEvents::PendingEvents(store::Table &dates, store::Table &setup, host::ReminderState &state)
    : m_dates(dates)
    , m_setup(setup)
    , m_state(state) {}

int PendingEvents::readReminderValues() {
    // A missing setup record reads as all zeros: 120 minutes, switch off.
    if (host::readSetupRecord(m_setup))
        m_setup.record().clear();
    int minutes = static_cast<int>(integerField(m_setup.record(), "SET:DATPOPUP"));
    if (minutes == 0)
        minutes = kDefaultPopupMinutes;
    m_state.popupMinutes = static_cast<std::uint8_t>(minutes);
    m_reminderText = dates::reminderText(minutes);
    return static_cast<int>(integerField(m_setup.record(), "SET:POPCHECKED"));
}

bool PendingEvents::startupCheck(QObject *owner) {
    m_state.popupSwitch = readReminderValues() != 0;

    const int today = Clock::current().today();
    m_lastDayOfMonth = dateFromMdy(monthOf(today) + 1, 1, yearOf(today)) - 1;

    PendingPass pass;
    bool found = false;
    store::StoreError readError;
    if (!(readError = m_dates.setStart(nullptr))) {
        for (;;) {
            readError = m_dates.next();
            if (readError)
                break;
            const PendingResult result = pass.evaluate(importantDateFromRecord(m_dates.record()), today);
            if (result.failed())
                showPlainBox(owner, QString(), result.failure);
            if (result.pending) {
                found = true;
                break;
            }
        }
    }

    // Every check counts as the first one, whatever it found: afterwards a
    // check that finds nothing says so, also when the first one had found
    // something (an event whose days have passed since start-up).
    const bool wasFirst = !s_firstCheckDone.exchange(true);

    if (found) {
        m_state.eventsPending = true;
        return true;
    }
    if (readError && readError.code != store::Code::EndOfFile) {
        store::setLastError(readError);
        store::takeSavedError();
        store::standardMessage(owner, 35, m_dates.fileName());
        return false;
    }
    if (!wasFirst)
        showPlainBox(owner, QStringLiteral("Pending"), QStringLiteral("No events pending."));
    return false;
}

void PendingEvents::refreshReminder() {
    readReminderValues();
}

bool PendingEvents::setPopupChecked(bool checked, QObject *owner) {
    m_state.popupSwitch = checked;
    const int popChecked = m_setup.record().indexOf(QStringLiteral("SET:POPCHECKED"));
    if (host::readSetupRecord(m_setup)) {
        m_setup.record().clear();
        m_setup.record().setInteger(popChecked, checked ? 1 : 0);
        if (m_setup.insert()) {
            store::takeSavedError();
            store::standardMessage(owner, 14);
            return false;
        }
        return true;
    }
    m_setup.watch();
    m_setup.record().setInteger(popChecked, checked ? 1 : 0);
    int result = store::changeRecord(m_setup, store::ConflictMessage::Short, owner);
    if (result == store::ChangeResult::ChangedElsewhere) {
        // The buffer now holds the other station's record: only the switch is
        // ours to set, so set it on their values and write once more.
        m_setup.record().setInteger(popChecked, checked ? 1 : 0);
        result = store::changeRecord(m_setup, store::ConflictMessage::Short, owner);
    }
    return result == store::ChangeResult::Done;
}

bool PendingEvents::firstCheckDone() {
    return s_firstCheckDone.load();
}

void PendingEvents::resetFirstCheck() {
    s_firstCheckDone = false;
}

PendingWindowClaim::PendingWindowClaim() {
    std::thread::id none{};
    m_owned = s_windowThread.compare_exchange_strong(none, std::this_thread::get_id());
}

PendingWindowClaim::~PendingWindowClaim() {
    if (m_owned)
        s_windowThread = std::thread::id{};
}

bool PendingWindowClaim::windowOpen() {
    return s_windowThread.load() != std::thread::id{};
}

} // namespace tabulo::dates

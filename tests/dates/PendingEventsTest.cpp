#include "dates/PendingEvents.h"
#include "base/Clock.h"
#include "base/DateOps.h"
#include "store/TableTestSupport.h"
#include "support/ScriptedMessageService.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using tabulo::dates::dateFromMdy;
using tabulo::dates::PendingEvents;
namespace dates = tabulo::dates;
namespace store = tabulo::store;
namespace test = tabulo::test;

TEST(ReminderText, OneMinuteIsSingularAndOthersCountTheMinutes) {
    EXPECT_EQ(dates::reminderText(1), QStringLiteral("Popup every minute."));
    EXPECT_EQ(dates::reminderText(2), QStringLiteral("Popup every 2 minutes."));
    EXPECT_EQ(dates::reminderText(120), QStringLiteral("Popup every 120 minutes."));
    EXPECT_EQ(dates::reminderText(255), QStringLiteral("Popup every 255 minutes."));
}

namespace {

class PendingEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dates::Clock::setCurrent(&m_clock);
        PendingEvents::resetFirstCheck();
    }
    void TearDown() override {
        m_messages.expectAllAnswered();
        dates::Clock::setCurrent(nullptr);
        PendingEvents::resetFirstCheck();
    }

    void addSetup(int datPopup, int popChecked) {
        store::Record &record = m_setup->record();
        record.clear();
        record.setValue(QStringLiteral("SET:DATPOPUP"), datPopup);
        record.setValue(QStringLiteral("SET:POPCHECKED"), popChecked);
        ASSERT_TRUE(m_setup->insert().ok());
    }
    qint64 storedSetup(const char *field) {
        EXPECT_TRUE(m_setup->setStart(nullptr).ok());
        EXPECT_TRUE(m_setup->next().ok());
        return m_setup->record().value(QString::fromLatin1(field)).toLongLong();
    }
    void addDate(int ctrl, const QString &event, const QString &type, int date, int leadDays) {
        store::Record &record = m_dates->record();
        record.clear();
        record.setValue(QStringLiteral("DAT:CTRL_NBR"), ctrl);
        record.setValue(QStringLiteral("DAT:EVENT"), event);
        record.setValue(QStringLiteral("DAT:TYPE"), type);
        record.setValue(QStringLiteral("DAT:DATE"), date);
        record.setValue(QStringLiteral("DAT:LEADDAYS"), leadDays);
        ASSERT_TRUE(m_dates->insert().ok());
    }

    dates::FixedClock m_clock{QDateTime(QDate(2026, 6, 15), QTime(9, 0))};
    test::TempDataDir m_dir;
    std::unique_ptr<store::Table> m_dates = test::freshTable(m_dir, "QKdat");
    std::unique_ptr<store::Table> m_setup = test::freshTable(m_dir, "QKset");
    tabulo::host::ReminderState m_state;
    PendingEvents m_pending{*m_dates, *m_setup, m_state};
    test::ScriptedMessageService m_messages;
    test::ScopedMessageService m_scope{m_messages};
};

} // namespace

TEST_F(PendingEventsTest, ZeroMinutesReadAs120WithoutWritingThem) {
    addSetup(0, 1);
    EXPECT_FALSE(m_pending.startupCheck());
    EXPECT_EQ(m_pending.popupMinutes(), 120);
    EXPECT_EQ(m_pending.reminderText(), QStringLiteral("Popup every 120 minutes."));
    EXPECT_TRUE(m_state.popupSwitch);
    EXPECT_EQ(storedSetup("SET:DATPOPUP"), 0);
}

TEST_F(PendingEventsTest, MissingSetupRecordMeans120MinutesAndTheSwitchOff) {
    m_state.popupSwitch = true; // as the frame sets it at start-up
    EXPECT_FALSE(m_pending.startupCheck());
    EXPECT_EQ(m_pending.popupMinutes(), 120);
    EXPECT_FALSE(m_state.popupSwitch);
}

TEST_F(PendingEventsTest, RefreshTakesNewMinutesButLeavesTheSwitch) {
    addSetup(1, 1);
    m_pending.startupCheck();
    EXPECT_EQ(m_pending.reminderText(), QStringLiteral("Popup every minute."));

    m_setup->setStart(nullptr);
    ASSERT_TRUE(m_setup->next().ok());
    m_setup->record().setValue(QStringLiteral("SET:DATPOPUP"), 45);
    m_setup->record().setValue(QStringLiteral("SET:POPCHECKED"), 0);
    ASSERT_TRUE(m_setup->change().ok());

    m_pending.refreshReminder();
    EXPECT_EQ(m_pending.popupMinutes(), 45);
    EXPECT_EQ(m_pending.reminderText(), QStringLiteral("Popup every 45 minutes."));
    EXPECT_TRUE(m_state.popupSwitch);
}

TEST_F(PendingEventsTest, NothingPendingIsSilentOnlyAtTheFirstCheck) {
    addSetup(0, 1);
    addDate(1, QStringLiteral("Autumn"), QStringLiteral("Year"), dateFromMdy(9, 1, 1980), 5);
    EXPECT_FALSE(m_pending.startupCheck());
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_TRUE(PendingEvents::firstCheckDone());
    EXPECT_FALSE(m_state.eventsPending);

    m_messages.answer(store::Button::Ok);
    EXPECT_FALSE(m_pending.startupCheck());
    ASSERT_EQ(m_messages.shown().size(), 1u);
    EXPECT_EQ(m_messages.last().title, QStringLiteral("Pending"));
    EXPECT_EQ(m_messages.last().text, QStringLiteral("No events pending."));
    EXPECT_EQ(m_messages.last().buttons, store::Button::Ok);
}

TEST_F(PendingEventsTest, APendingRecordOpensTheWindowAndTheFlagStays) {
    addSetup(0, 1);
    addDate(1, QStringLiteral("Autumn"), QStringLiteral("Year"), dateFromMdy(9, 1, 1980), 5);
    addDate(2, QStringLiteral("Birthday"), QStringLiteral("Year"), dateFromMdy(6, 18, 1980), 5);
    EXPECT_TRUE(m_pending.startupCheck());
    EXPECT_TRUE(m_state.eventsPending);
    EXPECT_TRUE(m_messages.shown().empty());

    // Past its day the birthday is no longer pending; the next start says
    // so, although the first check of the program had found something.
    m_clock.set(QDateTime(QDate(2026, 6, 19), QTime(9, 0)));
    m_messages.answer(store::Button::Ok);
    EXPECT_FALSE(m_pending.startupCheck());
    EXPECT_EQ(m_messages.last().text, QStringLiteral("No events pending."));
    EXPECT_TRUE(m_state.eventsPending);
}

TEST_F(PendingEventsTest, AnUnknownTypeIsReportedAndNeverCountsAsPending) {
    addSetup(0, 1);
    addDate(1, QStringLiteral("Broken"), QStringLiteral("Yearly"), dateFromMdy(6, 16, 1980), 5);
    m_messages.answer(store::Button::Ok);
    EXPECT_FALSE(m_pending.startupCheck());
    ASSERT_EQ(m_messages.shown().size(), 1u);
    EXPECT_EQ(m_messages.last().title, QString());
    EXPECT_TRUE(m_messages.last().text.startsWith(QStringLiteral("Type field empty in record for ")));
    EXPECT_TRUE(m_messages.last().text.contains(QStringLiteral("Broken")));
    EXPECT_FALSE(m_state.eventsPending);
}

TEST_F(PendingEventsTest, TheLastDayOfTheMonthFollowsToday) {
    m_clock.set(QDateTime(QDate(2024, 2, 10), QTime(9, 0)));
    m_pending.startupCheck();
    EXPECT_EQ(m_pending.lastDayOfMonth(), dateFromMdy(2, 29, 2024));

    m_clock.set(QDateTime(QDate(2026, 12, 31), QTime(9, 0)));
    m_messages.answer(store::Button::Ok);
    m_pending.startupCheck();
    EXPECT_EQ(m_pending.lastDayOfMonth(), dateFromMdy(12, 31, 2026));
}

TEST_F(PendingEventsTest, ClearingTheBoxIsWhatTheNextStartTakes) {
    addSetup(30, 1);
    m_pending.startupCheck();
    ASSERT_TRUE(m_state.popupSwitch);

    EXPECT_TRUE(m_pending.setPopupChecked(false));
    EXPECT_FALSE(m_state.popupSwitch);
    EXPECT_EQ(storedSetup("SET:POPCHECKED"), 0);
    EXPECT_EQ(storedSetup("SET:DATPOPUP"), 30); // the rest of the record is kept

    // A new program start: the frame switches on, the check takes the record.
    PendingEvents::resetFirstCheck();
    m_state.popupSwitch = true;
    m_pending.startupCheck();
    EXPECT_FALSE(m_state.popupSwitch);

    EXPECT_TRUE(m_pending.setPopupChecked(true));
    EXPECT_EQ(storedSetup("SET:POPCHECKED"), 1);
    EXPECT_EQ(m_setup->records(), 1);
}

TEST_F(PendingEventsTest, TickingTheBoxWithoutASetupRecordAddsOne) {
    EXPECT_TRUE(m_pending.setPopupChecked(true));
    EXPECT_EQ(m_setup->records(), 1);
    EXPECT_EQ(storedSetup("SET:POPCHECKED"), 1);
}

TEST_F(PendingEventsTest, AnUnreadableTableIsReportedNotTakenForNothingPending) {
    addSetup(0, 1);
    PendingEvents::resetFirstCheck();
    m_pending.startupCheck(); // the first check, silent
    m_dates->close();
    m_messages.answer(35, store::Button::Ok);
    EXPECT_FALSE(m_pending.startupCheck());
    EXPECT_EQ(m_messages.shownNumbers(), std::vector<int>{35});
    EXPECT_TRUE(m_messages.last().text.contains(m_dates->fileName()));
}

TEST(PendingWindowClaim, OneWindowAtATimeAcrossThreads) {
    ASSERT_FALSE(dates::PendingWindowClaim::windowOpen());
    {
        const dates::PendingWindowClaim first;
        EXPECT_TRUE(first.owned());
        EXPECT_TRUE(dates::PendingWindowClaim::windowOpen());

        bool secondOwned = true;
        std::thread other([&secondOwned] {
            const dates::PendingWindowClaim second;
            secondOwned = second.owned();
        });
        other.join();
        EXPECT_FALSE(secondOwned);
        // The refused claim must not release the window it did not hold.
        EXPECT_TRUE(dates::PendingWindowClaim::windowOpen());
    }
    EXPECT_FALSE(dates::PendingWindowClaim::windowOpen());

    bool laterOwned = false;
    std::thread later([&laterOwned] {
        const dates::PendingWindowClaim claim;
        laterOwned = claim.owned();
    });
    later.join();
    EXPECT_TRUE(laterOwned);
    EXPECT_FALSE(dates::PendingWindowClaim::windowOpen());
}

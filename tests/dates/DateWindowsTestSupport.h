#pragma once

#include "base/Clock.h"
#include "base/DateOps.h"
#include "dates/PendingEvents.h"
#include "engine/EngineTestSupport.h"
#include "host/ReminderState.h"
#include "store/Store.h"

#include <QDateTime>

namespace tabulo::test {

// The date windows over fresh table files, on Tuesday 8 December 2026, with
// the reminder state of a program that has just started.
class DateWindowsFixture : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        dates::Clock::setCurrent(&m_clock);
        dates::PendingEvents::resetFirstCheck();
        host::ReminderState &state = host::ReminderState::process();
        state.popupSwitch = true;
        state.popupMinutes = 0;
        state.eventsPending = false;
        m_dat = &store::Store::instance().use(QStringLiteral("QKdat"));
        m_set = &store::Store::instance().use(QStringLiteral("QKset"));
    }

    void TearDown() override {
        // The windows go before the tables the test itself holds.
        StoreFixture::settle();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!m_before.contains(w) && w->isVisible())
                w->close();
        }
        StoreFixture::settle();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!m_before.contains(w))
                delete w;
        }
        StoreFixture::settle();
        store::Store::instance().release(QStringLiteral("QKset"));
        store::Store::instance().release(QStringLiteral("QKdat"));
        StoreFixture::TearDown();
        dates::Clock::setCurrent(nullptr);
        dates::PendingEvents::resetFirstCheck();
    }

    static int day(int month, int dayOfMonth, int year) {
        return dates::dateFromMdy(month, dayOfMonth, year);
    }
    int today() const { return m_clock.today(); }

    void addSetup(int annLead, int datPopup, int popChecked) {
        store::Record &r = m_set->record();
        r.clear();
        r.setValue(QStringLiteral("SET:ANNLEAD"), annLead);
        r.setValue(QStringLiteral("SET:DATPOPUP"), datPopup);
        r.setValue(QStringLiteral("SET:POPCHECKED"), popChecked);
        ASSERT_TRUE(m_set->insert().ok());
    }

    qint64 storedSetup(const char *field) {
        m_set->record().clear();
        EXPECT_TRUE(m_set->setStart(nullptr).ok());
        EXPECT_TRUE(m_set->next().ok());
        return m_set->record().value(QString::fromLatin1(field)).toLongLong();
    }

    struct NewDate {
        QString event;
        QString type;
        int date = 0;
        int leadDays = 0;
        int week = 0;
        QString weekday;
        int dayDate = 0;
        bool lastDay = false;
        int numberOfDays = 0;
        QString note;
    };

    qint64 addDate(const NewDate &d) {
        store::Record &r = m_dat->record();
        r.clear();
        r.setValue(QStringLiteral("DAT:CTRL_NBR"), ++m_lastNumber);
        r.setValue(QStringLiteral("DAT:EVENT"), d.event);
        r.setValue(QStringLiteral("DAT:TYPE"), d.type);
        r.setValue(QStringLiteral("DAT:DATE"), d.date);
        r.setValue(QStringLiteral("DAT:LEADDAYS"), d.leadDays);
        r.setValue(QStringLiteral("DAT:WEEK"), d.week);
        r.setValue(QStringLiteral("DAT:WEEKDAY"), d.weekday);
        r.setValue(QStringLiteral("DAT:DAYDATE"), d.dayDate);
        r.setValue(QStringLiteral("DAT:LASTDAY"), d.lastDay ? 1 : 0);
        r.setValue(QStringLiteral("DAT:NUMBEROFDAYS"), d.numberOfDays);
        r.setMemo(d.note);
        EXPECT_TRUE(m_dat->insert().ok()) << d.event.toStdString();
        return m_lastNumber;
    }

    // The stored record of a control number, in the QKdat buffer.
    bool readDate(qint64 ctrl) {
        m_dat->record().clear();
        m_dat->record().setValue(QStringLiteral("DAT:CTRL_NBR"), ctrl);
        return m_dat->fetch(*m_dat->def().key(QStringLiteral("CTRL_KEY"))).ok();
    }

    dates::FixedClock m_clock{QDateTime(QDate(2026, 12, 8), QTime(9, 0))};
    store::Table *m_dat = nullptr;
    store::Table *m_set = nullptr;
    qint64 m_lastNumber = 0;
};

} // namespace tabulo::test

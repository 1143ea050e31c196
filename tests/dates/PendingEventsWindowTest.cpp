#include "dates/DateWindowsTestSupport.h"

#include "dates/gui/DateWindows.h"
#include "dates/gui/ImportantDateForm.h"
#include "dates/gui/PendingEventsWindow.h"
#include "engine/gui/PageView.h"
#include "host/gui/WindowOpeners.h"
#include "store/MessageService.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>

using namespace tabulo;
using dates::PendingWindowClaim;
using dates::gui::PendingEventsWindow;
using engine::ListAction;
using host::gui::FrameCommand;
using store::Button::Ok;

namespace {

class PendingEventsWindows : public test::DateWindowsFixture {
protected:
    void SetUp() override {
        DateWindowsFixture::SetUp();
        dates::gui::registerDateWindows(m_openers);
    }

    // As the menu entry, the start-up and the reminder start it.
    PendingEventsWindow *start() {
        m_openers.open(FrameCommand::PendingDatesList, {});
        settle();
        return PendingEventsWindow::openWindow();
    }

    int pendingWindows() const {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            n += (w->objectName() == QStringLiteral("pendingls") && w->isVisible()) ? 1 : 0;
        return n;
    }

    static QStringList column(PendingEventsWindow *w, int c) {
        QStringList texts;
        for (int r = 0; r < w->listControl()->rowCount(); ++r)
            texts << w->listControl()->item(r, c)->text();
        return texts;
    }

    // Pending on 8 December 2026: the 2nd Wednesday is tomorrow, the
    // anniversary in two days; the spring one is months away.
    void addPendingDates() {
        addDate({QStringLiteral("Wedding"),
                 QStringLiteral("Year"),
                 day(12, 10, 2000),
                 5,
                 0,
                 {},
                 0,
                 false,
                 0,
                 QStringLiteral("Book the table")});
        addDate({QStringLiteral("Spring cleaning"), QStringLiteral("Year"), day(3, 1, 1990), 5});
        addDate({QStringLiteral("Club night"), QStringLiteral("Week"), 0, 3, 2, QStringLiteral("Wednesday")});
    }

    host::gui::WindowOpeners m_openers;
};

TEST_F(PendingEventsWindows, NothingPendingAtStartOpensNoWindowAndTheMenuThenSaysSo) {
    addSetup(0, 0, 1);
    addDate({QStringLiteral("Spring cleaning"), QStringLiteral("Year"), day(3, 1, 1990), 5});
    // The program's own start says nothing.
    EXPECT_EQ(start(), nullptr);
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_FALSE(PendingWindowClaim::windowOpen());

    m_messages.answer(Ok);
    EXPECT_EQ(start(), nullptr);
    ASSERT_EQ(m_messages.shown().size(), 1u);
    EXPECT_EQ(m_messages.last().title, QStringLiteral("Pending"));
    EXPECT_EQ(m_messages.last().text, QStringLiteral("No events pending."));
    EXPECT_EQ(pendingWindows(), 0);
    EXPECT_FALSE(host::ReminderState::process().eventsPending.load());
}

TEST_F(PendingEventsWindows, ListsOnlyPendingDatesInEventOrderWithTheirTexts) {
    addSetup(0, 0, 1);
    addPendingDates();
    PendingEventsWindow *w = start();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(host::ReminderState::process().eventsPending.load());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Pending Events List"));
    EXPECT_EQ(w->tabs()->tabText(0), QStringLiteral("&Event"));
    EXPECT_EQ(column(w, 0), (QStringList{QStringLiteral("Club night"), QStringLiteral("Wedding")}));
    EXPECT_EQ(column(w, 1), (QStringList{QStringLiteral("2nd Wednesday, 12/09/2026"),
                                         QStringLiteral("Thursday, 12/10/2000")}));
    EXPECT_EQ(column(w, 2), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(column(w, 3).at(0), QString());
    EXPECT_FALSE(column(w, 3).at(1).isEmpty());
    EXPECT_EQ(w->button(ListAction::Select), nullptr);

    w->engine().highlightRow(2);
    settle();
    EXPECT_EQ(w->noteText()->toPlainText(), QStringLiteral("Book the table"));
    w->close();
    settle();
    EXPECT_FALSE(PendingWindowClaim::windowOpen());
}

TEST_F(PendingEventsWindows, ReminderTextFollowsTheSetupMinutes) {
    addSetup(0, 0, 1);
    addPendingDates();
    PendingEventsWindow *w = start();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->reminderText()->text(), QStringLiteral("Popup every 120 minutes."));
    EXPECT_EQ(host::ReminderState::process().popupMinutes.load(), 120);
    EXPECT_TRUE(w->reminderSwitch()->isChecked());

    // A new interval saved elsewhere shows at the next refresh.
    m_set->watch();
    m_set->record().setValue(QStringLiteral("SET:DATPOPUP"), 1);
    ASSERT_TRUE(m_set->change().ok());
    w->bringToFront();
    EXPECT_EQ(w->reminderText()->text(), QStringLiteral("Popup every minute."));
    EXPECT_EQ(host::ReminderState::process().popupMinutes.load(), 1);
    w->close();
}

TEST_F(PendingEventsWindows, UncheckingTheReminderWritesItToTheSetupRecord) {
    addSetup(0, 30, 1);
    addPendingDates();
    PendingEventsWindow *w = start();
    ASSERT_NE(w, nullptr);
    w->reminderSwitch()->click();
    EXPECT_EQ(storedSetup("SET:POPCHECKED"), 0);
    EXPECT_FALSE(host::ReminderState::process().popupSwitch.load());
    w->reminderSwitch()->click();
    EXPECT_EQ(storedSetup("SET:POPCHECKED"), 1);
    EXPECT_TRUE(host::ReminderState::process().popupSwitch.load());
    w->reminderSwitch()->click();
    w->close();
    settle();

    // The next start takes the switch from the record, off.
    host::ReminderState::process().popupSwitch = true;
    w = start();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->reminderSwitch()->isChecked());
    EXPECT_FALSE(host::ReminderState::process().popupSwitch.load());
    w->close();
}

TEST_F(PendingEventsWindows, SecondStartBringsTheOpenWindowForwardWithoutASecondCheck) {
    addSetup(0, 0, 1);
    addPendingDates();
    PendingEventsWindow *w = start();
    ASSERT_NE(w, nullptr);
    auto *other = new QWidget;
    other->show();
    other->activateWindow();
    settle();

    // Nothing is pending any more: a check would say so, and open nothing.
    m_dat->record().clear();
    ASSERT_TRUE(readDate(1));
    ASSERT_TRUE(m_dat->remove().ok());
    ASSERT_TRUE(readDate(3));
    ASSERT_TRUE(m_dat->remove().ok());

    EXPECT_EQ(start(), w);
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(pendingWindows(), 1);
    // Refreshed as it came forward.
    EXPECT_EQ(w->listControl()->rowCount(), 0);
    other->close();
    delete other;
    w->close();
    settle();

    // Closed, the next start checks again.
    m_messages.answer(Ok);
    EXPECT_EQ(start(), nullptr);
    EXPECT_EQ(m_messages.last().text, QStringLiteral("No events pending."));
}

TEST_F(PendingEventsWindows, AnUnknownTypeIsReportedAndNeverListed) {
    addSetup(0, 0, 1);
    addDate({QStringLiteral("Mystery"), QStringLiteral("Yearly"), day(12, 9, 2000), 5});
    addPendingDates();
    // Stored first, the check meets it before the first pending record; the
    // list's own read reports it once more.
    m_messages.answer(Ok);
    m_messages.answer(Ok);
    PendingEventsWindow *w = start();
    ASSERT_NE(w, nullptr);
    settle();
    EXPECT_EQ(column(w, 0), (QStringList{QStringLiteral("Club night"), QStringLiteral("Wedding")}));
    ASSERT_EQ(m_messages.shown().size(), 2u);
    for (const store::MessageBox &box : m_messages.shown()) {
        EXPECT_EQ(box.title, QString());
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("Type field empty in record for Mystery")));
    }
    w->close();
}

TEST_F(PendingEventsWindows, FormCalledFromTheListChangesTheDateAndTheListRefills) {
    addSetup(0, 0, 1);
    addPendingDates();
    PendingEventsWindow *w = start();
    ASSERT_NE(w, nullptr);
    w->engine().highlightRow(2);
    settle();
    w->button(ListAction::Change)->click();
    settle();
    auto *f = window<dates::gui::ImportantDateForm>(QStringLiteral("datup"));
    ASSERT_NE(f, nullptr);
    auto *lead = f->findChild<QSpinBox *>(QStringLiteral("leadDaysSpin"));
    lead->setValue(1);
    f->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    settle();
    // Two days away with one lead day: no longer pending.
    EXPECT_EQ(column(w, 0), QStringList{QStringLiteral("Club night")});
    w->close();
}

} // namespace

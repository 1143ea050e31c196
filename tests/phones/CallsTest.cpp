#include "engine/EngineTestSupport.h"

#include "base/Clock.h"
#include "base/DateOps.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/Dialer.h"
#include "phones/CallStatus.h"
#include "phones/gui/CallWindows.h"
#include "phones/gui/DialWindow.h"
#include "store/ChangeRules.h"
#include "store/Store.h"
#include "support/QStringPrinter.h"
#include "support/ThumbDrag.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

using namespace tabulo;
using engine::gui::RecordFormWindow;
using phones::gui::CallsListWindow;

namespace {

const int kToday = dates::dateFromMdy(3, 14, 2026);
// 10:30 in the store's time (hundredths of a second since midnight, plus one).
constexpr int kMorning = (10 * 3600 + 30 * 60) * 100 + 1;

TEST(CallStatusText, FollowsTheReturnedDateAndTime) {
    const int later = dates::dateFromMdy(3, 16, 2026);
    const int afternoon = (14 * 3600 + 5 * 60) * 100 + 1;
    const struct {
        int returnedDate, returnedTime;
        QString status;
    } cases[] = {
        {0, 0, QStringLiteral("Not Returned")},
        {0, afternoon, QStringLiteral("Not Returned")},
        {kToday, kMorning, QStringLiteral("Call Answered")},
        {later, afternoon, QStringLiteral("Returned Date:  03/16/2026\r\nReturned Time:  2:05PM")},
        {kToday, afternoon, QStringLiteral("Returned Date:  03/14/2026\r\nReturned Time:  2:05PM")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(phones::callStatusText(kToday, kMorning, c.returnedDate, c.returnedTime), c.status);
    EXPECT_EQ(phones::callerName(QStringLiteral("  Ann "), QStringLiteral("Lee")), QStringLiteral("Ann Lee"));
    EXPECT_EQ(
        phones::callerName(QStringLiteral("Maximilian"), QStringLiteral("Vandersteenhoven-Smith")).size(),
        25);
}

class Calls : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        dates::Clock::setCurrent(&m_clock);
        m_inc = &store::Store::instance().use(QStringLiteral("QKinc"));
    }
    void TearDown() override {
        store::Store::instance().release(QStringLiteral("QKinc"));
        StoreFixture::TearDown();
        dates::Clock::setCurrent(nullptr);
    }

    void addCall(qint64 ctrl, const QString &first, const QString &last, int date, int time, int returnedDate,
                 int returnedTime, const QString &about = {}) {
        store::Record &r = m_inc->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("FIRSTNAME"), first);
        r.setValue(QStringLiteral("LASTNAME"), last);
        r.setValue(QStringLiteral("COMPANY"), QStringLiteral("Acme"));
        r.setValue(QStringLiteral("NUMBER"), QStringLiteral("6145551234"));
        r.setValue(QStringLiteral("FAXNUMBER"), QStringLiteral("6145559999"));
        r.setValue(QStringLiteral("SOURCE"), QStringLiteral("Web"));
        r.setValue(QStringLiteral("CALLERDATE"), date);
        r.setValue(QStringLiteral("CALLERTIME"), time);
        r.setValue(QStringLiteral("RETURNEDDATE"), returnedDate);
        r.setValue(QStringLiteral("RETURNEDTIME"), returnedTime);
        r.setMemo(about);
        ASSERT_TRUE(m_inc->insert().ok());
    }

    CallsListWindow *openList() {
        CallsListWindow *w = CallsListWindow::open();
        settle();
        return w;
    }

    // The names the list shows, top to bottom, with the red ones marked.
    static QStringList shownNames(CallsListWindow *w) {
        QStringList names;
        engine::gui::PageView *view = w->listControl();
        for (int r = 0; r < view->rowCount(); ++r) {
            const QTableWidgetItem *item = view->item(r, 2);
            const bool red =
                item->foreground().color() == QColor(255, 0, 0) && item->data(Qt::ForegroundRole).isValid();
            names << item->text() + (red ? QStringLiteral(" (red)") : QString());
        }
        return names;
    }

    RecordFormWindow *form() { return window<RecordFormWindow>(QStringLiteral("incUpdate")); }

    store::Record stored(qint64 ctrl) {
        store::Table other(m_inc->def(), m_dir.path());
        EXPECT_TRUE(other.open().ok());
        other.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        EXPECT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
        return other.record();
    }

    dates::FixedClock m_clock{QDateTime(QDate(2026, 3, 14), QTime(10, 30))};
    store::Table *m_inc = nullptr;
};

TEST_F(Calls, UnreturnedCallsAreRedAndListedApartNewestFirst) {
    const int day = kToday - 3;
    addCall(1, QStringLiteral("Ann"), QStringLiteral("Lee"), day, kMorning, 0, 0);
    addCall(2, QStringLiteral("Bob"), QStringLiteral("Ray"), day + 1, kMorning, day + 1, kMorning);
    addCall(3, QStringLiteral("Cy"), QStringLiteral("Fox"), day + 2, kMorning, 0, 0);
    addCall(4, QStringLiteral("Di"), QStringLiteral("Oak"), day + 2, kMorning + 100, kToday, kMorning);
    CallsListWindow *w = openList();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Calls List"));
    EXPECT_EQ(shownNames(w), (QStringList{QStringLiteral("Di Oak"), QStringLiteral("Cy Fox (red)"),
                                          QStringLiteral("Bob Ray"), QStringLiteral("Ann Lee (red)")}));
    w->tabs()->setCurrentIndex(5);
    settle();
    EXPECT_EQ(shownNames(w), (QStringList{QStringLiteral("Cy Fox (red)"), QStringLiteral("Ann Lee (red)")}));
    EXPECT_EQ(w->statusText()->text(), QStringLiteral("Not Returned"));

    w->tabs()->setCurrentIndex(0);
    settle();
    w->engine().highlightRow(3);
    settle();
    EXPECT_EQ(w->statusText()->text(), QStringLiteral("Call Answered"));
    w->engine().highlightRow(1);
    settle();
    EXPECT_EQ(w->statusText()->text(),
              QStringLiteral("Returned Date:  03/14/2026\r\nReturned Time:  10:30AM"));
}

TEST_F(Calls, ANewCallIsStampedAndAnsweredOrReturnedByItsButtons) {
    CallsListWindow *w = openList();
    w->button(engine::ListAction::Insert)->click();
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Adding a QKinc Record"));
    EXPECT_EQ(f->findChild<QLineEdit *>(QStringLiteral("callerDateEntry"))->text(),
              QStringLiteral("03/14/26"));
    EXPECT_TRUE(f->findChild<QLineEdit *>(QStringLiteral("returnedDateEntry"))->text().trimmed().isEmpty());
    f->findChild<QLineEdit *>(QStringLiteral("firstNameEntry"))->setText(QStringLiteral("Eve"));
    f->findChild<QPushButton *>(QStringLiteral("answeredButton"))->click();
    settle();
    f->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    settle();
    const store::Record r = stored(1);
    EXPECT_EQ(r.value(QStringLiteral("FIRSTNAME")).toString(), QStringLiteral("Eve"));
    EXPECT_EQ(r.value(QStringLiteral("CALLERDATE")).toInt(), kToday);
    EXPECT_EQ(r.value(QStringLiteral("RETURNEDDATE")).toInt(), kToday);
    EXPECT_EQ(r.value(QStringLiteral("RETURNEDTIME")).toInt(), r.value(QStringLiteral("CALLERTIME")).toInt());
    EXPECT_EQ(w->statusText()->text(), QStringLiteral("Call Answered"));
    EXPECT_EQ(shownNames(w), QStringList{QStringLiteral("Eve ")}) << "answered: default colour";

    // Returned two hours later.
    m_clock.advanceSeconds(2 * 3600);
    w->button(engine::ListAction::Change)->click();
    settle();
    f = form();
    ASSERT_NE(f, nullptr);
    f->findChild<QPushButton *>(QStringLiteral("returnedButton"))->click();
    f->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    settle();
    EXPECT_EQ(w->statusText()->text(),
              QStringLiteral("Returned Date:  03/14/2026\r\nReturned Time:  12:30PM"));
}

TEST_F(Calls, AddCopyKeepsTheCallButNotItsReturnOrAbout) {
    addCall(1, QStringLiteral("Ann"), QStringLiteral("Lee"), kToday - 1, kMorning, kToday, kMorning,
            QStringLiteral("Wants a quote"));
    CallsListWindow *w = openList();
    w->findChild<QPushButton *>(QStringLiteral("addCopyButton"))->click();
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->memoBox()->toPlainText().isEmpty());
    f->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    settle();
    const store::Record original = stored(1);
    const store::Record copy = stored(2);
    for (const char *name :
         {"FIRSTNAME", "LASTNAME", "COMPANY", "NUMBER", "FAXNUMBER", "SOURCE", "CALLERDATE", "CALLERTIME"})
        EXPECT_EQ(copy.value(QLatin1String(name)), original.value(QLatin1String(name))) << name;
    EXPECT_EQ(copy.value(QStringLiteral("RETURNEDDATE")).toInt(), 0);
    EXPECT_EQ(copy.value(QStringLiteral("RETURNEDTIME")).toInt(), 0);
    EXPECT_TRUE(copy.memo().isEmpty());
    EXPECT_EQ(original.memo(), QStringLiteral("Wants a quote"));
}

TEST_F(Calls, TheAboutTextAloneIsAChangeAndAConflictShowsTheOtherStationsCall) {
    addCall(1, QStringLiteral("Ann"), QStringLiteral("Lee"), kToday, kMorning, 0, 0, QStringLiteral("First"));
    CallsListWindow *w = openList();
    w->button(engine::ListAction::Change)->click();
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    f->memoBox()->setPlainText(QStringLiteral("Second"));
    f->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    settle();
    EXPECT_EQ(stored(1).memo(), QStringLiteral("Second"));
    EXPECT_EQ(w->aboutText()->toPlainText(), QStringLiteral("Second"));

    // Another station changes the call while this one has it open.
    w->button(engine::ListAction::Change)->click();
    settle();
    f = form();
    ASSERT_NE(f, nullptr);
    {
        store::Table there(m_inc->def(), m_dir.path());
        ASSERT_TRUE(there.open().ok());
        there.record().setValue(QStringLiteral("CTRL_NBR"), 1);
        ASSERT_TRUE(there.fetch(*there.def().key(QStringLiteral("CTRL_KEY"))).ok());
        there.record().setValue(QStringLiteral("LASTNAME"), QStringLiteral("Lee-Smith"));
        ASSERT_TRUE(there.change().ok());
    }
    f->findChild<QLineEdit *>(QStringLiteral("sourceEntry"))->setText(QStringLiteral("Phone book"));
    m_messages.answer(38, store::Button::Ok);
    f->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    settle();
    ASSERT_EQ(form(), f) << "the form stays open on the stored call";
    EXPECT_EQ(f->findChild<QLineEdit *>(QStringLiteral("lastNameEntry"))->text().trimmed(),
              QStringLiteral("Lee-Smith"));
    EXPECT_EQ(stored(1).value(QStringLiteral("LASTNAME")).toString(), QStringLiteral("Lee-Smith"));
    f->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    settle();
}

// The list's Dial is hidden and has no shortcut that works while hidden, so
// the test presses it with click(); the form's Dial is clicked with the mouse.
TEST_F(Calls, TheListAndTheFormDialTheCallersOfficeWithTheSameLabels) {
    addCall(1, QStringLiteral("Ann"), QStringLiteral("Lee"), kToday, kMorning, 0, 0);
    addCall(2, QStringLiteral("  Bob "), QStringLiteral("Ray"), kToday, kMorning + 100, 0, 0);
    CallsListWindow *w = openList();
    ASSERT_EQ(w->listControl()->rowCount(), 2);
    auto *listDial = w->findChild<QPushButton *>(QStringLiteral("dialButton"), Qt::FindDirectChildrenOnly);
    ASSERT_NE(listDial, nullptr);
    EXPECT_EQ(listDial->text(), QStringLiteral("Dia&l"));
    EXPECT_TRUE(listDial->isHidden());
    const store::Record was = stored(1);
    const qint64 calls = m_inc->records();

    auto dialWindowOver = [](QWidget *caller) {
        return caller->findChild<phones::gui::DialWindow *>(QStringLiteral("phoneDial"),
                                                            Qt::FindDirectChildrenOnly);
    };
    auto expectRequest = [](phones::gui::DialWindow *d, const QString &label) {
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->windowModality(), Qt::WindowModal);
        EXPECT_EQ(d->request(),
                  host::makeDialRequest(label, QStringLiteral("Office"), QStringLiteral("6145551234")));
        EXPECT_EQ(d->findChild<QLabel *>(QStringLiteral("callerText"))->text(), label);
        EXPECT_EQ(d->numberEntry()->text(), QStringLiteral("6145551234"));
        EXPECT_EQ(host::lastCallerLabel(), label);
        QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
    };

    // Newest first: Bob Ray is highlighted.
    listDial->click();
    settle();
    expectRequest(dialWindowOver(w), QStringLiteral("Bob Ray's Office"));
    settle();
    EXPECT_EQ(dialWindowOver(w), nullptr);

    QTest::keyClick(w->listControl(), Qt::Key_Down);
    settle();
    listDial->click();
    settle();
    expectRequest(dialWindowOver(w), QStringLiteral("Ann Lee's Office"));
    settle();

    w->button(engine::ListAction::Change)->click();
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("dialButton")), Qt::LeftButton);
    settle();
    expectRequest(dialWindowOver(f), QStringLiteral("Ann Lee's Office"));
    settle();
    EXPECT_EQ(form(), f) << "the form stays open";
    f->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    settle();
    EXPECT_EQ(stored(1), was);
    EXPECT_EQ(m_inc->records(), calls);
    EXPECT_TRUE(m_messages.shown().empty());
}

// The thumb is spread over the order's dates: dragged to 40 of 100 it lands
// on the call 39/99 of the way down the newest-first order, and the other
// end of a drag reaches the oldest call.
TEST_F(Calls, TheThumbDraggedLandsInProportionThroughTheOrder) {
    constexpr int kCalls = 100;
    for (int i = 0; i < kCalls; ++i)
        addCall(i + 1, QStringLiteral("Caller"), QString::number(i), kToday - i, kMorning, 0, 0);
    CallsListWindow *w = openList();
    ASSERT_TRUE(w->thumbBar()->isVisible());

    ASSERT_TRUE(test::dragThumbTo(w->thumbBar(), 40));
    settle();
    // Calls are one a day, newest first: how far down is how many days back.
    const int landed = kToday - m_inc->record().value(QStringLiteral("CALLERDATE")).toInt();
    EXPECT_EQ(landed, 39 * (kCalls - 1) / 99);
    EXPECT_EQ(w->engine().highlighted(), 1);

    ASSERT_TRUE(test::dragThumbTo(w->thumbBar(), 100));
    settle();
    EXPECT_EQ(kToday - m_inc->record().value(QStringLiteral("CALLERDATE")).toInt(), kCalls - 1);
}

} // namespace

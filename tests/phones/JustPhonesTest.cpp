#include "engine/EngineTestSupport.h"

#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/Dialer.h"
#include "phones/PhoneRepair.h"
#include "phones/gui/DialWindow.h"
#include "phones/gui/JustPhonesWindows.h"
#include "store/Store.h"
#include "support/QStringPrinter.h"
#include "support/ThumbDrag.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

using namespace tabulo;
using engine::gui::RecordFormWindow;
using phones::gui::JustPhonesListWindow;

namespace {

class JustPhones : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        phones::forgetPhoneRepairs();
        store::Store &s = store::Store::instance();
        m_fon = &s.use(QStringLiteral("QKfon"));
        m_nam = &s.use(QStringLiteral("QKnam"));
        m_cmp = &s.use(QStringLiteral("QKcmp"));
    }
    void TearDown() override {
        for (const char *t : {"QKfon", "QKnam", "QKcmp"})
            store::Store::instance().release(QString::fromLatin1(t));
        StoreFixture::TearDown();
    }

    void addPerson(qint64 ctrl, const QString &last, const QString &first) {
        m_nam->record().clear();
        m_nam->record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        m_nam->record().setValue(QStringLiteral("LNAME"), last);
        m_nam->record().setValue(QStringLiteral("FNAME"), first);
        ASSERT_TRUE(m_nam->insert().ok());
    }
    void addCompany(qint64 ctrl, const QString &name) {
        m_cmp->record().clear();
        m_cmp->record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        m_cmp->record().setValue(QStringLiteral("NAME"), name);
        ASSERT_TRUE(m_cmp->insert().ok());
    }
    void addPhone(qint64 ctrl, qint64 person, qint64 company, int byte, const QString &name,
                  const QString &number) {
        store::Record &r = m_fon->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("NAM_CTRL"), person);
        r.setValue(QStringLiteral("CMP_CTRL"), company);
        r.setValue(QStringLiteral("JUSTPHONESBYTE"), byte);
        r.setValue(QStringLiteral("JUSTPHONESNAME"), name);
        r.setValue(QStringLiteral("NUMBER"), number);
        r.setValue(QStringLiteral("LOCATION"), QStringLiteral("Home"));
        ASSERT_TRUE(m_fon->insert().ok());
    }
    std::optional<store::Record> stored(qint64 ctrl) {
        store::Table other(m_fon->def(), m_dir.path());
        EXPECT_TRUE(other.open().ok());
        other.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        if (!other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok())
            return std::nullopt;
        return other.record();
    }
    JustPhonesListWindow *openList() {
        JustPhonesListWindow *w = JustPhonesListWindow::open();
        settle();
        return w;
    }
    static QStringList column(JustPhonesListWindow *w, int c) {
        QStringList texts;
        for (int r = 0; r < w->listControl()->rowCount(); ++r)
            texts << w->listControl()->item(r, c)->text().trimmed();
        return texts;
    }

    store::Table *m_fon = nullptr;
    store::Table *m_nam = nullptr;
    store::Table *m_cmp = nullptr;
};

// The directory orders show the directory only; the All orders every number
// after the pass: display names filled in, orphans deleted with one message
// each, the directory's own entries untouched.
TEST_F(JustPhones, TheAllOrdersRepairTheTableOnce) {
    addPerson(1, QStringLiteral("Lee"), QStringLiteral("Ann"));
    addCompany(5, QStringLiteral("Acme Tools"));
    addPhone(1, 0, 0, 100, QStringLiteral("Pizza Place"), QStringLiteral("6145550001"));
    addPhone(2, 1, 0, 0, {}, QStringLiteral("6145550002")); // Ann's, no display name
    addPhone(3, 9, 0, 0, {}, QStringLiteral("6145550003")); // person 9 deleted outside the cascade
    addPhone(4, 0, 5, 0, {}, QStringLiteral("6145550004")); // the company's
    addPhone(5, 0, 8, 0, QStringLiteral("Gone Inc"), QStringLiteral("6145550005")); // company 8 is gone
    addPhone(6, 0, 0, 0, {}, QStringLiteral("6145550006"));                         // no owner: left alone
    addPhone(7, 9, 0, 100, QStringLiteral("Kept"), QStringLiteral("6145550007"));   // in the directory: kept

    JustPhonesListWindow *w = openList();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Just Phones List"));
    EXPECT_EQ(column(w, 0), (QStringList{QStringLiteral("Kept"), QStringLiteral("Pizza Place")}));
    EXPECT_EQ(w->countText()->text(), QStringLiteral("2"));
    EXPECT_TRUE(m_messages.shown().empty()) << "the directory orders repair nothing";

    m_messages.answer(store::Button::Ok);
    m_messages.answer(store::Button::Ok);
    w->tabs()->setCurrentIndex(2);
    settle();
    const auto shown = m_messages.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Deleting bad name record, name:ctrl=") +
                                 QString(30, QLatin1Char(' ')) + QStringLiteral("9 phone:ctrl=3"));
    EXPECT_TRUE(shown[0].title.isEmpty());
    EXPECT_TRUE(shown[1].text.startsWith(QStringLiteral("Deleting bad company phone record, comp:ctrl=")));
    EXPECT_TRUE(shown[1].text.endsWith(QStringLiteral("8 phone:ctrl=5")));
    EXPECT_FALSE(stored(3));
    EXPECT_FALSE(stored(5));
    EXPECT_EQ(stored(2)->value(QStringLiteral("JUSTPHONESNAME")).toString(), QStringLiteral("Lee, Ann"));
    EXPECT_EQ(stored(4)->value(QStringLiteral("JUSTPHONESNAME")).toString(), QStringLiteral("Acme Tools"));
    EXPECT_TRUE(stored(6)->value(QStringLiteral("JUSTPHONESNAME")).toString().isEmpty());
    EXPECT_TRUE(stored(7));
    EXPECT_EQ(column(w, 0), (QStringList{QString(), QStringLiteral("Acme Tools"), QStringLiteral("Kept"),
                                         QStringLiteral("Lee, Ann"), QStringLiteral("Pizza Place")}));
    EXPECT_EQ(w->countText()->text(), QStringLiteral("5"));

    // Nothing written since: the next build reads nothing; a write by anyone
    // brings the pass back.
    w->tabs()->setCurrentIndex(3);
    settle();
    EXPECT_TRUE(w->lastRepair().skipped);
    EXPECT_EQ(w->countText()->text(), QStringLiteral("5"));
    {
        store::Table there(m_nam->def(), m_dir.path());
        ASSERT_TRUE(there.open().ok());
        there.record().setValue(QStringLiteral("CTRL_NBR"), 1);
        ASSERT_TRUE(there.fetch(*there.def().key(QStringLiteral("CTRL_KEY"))).ok());
        ASSERT_TRUE(there.remove().ok());
    }
    m_messages.answer(store::Button::Ok);
    w->tabs()->setCurrentIndex(4);
    settle();
    EXPECT_FALSE(w->lastRepair().skipped);
    EXPECT_EQ(w->lastRepair().deleted, 1);
    EXPECT_FALSE(stored(2));
}

TEST_F(JustPhones, TheFormAddsToTheDirectoryAndOnlyTakesOwnersNumbersOut) {
    addPerson(1, QStringLiteral("Lee"), QStringLiteral("Ann"));
    addPhone(1, 1, 0, 100, QStringLiteral("Lee, Ann"), QStringLiteral("6145550002"));
    addPhone(2, 0, 0, 100, QStringLiteral("Pizza Place"), QStringLiteral("6145550001"));
    JustPhonesListWindow *w = openList();
    ASSERT_EQ(column(w, 0), (QStringList{QStringLiteral("Lee, Ann"), QStringLiteral("Pizza Place")}));

    // Deleting Ann's number takes it out of the directory; she keeps it.
    m_messages.answer(32, store::Button::Ok);
    w->button(engine::ListAction::Delete)->click();
    settle();
    const auto kept = stored(1);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->value(QStringLiteral("JUSTPHONESBYTE")).toInt(), 0);
    EXPECT_TRUE(kept->value(QStringLiteral("JUSTPHONESNAME")).toString().isEmpty());
    EXPECT_EQ(kept->value(QStringLiteral("NAM_CTRL")).toInt(), 1);
    EXPECT_EQ(column(w, 0), QStringList{QStringLiteral("Pizza Place")});

    // A plain entry is deleted.
    m_messages.answer(32, store::Button::Ok);
    w->button(engine::ListAction::Delete)->click();
    settle();
    EXPECT_FALSE(stored(2));
    EXPECT_EQ(w->countText()->text(), QStringLiteral("0"));

    // Added from an All order, a number still joins the directory.
    w->tabs()->setCurrentIndex(3);
    settle();
    w->button(engine::ListAction::Insert)->click();
    settle();
    auto *f = window<RecordFormWindow>(QStringLiteral("fonJustUpdate"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Adding a QKfon Record"));
    EXPECT_TRUE(f->findChild<QLineEdit *>(QStringLiteral("recordNumberEntry"))->isReadOnly());
    f->findChild<QLineEdit *>(QStringLiteral("justPhonesNameEntry"))->setText(QStringLiteral("Taxi"));
    f->findChild<QLineEdit *>(QStringLiteral("numberEntry"))->setText(QStringLiteral("6145550009"));
    f->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    settle();
    EXPECT_EQ(window<RecordFormWindow>(QStringLiteral("fonJustUpdate")), nullptr);
    const auto added = stored(2); // one past the highest number kept

    ASSERT_TRUE(added);
    EXPECT_EQ(added->value(QStringLiteral("JUSTPHONESBYTE")).toInt(), 100);
    EXPECT_EQ(added->value(QStringLiteral("JUSTPHONESNAME")).toString(), QStringLiteral("Taxi"));
}

// The list's Dial is hidden and works no shortcut while hidden: click().
TEST_F(JustPhones, DialPassesTheRowsDisplayNameLocationAndNumber) {
    addPhone(1, 0, 0, 100, QStringLiteral("Pizza Place"), QStringLiteral("6145550001"));
    addPhone(2, 0, 0, 100, QStringLiteral("Zoo"), QStringLiteral("6145550002"));
    JustPhonesListWindow *w = openList();
    ASSERT_EQ(w->listControl()->rowCount(), 2);
    auto *dial = w->findChild<QPushButton *>(QStringLiteral("dialButton"), Qt::FindDirectChildrenOnly);
    ASSERT_NE(dial, nullptr);
    EXPECT_EQ(dial->text(), QStringLiteral("&Dial"));
    EXPECT_TRUE(dial->isHidden());
    const qint64 phones = m_fon->records();

    const struct {
        QString label, number;
    } rows[] = {{QStringLiteral("Pizza Place"), QStringLiteral("6145550001")},
                {QStringLiteral("Zoo"), QStringLiteral("6145550002")}};
    for (const auto &row : rows) {
        dial->click();
        settle();
        auto *d =
            w->findChild<phones::gui::DialWindow *>(QStringLiteral("phoneDial"), Qt::FindDirectChildrenOnly);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->request(), host::makeDialRequest(row.label, QStringLiteral("Home"), row.number));
        EXPECT_EQ(d->numberEntry()->text(), row.number);
        EXPECT_EQ(d->findChild<QLabel *>(QStringLiteral("locationText"))->text(), QStringLiteral("Home"));
        EXPECT_EQ(host::lastCallerLabel(), row.label);
        QTest::keyClick(d, Qt::Key_Escape);
        settle();
        EXPECT_EQ(w->findChild<phones::gui::DialWindow *>(), nullptr);
        QTest::keyClick(w->listControl(), Qt::Key_Down);
        settle();
    }
    EXPECT_EQ(m_fon->records(), phones);
    EXPECT_EQ(stored(1)->value(QStringLiteral("JUSTPHONESNAME")).toString().trimmed(),
              QStringLiteral("Pizza Place"));
    EXPECT_TRUE(m_messages.shown().empty());
}

// The list counts its order and spreads its thumb over it as well: dragged
// to 40 of 100 it lands 39/99 of the way through the numbers.
TEST_F(JustPhones, TheThumbDraggedLandsInProportionThroughTheOrder) {
    constexpr int kNumbers = 100;
    for (int i = 1; i <= kNumbers; ++i)
        addPhone(i, 0, 0, 100, QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0')),
                 QStringLiteral("61455%1").arg(i, 5, 10, QLatin1Char('0')));
    JustPhonesListWindow *w = openList();
    w->tabs()->setCurrentIndex(4); // Rec Nbr
    settle();
    EXPECT_EQ(w->countText()->text(), QString::number(kNumbers));
    ASSERT_TRUE(w->thumbBar()->isVisible());

    ASSERT_TRUE(test::dragThumbTo(w->thumbBar(), 40));
    settle();
    EXPECT_EQ(w->engine().highlighted(), 1);
    EXPECT_EQ(column(w, 4).value(0).toInt(), 1 + 39 * (kNumbers - 1) / 99);
    EXPECT_EQ(w->countText()->text(), QString::number(kNumbers));
}

// The pass tells of each orphan where its number stands in the order being
// built, as if it checked the numbers one by one as it read them: by display
// name in the All order by name, by record number in the record-number order.
TEST_F(JustPhones, TheRepairMessagesFollowTheOrderBeingBuilt) {
    const struct {
        int tab;
        std::vector<int> phones; // the phone:ctrl each message names, in turn
    } cases[] = {{2, {3, 4, 2}}, {4, {2, 3, 4}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tab);
        phones::forgetPhoneRepairs();
        addPhone(2, 9, 0, 0, QStringLiteral("Zed"), QStringLiteral("6145550002"));  // person 9 is gone
        addPhone(3, 0, 8, 0, QStringLiteral("Able"), QStringLiteral("6145550003")); // company 8 is gone
        addPhone(4, 7, 0, 0, QStringLiteral("Moe"), QStringLiteral("6145550004"));  // person 7 is gone
        m_messages.clear();
        JustPhonesListWindow *w = openList();
        for (int i = 0; i < 3; ++i)
            m_messages.answer(store::Button::Ok);
        w->tabs()->setCurrentIndex(c.tab);
        settle();
        std::vector<int> told;
        for (const store::MessageBox &box : m_messages.shown())
            told.push_back(box.text.section(QStringLiteral("phone:ctrl="), 1).toInt());
        EXPECT_EQ(told, c.phones);
        EXPECT_EQ(w->lastRepair().deleted, 3);
        w->close();
        settle();
    }
}

// A pass that cannot read the tables reports it, and the list closes after
// the message rather than showing an order it could not check.
TEST_F(JustPhones, AFailedRepairClosesTheListAfterItsMessage) {
    addPhone(1, 0, 0, 100, QStringLiteral("Pizza Place"), QStringLiteral("6145550001"));
    addPhone(2, 0, 8, 0, QStringLiteral("Gone Inc"), QStringLiteral("6145550002"));
    JustPhonesListWindow *w = openList();
    ASSERT_NE(window<JustPhonesListWindow>(QStringLiteral("fonJustPhonesBrowse")), nullptr);
    m_cmp->close(); // the companies can no longer be read
    m_messages.answer(35, store::Button::Ok);
    w->tabs()->setCurrentIndex(2);
    settle();
    EXPECT_EQ(m_messages.shownNumbers(), std::vector<int>{35});
    EXPECT_EQ(window<JustPhonesListWindow>(QStringLiteral("fonJustPhonesBrowse")), nullptr);
    EXPECT_TRUE(stored(2)) << "nothing is deleted by a pass that failed";
}

} // namespace

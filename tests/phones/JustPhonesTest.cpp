#include "engine/EngineTestSupport.h"

#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "phones/PhoneRepair.h"
#include "phones/Dialer.h"
#include "phones/gui/DialWindow.h"
#include "phones/gui/JustPhonesWindows.h"
#include "store/Store.h"
#include "support/QStringPrinter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    addPhone(2, 1, 0, 0, {}, QStringLiteral("6145550002"));             // Ann's, no display name
    addPhone(3, 9, 0, 0, {}, QStringLiteral("6145550003"));             // person 9 deleted outside the cascade
    addPhone(4, 0, 5, 0, {}, QStringLiteral("6145550004"));             // the company's
    addPhone(5, 0, 8, 0, QStringLiteral("Gone Inc"), QStringLiteral("6145550005")); // company 8 is gone
    addPhone(6, 0, 0, 0, {}, QStringLiteral("6145550006"));             // no owner: left alone
    addPhone(7, 9, 0, 100, QStringLiteral("Kept"), QStringLiteral("6145550007")); // in the directory: kept

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
    EXPECT_EQ(shown[0].text, QStringLiteral("Deleting bad name record, name:ctrl=") + QString(30, QLatin1Char(' ')) +
                                 QStringLiteral("9 phone:ctrl=3"));
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
        EXPECT_EQ(d->request(), phones::makeDialRequest(row.label, QStringLiteral("Home"), row.number));
        EXPECT_EQ(d->numberEntry()->text(), row.number);
        EXPECT_EQ(d->findChild<QLabel *>(QStringLiteral("locationText"))->text(), QStringLiteral("Home"));
        EXPECT_EQ(phones::lastCallerLabel(), row.label);
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

} // namespace

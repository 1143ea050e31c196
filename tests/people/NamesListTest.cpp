// The names list over real table files: adding people and their links,
// in-place saves, the city picker, phones to the just-phones list, deleting
// people with everything that hangs off them, and tagging.
#include "engine/EngineTestSupport.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "people/TagStore.h"
#include "people/gui/NamesListWindow.h"
#include "people/gui/TagProgress.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Store.h"
#include "support/UserInput.h"
#include "support/WindowTour.h"

#include <QFileInfo>
#include <sqlite3.h>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QAbstractButton>
#include <QTest>
#include <QThread>

using namespace tabulo;
using people::gui::NamesListWindow;
using store::Button::No;
using store::Button::Yes;

namespace {

const QString kEmptyQuestion =
    QStringLiteral("No records in Category '%1'.\n\r\n\rDo you want to add a record?");

class NamesList : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        for (const char *name : {"QKnam", "QKjnc", "QKfon", "QKmem", "QKcat", "QKzip"})
            m_tables.push_back(&store::Store::instance().use(QString::fromLatin1(name)));
    }
    void TearDown() override {
        if (m_window)
            m_window->close();
        settle();
        for (store::Table *t : m_tables)
            store::Store::instance().release(t->def().name);
        StoreFixture::TearDown();
    }
    // Lets posted events run and a count made in the background arrive.
    void settleCount() {
        settle();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_window || m_window->recordCount() >= 0; }, 10000))
            << "the count never arrived";
        settle();
    }
    store::Table &t(const char *name) { return store::Store::instance().table(QString::fromLatin1(name)); }

    qint64 addCategory(const QString &name) {
        store::Record &r = t("QKcat").record();
        r.clear();
        r.setValue(QStringLiteral("CAT:CTRL_NBR"), ++m_category);
        r.setValue(QStringLiteral("CAT:CATEGORY"), name);
        EXPECT_TRUE(t("QKcat").insert().ok());
        return m_category;
    }
    void addLink(qint64 person, qint64 category, const QString &last, const QString &first) {
        store::Record &l = t("QKjnc").record();
        l.clear();
        l.setValue(QStringLiteral("JNC:CTRL_NBR"), ++m_link);
        l.setValue(QStringLiteral("JNC:NAM_CTRL"), person);
        l.setValue(QStringLiteral("JNC:CAT_CTRL"), category);
        l.setValue(QStringLiteral("JNC:LNAME"), last);
        l.setValue(QStringLiteral("JNC:FNAME"), first);
        EXPECT_TRUE(t("QKjnc").insert().ok());
    }
    qint64 addPerson(const QString &last, const QString &first, std::vector<qint64> categories = {},
                     int phones = 0, int notes = 0) {
        const qint64 person = ++m_person;
        store::Record &p = t("QKnam").record();
        p.clear();
        p.setValue(QStringLiteral("NAM:CTRL_NBR"), person);
        p.setValue(QStringLiteral("NAM:LNAME"), last);
        p.setValue(QStringLiteral("NAM:FNAME"), first);
        EXPECT_TRUE(t("QKnam").insert().ok());
        addLink(person, 0, last, first);
        for (qint64 c : categories)
            addLink(person, c, last, first);
        for (int i = 0; i < phones; ++i) {
            store::Record &f = t("QKfon").record();
            f.clear();
            f.setValue(QStringLiteral("FON:CTRL_NBR"), ++m_phone);
            f.setValue(QStringLiteral("FON:NAM_CTRL"), person);
            f.setValue(QStringLiteral("FON:LOCATION"), i ? QStringLiteral("Work") : QStringLiteral("Home"));
            f.setValue(QStringLiteral("FON:NUMBER"), QStringLiteral("6145550%1").arg(100 + m_phone));
            EXPECT_TRUE(t("QKfon").insert().ok());
        }
        for (int i = 0; i < notes; ++i) {
            store::Record &n = t("QKmem").record();
            n.clear();
            n.setValue(QStringLiteral("MEM:CTRL_NBR"), ++m_note);
            n.setValue(QStringLiteral("MEM:NAM_CTRL"), person);
            EXPECT_TRUE(t("QKmem").insert().ok());
        }
        return person;
    }
    // How many records of `table` have `field` equal to `value`.
    int countWhere(const char *table, const char *field, qint64 value) {
        store::Table &tab = t(table);
        store::Cursor c(tab);
        c.toStart();
        int n = 0;
        const int index = tab.def().fieldIndex(QString::fromLatin1(field));
        while (c.next().ok())
            n += tab.record().integer(index) == value ? 1 : 0;
        return n;
    }
    std::vector<std::pair<qint64, QString>> linksOf(qint64 person) {
        store::Table &jnc = t("QKjnc");
        store::Cursor c(jnc);
        c.toStart();
        std::vector<std::pair<qint64, QString>> links;
        while (c.next().ok()) {
            const store::Record &r = jnc.record();
            if (r.value(QStringLiteral("NAM_CTRL")).toLongLong() == person)
                links.emplace_back(r.value(QStringLiteral("CAT_CTRL")).toLongLong(),
                                   r.value(QStringLiteral("LNAME")).toString());
        }
        std::sort(links.begin(), links.end());
        return links;
    }

    NamesListWindow *open() {
        m_window = NamesListWindow::open();
        settleCount();
        return m_window;
    }
    // Types into a field and leaves it, as the user would.
    void leave(const char *field, const QString &text) {
        QLineEdit *edit = m_window->entry(QString::fromLatin1(field));
        ASSERT_NE(edit, nullptr) << field;
        test::typeInto(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
        settleCount();
    }
    QStringList shownLastNames() {
        QStringList names;
        const engine::BrowseList &e = m_window->mainList()->engine();
        for (int r = 1; r <= e.rowCount(); ++r)
            names << e.row(r).texts.at(1);
        return names;
    }
    QString highlightedLastName() {
        const engine::BrowseList &e = m_window->mainList()->engine();
        return e.highlighted() ? e.row(e.highlighted()).texts.at(1) : QString();
    }
    QDateTime written(const char *file) {
        return QFileInfo(m_dir.file(QString::fromLatin1(file))).lastModified();
    }

    QPointer<NamesListWindow> m_window;
    std::vector<store::Table *> m_tables;
    qint64 m_person = 0, m_link = 0, m_phone = 0, m_note = 0, m_category = 0;
};

TEST_F(NamesList, AnEmptyDirectoryAsksToAddAndTheNewPersonMovesToItsPlaceWhenNamed) {
    m_messages.answer(Yes);
    open();
    ASSERT_EQ(m_messages.shownNumbers().size(), 1u);
    EXPECT_EQ(m_messages.last().title, QStringLiteral("Add Record"));
    EXPECT_EQ(m_messages.last().text, kEmptyQuestion.arg(QStringLiteral("All")));
    ASSERT_EQ(m_window->mainList()->engine().rowCount(), 1);
    EXPECT_EQ(m_window->recordCount(), 1);
    EXPECT_EQ(linksOf(1), (std::vector<std::pair<qint64, QString>>{{0, QString()}}));

    // Others arrive; the new person is named and moves between them.
    m_person = 1;
    m_link = 1;
    addPerson(QStringLiteral("Adams"), QStringLiteral("Ann"));
    addPerson(QStringLiteral("Young"), QStringLiteral("Yul"));
    m_window->refreshAll();
    EXPECT_EQ(shownLastNames(), (QStringList{QString(), QStringLiteral("Adams"), QStringLiteral("Young")}));
    EXPECT_EQ(highlightedLastName(), QString());
    leave("NAM:LNAME", QStringLiteral("Miller"));
    EXPECT_EQ(shownLastNames(),
              (QStringList{QStringLiteral("Adams"), QStringLiteral("Miller"), QStringLiteral("Young")}));
    EXPECT_EQ(highlightedLastName(), QStringLiteral("Miller"));
    EXPECT_EQ(linksOf(1), (std::vector<std::pair<qint64, QString>>{{0, QStringLiteral("Miller")}}));
}

TEST_F(NamesList, NoToTheEmptyQuestionIsNotAskedAgainAndAgain) {
    m_messages.answer(No);
    open();
    EXPECT_EQ(m_messages.shownNumbers().size(), 1u);
    m_window->refreshAll();
    settleCount();
    EXPECT_EQ(m_messages.shownNumbers().size(), 1u);
    EXPECT_EQ(m_window->mainList()->engine().rowCount(), 0);
}

TEST_F(NamesList, APersonAddedInACategoryGetsItsTwoLinksAndRenamingRewritesBoth) {
    addPerson(QStringLiteral("Baker"), QStringLiteral("Bo"));
    const qint64 golf = addCategory(QStringLiteral("Golf"));
    open();
    m_messages.answer(Yes); // Golf is empty
    m_window->displayCategory(static_cast<qint32>(golf), QStringLiteral("Golf"));
    settleCount();
    EXPECT_EQ(m_messages.last().text, kEmptyQuestion.arg(QStringLiteral("Golf")));
    const qint64 added = 2;
    EXPECT_EQ(linksOf(added), (std::vector<std::pair<qint64, QString>>{{0, QString()}, {golf, QString()}}));

    leave("NAM:LNAME", QStringLiteral("Smith"));
    EXPECT_EQ(linksOf(added), (std::vector<std::pair<qint64, QString>>{{0, QStringLiteral("Smith")},
                                                                       {golf, QStringLiteral("Smith")}}));
    EXPECT_EQ(shownLastNames(), QStringList{QStringLiteral("Smith")});
    m_window->showAll();
    settleCount();
    EXPECT_EQ(shownLastNames(), (QStringList{QStringLiteral("Baker"), QStringLiteral("Smith")}));

    // Leaving a field unchanged writes nothing.
    const QDateTime before = written("QKNAM.db");
    QThread::msleep(20);
    leave("NAM:ADDR1", m_window->entry(QStringLiteral("NAM:ADDR1"))->text());
    EXPECT_EQ(written("QKNAM.db"), before);
}

// The icons for other features' windows open them through the program, the
// names list knowing none of them.
TEST_F(NamesList, TheToolbarOpensOtherFeaturesWindows) {
    addPerson(QStringLiteral("Roe"), QStringLiteral("Jane"), {}, 1);
    open();
    const std::pair<const char *, const char *> icons[] = {{"justPhonesIcon", "fonJustPhonesBrowse"},
                                                           {"printIcon", "printMenu"}};
    for (const auto &[icon, window] : icons) {
        SCOPED_TRACE(icon);
        EXPECT_EQ(test::openWindow(QLatin1String(window)), nullptr);
        auto *button = m_window->findChild<QAbstractButton *>(QLatin1String(icon));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        settleCount();
        QWidget *opened = test::openWindow(QLatin1String(window));
        ASSERT_NE(opened, nullptr);
        test::outerWindow(opened)->close();
        settleCount();
    }
}

TEST_F(NamesList, ACityMissingFromTheIndexIsPickedOrPutBack) {
    store::Record &z = t("QKzip").record();
    z.clear();
    z.setValue(QStringLiteral("ZIP:CTRL_NBR"), 1);
    z.setValue(QStringLiteral("ZIP:CITY"), QStringLiteral("Columbus"));
    z.setValue(QStringLiteral("ZIP:STATE"), QStringLiteral("OH"));
    z.setValue(QStringLiteral("ZIP:ZIP"), QStringLiteral("43215"));
    ASSERT_TRUE(t("QKzip").insert().ok());
    const qint64 person = addPerson(QStringLiteral("Clark"), QStringLiteral("Cy"));
    open();
    auto stored = [&](const char *field) {
        store::Table &nam = t("QKnam");
        nam.record().clear();
        nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), person);
        EXPECT_TRUE(nam.fetch(*nam.def().key(QStringLiteral("CTRL_KEY"))).ok());
        return nam.record().value(QString::fromLatin1(field)).toString();
    };

    // Cancelled: the stored city comes back and nothing is written.
    const QDateTime before = written("QKNAM.db");
    QThread::msleep(20);
    leave("NAM:CITY", QStringLiteral("Colum"));
    QWidget *picker = test::openWindow(QStringLiteral("zipls"));
    ASSERT_NE(picker, nullptr);
    picker->findChild<QPushButton *>(QStringLiteral("closeButton"))->click();
    settleCount();
    EXPECT_EQ(m_window->entry(QStringLiteral("NAM:CITY"))->text(), QString());
    EXPECT_EQ(written("QKNAM.db"), before);

    // Selected: city, state and zip are filled and saved.
    leave("NAM:CITY", QStringLiteral("Colum"));
    picker = test::openWindow(QStringLiteral("zipls"));
    ASSERT_NE(picker, nullptr);
    picker->findChild<QPushButton *>(QStringLiteral("selectButton"))->click();
    settleCount();
    EXPECT_EQ(stored("NAM:CITY"), QStringLiteral("Columbus"));
    EXPECT_EQ(stored("NAM:STATE"), QStringLiteral("OH"));
    EXPECT_EQ(stored("NAM:ZIP"), QStringLiteral("43215"));
    EXPECT_EQ(m_window->entry(QStringLiteral("NAM:ZIP"))->text(), QStringLiteral("43215"));
}

TEST_F(NamesList, ToPhonesListMarksThePhoneForTheJustPhonesList) {
    addPerson(QStringLiteral("Adams"), QStringLiteral("Carla"), {}, 1);
    open();
    m_window->detailTabs()->setCurrentIndex(1);
    settleCount();
    ASSERT_EQ(m_window->phonesList()->engine().rowCount(), 1);
    m_window->findChild<QPushButton *>(QStringLiteral("toPhonesListButton"))->click();
    settleCount();
    store::Table &fon = t("QKfon");
    fon.record().clear();
    fon.record().setValue(QStringLiteral("FON:CTRL_NBR"), 1);
    ASSERT_TRUE(fon.fetch(*fon.def().key(QStringLiteral("CTRL_KEY"))).ok());
    EXPECT_EQ(fon.record().value(QStringLiteral("JUSTPHONESBYTE")).toLongLong(), 100);
    EXPECT_EQ(fon.record().value(QStringLiteral("JUSTPHONESNAME")).toString(),
              QStringLiteral("Carla Adams (Home)"));
}

TEST_F(NamesList, DeletingAPersonTakesExactlyItsPhonesNotesAndLinks) {
    const qint64 a = addCategory(QStringLiteral("Alpha"));
    const qint64 b = addCategory(QStringLiteral("Beta"));
    const qint64 gone = addPerson(QStringLiteral("Aaron"), QStringLiteral("Al"), {a, b}, 3, 2);
    const qint64 kept = addPerson(QStringLiteral("Zed"), QStringLiteral("Zoe"), {a}, 2, 1);
    open();
    ASSERT_EQ(highlightedLastName(), QStringLiteral("Aaron"));
    m_messages.answer(Yes);
    m_window->deleteRecord();
    settleCount();
    EXPECT_EQ(m_messages.last().text, QStringLiteral("Do you want to delete this record?"));
    EXPECT_EQ(countWhere("QKnam", "CTRL_NBR", gone), 0);
    EXPECT_EQ(countWhere("QKfon", "NAM_CTRL", gone), 0);
    EXPECT_EQ(countWhere("QKmem", "NAM_CTRL", gone), 0);
    EXPECT_EQ(countWhere("QKjnc", "NAM_CTRL", gone), 0);
    EXPECT_EQ(countWhere("QKfon", "NAM_CTRL", kept), 2);
    EXPECT_EQ(countWhere("QKmem", "NAM_CTRL", kept), 1);
    EXPECT_EQ(countWhere("QKjnc", "NAM_CTRL", kept), 2);

    // The only person of Beta is gone with him: Beta asks to be filled.
    m_messages.answer(No);
    m_window->displayCategory(static_cast<qint32>(b), QStringLiteral("Beta"));
    settleCount();
    EXPECT_EQ(m_messages.last().text, kEmptyQuestion.arg(QStringLiteral("Beta")));
}

TEST_F(NamesList, DeleteRecordWithTagsDeletesTheTaggedPeople) {
    for (const char *name : {"Abel", "Bard", "Cole", "Dunn", "Eads"})
        addPerson(QString::fromLatin1(name), QStringLiteral("X"));
    open();
    m_window->tagHighlighted(true);  // Abel, then down
    m_window->tagHighlighted(false); // Bard stays untagged
    m_window->tagHighlighted(true);  // Cole
    m_window->tagHighlighted(true);  // Dunn
    EXPECT_EQ(m_window->mainList()->listControl()->item(0, 0)->text(), QStringLiteral("*"));
    EXPECT_EQ(m_window->mainList()->listControl()->item(1, 0)->text(), QString());
    m_messages.answer(Yes);
    m_window->deleteRecord();
    settleCount();
    EXPECT_EQ(m_messages.last().text, QStringLiteral("Do you want to delete tagged records?"));
    EXPECT_EQ(shownLastNames(), (QStringList{QStringLiteral("Bard"), QStringLiteral("Eads")}));
    EXPECT_FALSE(people::TagStore::instance().anyTags(people::TagTable::NameLinks));
}

TEST_F(NamesList, TagAllAndUntagAllCoverTheWholeCategory) {
    const qint64 big = addCategory(QStringLiteral("Big"));
    for (const char *name : {"QKnam", "QKjnc"})
        t(name).lock(10);
    for (int i = 0; i < 1000; ++i)
        addPerson(QStringLiteral("P%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("F"), {big});
    for (const char *name : {"QKnam", "QKjnc"})
        t(name).unlock();
    open();
    m_window->displayCategory(static_cast<qint32>(big), QStringLiteral("Big"));
    settleCount();
    people::TagStore &tags = people::TagStore::instance();
    for (const bool on : {true, false}) {
        bool done = false;
        m_window->tagAll(on, [&done] { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&done] { return done; }, 20000));
        tags.forgetCount();
        EXPECT_EQ(tags.countTags(people::TagTable::NameLinks).value_or(-1), on ? 1000 : 0);
    }
}

TEST_F(NamesList, TheWindowIsWholeAndASecondOpenBringsTheSameOne) {
    for (int i = 0; i < 40; ++i)
        addPerson(QStringLiteral("N%1").arg(i), QStringLiteral("F"), {}, 2, 1);
    open();
    EXPECT_EQ(NamesListWindow::open(), m_window.data());
    for (int tab = 0; tab < m_window->detailTabs()->count(); ++tab) {
        m_window->detailTabs()->setCurrentIndex(tab);
        settleCount();
        EXPECT_EQ(test::layoutProblems(m_window).join(QLatin1Char('\n')).toStdString(), "") << "tab " << tab;
    }
    m_window->resize(m_window->size() * 2);
    settleCount();
    EXPECT_EQ(test::layoutProblems(m_window).join(QLatin1Char('\n')).toStdString(), "")
        << "at twice the size";
}

struct TypedCity {
    const char *typed;
    bool picker; // the cities list is offered
    const char *state, *zip;
};

void PrintTo(const TypedCity &c, std::ostream *os) {
    *os << c.typed;
}

class NamesListCity : public NamesList, public ::testing::WithParamInterface<TypedCity> {};

// A city the index holds once fills the state and zip it has there (never
// blanking the person's own); a city it holds twice, or not at all, is
// chosen from the cities list.
TEST_P(NamesListCity, ATypedCityFillsFromTheIndexOrOffersThePicker) {
    const TypedCity c = GetParam();
    const std::tuple<const char *, const char *, const char *> index[] = {
        {"Dayton", "OH", "45402"}, {"Springfield", "IL", "62701"}, {"Springfield", "MA", "01103"},
        {"Blankton", "", ""}};
    int number = 0;
    for (const auto &[city, state, zip] : index) {
        store::Record &z = t("QKzip").record();
        z.clear();
        z.setValue(QStringLiteral("ZIP:CTRL_NBR"), ++number);
        z.setValue(QStringLiteral("ZIP:CITY"), QString::fromLatin1(city));
        z.setValue(QStringLiteral("ZIP:STATE"), QString::fromLatin1(state));
        z.setValue(QStringLiteral("ZIP:ZIP"), QString::fromLatin1(zip));
        ASSERT_TRUE(t("QKzip").insert().ok());
    }
    const qint64 person = addPerson(QStringLiteral("Clark"), QStringLiteral("Cy"));
    open();
    leave("NAM:STATE", QStringLiteral("KY"));
    leave("NAM:ZIP", QStringLiteral("40202"));
    leave("NAM:CITY", QString::fromLatin1(c.typed));
    QWidget *picker = test::openWindow(QStringLiteral("zipls"));
    EXPECT_EQ(picker != nullptr, c.picker);
    if (picker) {
        picker->findChild<QPushButton *>(QStringLiteral("closeButton"))->click();
        settleCount();
    }
    store::Table &nam = t("QKnam");
    nam.record().clear();
    nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), person);
    ASSERT_TRUE(nam.fetch(*nam.def().key(QStringLiteral("CTRL_KEY"))).ok());
    EXPECT_EQ(nam.record().value(QStringLiteral("STATE")).toString(), QString::fromLatin1(c.state));
    EXPECT_EQ(nam.record().value(QStringLiteral("ZIP")).toString(), QString::fromLatin1(c.zip));
}

INSTANTIATE_TEST_SUITE_P(NamesList, NamesListCity,
                         ::testing::Values(TypedCity{"dayton", false, "OH", "45402"},
                                           TypedCity{"Springfield", true, "KY", "40202"},
                                           TypedCity{"Blankton", false, "KY", "40202"},
                                           TypedCity{"Nowhere", true, "KY", "40202"}),
                         [](const ::testing::TestParamInfo<TypedCity> &info) {
                             return std::string(info.param.typed);
                         });

// Untag All over many tags, with tags of another table beside them, clears
// them in the "Clearing Tags" window, whose Cancel leaves the rest.
TEST_F(NamesList, UntagAllClearsManyTagsInItsProgressWindowWithCancel) {
    for (const char *name : {"QKnam", "QKjnc"})
        t(name).lock(10);
    for (int i = 0; i < 300; ++i)
        addPerson(QStringLiteral("P%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("F"));
    for (const char *name : {"QKnam", "QKjnc"})
        t(name).unlock();
    people::TagStore &tags = people::TagStore::instance();
    open();
    for (qint64 link = 1; link <= 300; ++link)
        ASSERT_TRUE(tags.setTag(people::TagTable::NameLinks, link).ok());
    ASSERT_TRUE(tags.setTag(7, 1).ok()); // another table's tag: no quick way
    people::gui::setSliceBudget(std::chrono::milliseconds(0));
    test::activate(m_window);
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("untagAllButton")), Qt::LeftButton);
    QWidget *progress = test::openWindow(QStringLiteral("tagProgress"));
    ASSERT_NE(progress, nullptr) << "no progress window";
    EXPECT_EQ(progress->findChild<QLabel *>(QStringLiteral("taskText"))->text(), QStringLiteral("Clearing Tags"));
    QPushButton *cancel = progress->findChild<QPushButton *>(QStringLiteral("cancelButton"));
    ASSERT_TRUE(cancel->isVisible());
    QTest::mouseClick(cancel, Qt::LeftButton);
    settleCount();
    people::gui::setSliceBudget(std::chrono::milliseconds(20));
    tags.forgetCount();
    const qint32 left = tags.countTags(people::TagTable::NameLinks).value_or(-1);
    EXPECT_GT(left, 0) << "Cancel did not stop the clearing";
    EXPECT_LT(left, 300);
    EXPECT_TRUE(tags.isTagged(7, 1));
}

// A button's action works on the person as the file holds it now: one that
// another station deleted is not acted on, and the list shows it is gone.
TEST_F(NamesList, AButtonActsOnThePersonAsStoredNow) {
    addPerson(QStringLiteral("Abel"), QStringLiteral("A"));
    addPerson(QStringLiteral("Bard"), QStringLiteral("B"));
    open();
    ASSERT_EQ(highlightedLastName(), QStringLiteral("Abel"));
    {
        store::Table other(store::tableDef("QKjnc"), m_dir.path());
        ASSERT_TRUE(other.open().ok());
        other.record().clear();
        other.record().setValue(QStringLiteral("JNC:CTRL_NBR"), 1);
        ASSERT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
        ASSERT_TRUE(other.remove().ok());
    }
    test::activate(m_window);
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("tagButton")), Qt::LeftButton);
    settleCount();
    EXPECT_FALSE(people::TagStore::instance().anyTags(people::TagTable::NameLinks))
        << "a link another station deleted was tagged";
    EXPECT_EQ(shownLastNames(), QStringList{QStringLiteral("Bard")});
}

// A new person's link that cannot be numbered (another station holds the
// link file) is offered again with message 25; Retry adds each link once.
TEST_F(NamesList, ALinkNumberingFailureOffersRetryAndAddsEachLinkOnce) {
    const qint64 golf = addCategory(QStringLiteral("Golf"));
    addPerson(QStringLiteral("Bard"), QStringLiteral("B"), {golf});
    open();
    m_window->displayCategory(static_cast<qint32>(golf), QStringLiteral("Golf"));
    settleCount();
    sqlite3 *station = nullptr;
    ASSERT_EQ(sqlite3_open(m_dir.file(QStringLiteral("QKJNC.db")).toUtf8().constData(), &station), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(station, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    // The other station lets go when the user is asked.
    class Releasing final : public store::MessageService {
    public:
        explicit Releasing(sqlite3 *db)
            : m_db(db) {}
        int show(const store::MessageBox &box) override {
            numbers.push_back(box.number);
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return box.number == 25 ? store::Button::Retry : box.defaultButton;
        }
        [[noreturn]] void halt(const QString &text) override { throw test::Halted(text); }
        std::vector<int> numbers;

    private:
        sqlite3 *m_db;
    } answering(station);
    const int wait = store::Table::defaultWaitMs();
    store::Table::setDefaultWaitMs(50);
    {
        test::ScopedMessageService scope(answering);
        test::activate(m_window);
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("addRecordButton")), Qt::LeftButton);
        settleCount();
    }
    store::Table::setDefaultWaitMs(wait);
    sqlite3_close(station);
    EXPECT_EQ(answering.numbers, std::vector<int>{25});
    EXPECT_EQ(linksOf(2), (std::vector<std::pair<qint64, QString>>{{0, QString()}, {golf, QString()}}));
}

} // namespace

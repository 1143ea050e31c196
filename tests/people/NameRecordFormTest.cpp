#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "people/gui/NameRecordForm.h"
#include "store/Store.h"
#include "support/FormFixtures.h"
#include "support/QStringPrinter.h"
#include "support/WindowTour.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTest>

using namespace tabulo;
using engine::ListAction;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::RecordFormWindow;

namespace {

constexpr qint64 kSmith = 1;
constexpr qint64 kOther = 2;
constexpr qint64 kFriends = 5;

enum Tab { General = 0, Links = 1, Notes = 2, Phones = 3 };

class NameRecordForm : public test::OwnerFormFixture {
protected:
    NameRecordForm()
        : OwnerFormFixture({"QKnam", "NAM_CTRL", "NAM_CTRL_KEY", "UpdateQKnam", {"QKnam", "QKjnc", "QKfon", "QKmem"},
                            {"", "jncList", "memList", "fonList"}}) {}

    void SetUp() override {
        OwnerFormFixture::SetUp();
        add("QKnam", kSmith, {{"LNAME", "Smith"}, {"FNAME", "Ann"}});
        add("QKnam", kOther, {{"LNAME", "Smith"}, {"FNAME", "Bob"}});
        addLink(kOther, 0, "Smith", "Bob");
        add("QKfon", kOther, {{"LOCATION", "Office"}});
        add("QKmem", kOther, {});
        m_caller.show();
    }

    void addLink(qint64 person, qint64 category, const char *last, const char *first) {
        const QByteArray cat = QByteArray::number(category);
        add("QKjnc", person, {{"CAT_CTRL", cat.constData()}, {"LNAME", last}, {"FNAME", first}});
    }

    QStringList linksOf(qint64 person) const { return owned("QKjnc", person, {"CAT_CTRL", "LNAME", "FNAME"}); }

    static bool personExists(qint64 person) { return exists("QKnam", person); }

    RecordFormWindow *open(Request request, qint64 person = 0) {
        return openForOwner(&people::gui::runNameRecordForm, request, person);
    }

    static qint64 personOf(RecordFormWindow *f) { return ownerOf(f); }

    void addPhoneOnTab(RecordFormWindow *f, const char *location) {
        OwnerFormFixture::addPhoneOnTab(f, Phones, location);
    }
};

// --- The tabs' lists ----------------------------------------------------------

TEST_F(NameRecordForm, APhoneAddedOnTheTabOfANewPersonBelongsToThatPersonAndShows) {
    RecordFormWindow *f = open(Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Adding a QKnam Record"));
    const qint64 person = personOf(f);
    ASSERT_EQ(person, 3);

    addPhoneOnTab(f, "Home");
    EXPECT_EQ(owned("QKfon", person, {"LOCATION", "NUMBER"}), QStringList{QStringLiteral("Home|5551234567")});
    BrowseWindow *phones = list(f, Phones);
    EXPECT_EQ(shownRows(phones, 0), QStringList{QStringLiteral("Home")});
    EXPECT_EQ(shownRows(phones, 2), QStringList{QStringLiteral("(555) 123-4567")});
    // The other person's phone stays off this person's tab.
    EXPECT_EQ(owned("QKfon", kOther, {"LOCATION"}), QStringList{QStringLiteral("Office")});
}

TEST_F(NameRecordForm, TheListsFollowThePersonTheFormHolds) {
    add("QKfon", kSmith, {{"LOCATION", "Home"}});
    add("QKfon", kSmith, {{"LOCATION", "Cell"}});
    addLink(kSmith, 0, "Smith", "Ann");
    RecordFormWindow *f = open(Request::ChangeRecord, kSmith);
    ASSERT_NE(f, nullptr);
    BrowseWindow *phones = list(f, Phones);
    EXPECT_EQ(shownRows(phones, 0), (QStringList{QStringLiteral("Cell"), QStringLiteral("Home")}));
    BrowseWindow *links = list(f, Links);
    EXPECT_EQ(shownRows(links, 3), QStringList{QStringLiteral("1")});

    // Another person in the buffer: the next refresh of the form rebuilds
    // every list that was built, the hidden phones too.
    f->engine().table().record().setValue(QStringLiteral("CTRL_NBR"), kOther);
    list(f, Notes);
    EXPECT_EQ(shownRows(phones, 0), QStringList{QStringLiteral("Office")});
    EXPECT_EQ(shownRows(links, 3), QStringList{QStringLiteral("2")});
    EXPECT_EQ(list(f, Notes)->engine().rowCount(), 1);

    f->engine().table().record().setValue(QStringLiteral("CTRL_NBR"), kSmith);
    click(f, "cancelButton");
    EXPECT_EQ(m_answer, Response::RequestCancelled);
}

// --- Keeping the person's links whole -----------------------------------------

struct NewPersonCase {
    const char *name;
    bool allLinkAddedOnTab; // the user already linked the person to "All" on the tab
};

void PrintTo(const NewPersonCase &c, std::ostream *os) {
    *os << c.name;
}

class NewPerson : public NameRecordForm, public ::testing::WithParamInterface<NewPersonCase> {};

TEST_P(NewPerson, OkLinksThePersonToAllOnceWithTheSavedName) {
    RecordFormWindow *f = open(Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    const qint64 person = personOf(f);
    // Links made on the tab carry whatever names were typed there.
    addLink(person, kFriends, "", "");
    if (GetParam().allLinkAddedOnTab)
        addLink(person, 0, "", "");
    f->entry(0)->setText(QStringLiteral("Doe"));
    f->entry(1)->setText(QStringLiteral("Jane"));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_TRUE(personExists(person));
    EXPECT_EQ(linksOf(person), (QStringList{QStringLiteral("0|Doe|Jane"), QStringLiteral("5|Doe|Jane")}));
}

INSTANTIATE_TEST_SUITE_P(Cases, NewPerson,
                         ::testing::Values(NewPersonCase{"Fresh", false},
                                           NewPersonCase{"AlreadyInAll", true}),
                         [](const auto &info) { return std::string(info.param.name); });

struct ChangeCase {
    const char *name;
    int entry; // which field the user edits
    const char *typed;
    QStringList links; // the person's links afterwards
};

void PrintTo(const ChangeCase &c, std::ostream *os) {
    *os << c.name;
}

class ChangedPerson : public NameRecordForm, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangedPerson, ASavedNameIsCopiedIntoEveryLinkOfThePerson) {
    // Copies that are out of step show whether the form rewrote them.
    addLink(kSmith, 0, "Smith", "Ann");
    addLink(kSmith, kFriends, "Smith", "An");
    RecordFormWindow *f = open(Request::ChangeRecord, kSmith);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Changing a QKnam Record"));
    f->entry(GetParam().entry)->setText(QString::fromLatin1(GetParam().typed));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_EQ(linksOf(kSmith), GetParam().links);
    EXPECT_EQ(linksOf(kOther), QStringList{QStringLiteral("0|Smith|Bob")});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangedPerson,
    ::testing::Values(
        ChangeCase{"LastName", 0, "Smythe", {QStringLiteral("0|Smythe|Ann"), QStringLiteral("5|Smythe|Ann")}},
        ChangeCase{"FirstName", 1, "Anne", {QStringLiteral("0|Smith|Anne"), QStringLiteral("5|Smith|Anne")}},
        ChangeCase{"CityOnly", 4, "Columbus", {QStringLiteral("0|Smith|Ann"), QStringLiteral("5|Smith|An")}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(NameRecordForm, CancellingANewPersonRemovesItWithWhatWasAddedOnItsTabs) {
    RecordFormWindow *f = open(Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    const qint64 person = personOf(f);
    addPhoneOnTab(f, "Home");
    addLink(person, kFriends, "", "");
    add("QKmem", person, {});
    ASSERT_EQ(owned("QKfon", person, {"LOCATION"}).size(), 1);

    click(f, "cancelButton");
    EXPECT_EQ(m_answer, Response::RequestCancelled);
    EXPECT_FALSE(personExists(person));
    for (const char *child : {"QKjnc", "QKfon", "QKmem"})
        EXPECT_TRUE(owned(child, person, {"CTRL_NBR"}).isEmpty()) << child;
    // Nobody else's records go.
    EXPECT_TRUE(personExists(kOther));
    for (const char *child : {"QKjnc", "QKfon", "QKmem"})
        EXPECT_EQ(owned(child, kOther, {"CTRL_NBR"}).size(), 1) << child;
}

TEST_F(NameRecordForm, DeletingAPersonTakesItsLinksAlong) {
    addLink(kSmith, 0, "Smith", "Ann");
    addLink(kSmith, kFriends, "Smith", "Ann");
    add("QKfon", kSmith, {{"LOCATION", "Home"}});
    m_messages.answer(32, store::Button::Ok);
    EXPECT_EQ(open(Request::DeleteRecord, kSmith), nullptr);
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_FALSE(personExists(kSmith));
    EXPECT_TRUE(linksOf(kSmith).isEmpty());
    EXPECT_TRUE(owned("QKfon", kSmith, {"CTRL_NBR"}).isEmpty());
    EXPECT_EQ(linksOf(kOther), QStringList{QStringLiteral("0|Smith|Bob")});
}

// --- The window ---------------------------------------------------------------

TEST_F(NameRecordForm, EveryTabIsWholeAtItsOpeningSizeAndAtTwiceIt) {
    for (int i = 0; i < 12; ++i)
        add("QKfon", kSmith, {{"LOCATION", "Phone"}});
    RecordFormWindow *f = open(Request::ChangeRecord, kSmith);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->sheet()->count(), 4);
    const QStringList tabs{QStringLiteral("General"), QStringLiteral("QKjnc"), QStringLiteral("QKmem"),
                           QStringLiteral("QKfon")};
    for (int t = 0; t < tabs.size(); ++t)
        EXPECT_EQ(f->sheet()->tabText(t), tabs.at(t));

    BrowseWindow *phones = list(f, Phones);
    const QSize button = phones->button(ListAction::Insert)->size();
    const int rows = phones->engine().rowCount();
    const int entryWidth = f->entry(2)->width();
    const QSize opening = f->size();
    // The list takes the whole room of its page, however tall the other pages are.
    const QWidget *page = f->sheet()->currentWidget();
    const QWidget *holder = page->findChild<QWidget *>(QStringLiteral("qkfonHolder"));
    ASSERT_NE(holder, nullptr);
    EXPECT_LE(page->height() - holder->geometry().bottom(),
              page->style()->pixelMetric(QStyle::PM_LayoutBottomMargin) + 1);
    for (const QSize size : {opening, opening * 2}) {
        f->resize(size);
        settle();
        for (int t = General; t <= Phones; ++t) {
            f->sheet()->setCurrentIndex(t);
            settle();
            const QStringList problems = test::layoutProblems(f);
            EXPECT_TRUE(problems.isEmpty()) << size.width() << "x" << size.height() << " tab " << t << ": "
                                            << problems.join(QStringLiteral("; ")).toStdString();
        }
    }
    // The list grew and shows more rows; its buttons kept their size.
    EXPECT_GT(phones->engine().rowCount(), rows);
    EXPECT_EQ(phones->button(ListAction::Insert)->size(), button);
    EXPECT_GT(f->entry(2)->width(), entryWidth);
}

} // namespace

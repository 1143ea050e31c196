#include "engine/EngineTestSupport.h"

#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "people/Membership.h"
#include "people/gui/CategoryWindows.h"
#include "store/Store.h"

#include <QPushButton>
#include <QTest>

using namespace tabulo;
using people::MembershipOp;

namespace {

class Membership : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_use =
            std::make_unique<store::TableUse>(QStringList{QStringLiteral("QKnam"), QStringLiteral("QKjnc"),
                                                          QStringLiteral("QKfon"), QStringLiteral("QKmem")});
    }
    void TearDown() override {
        m_use.reset();
        StoreFixture::TearDown();
    }
    store::Table &t(const char *name) { return (*m_use)[QString::fromLatin1(name)]; }

    void person(qint64 n, const QString &first, const QString &last) {
        store::Record &r = t("QKnam").record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), n);
        r.setValue(QStringLiteral("FNAME"), first);
        r.setValue(QStringLiteral("LNAME"), last);
        ASSERT_TRUE(t("QKnam").insert().ok());
    }
    qint32 link(qint64 personNumber, qint64 category) {
        store::Record &p = t("QKnam").record();
        p.clear();
        p.setValue(QStringLiteral("CTRL_NBR"), personNumber);
        EXPECT_TRUE(t("QKnam").fetch(*t("QKnam").def().key(QStringLiteral("CTRL_KEY"))).ok());
        store::Record &r = t("QKjnc").record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ++m_links);
        r.setValue(QStringLiteral("NAM_CTRL"), personNumber);
        r.setValue(QStringLiteral("CAT_CTRL"), category);
        r.setValue(QStringLiteral("FNAME"), p.value(QStringLiteral("FNAME")));
        r.setValue(QStringLiteral("LNAME"), p.value(QStringLiteral("LNAME")));
        EXPECT_TRUE(t("QKjnc").insert().ok());
        return static_cast<qint32>(m_links);
    }
    void child(const char *table, qint64 number, qint64 personNumber) {
        store::Record &r = t(table).record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), number);
        r.setValue(QStringLiteral("NAM_CTRL"), personNumber);
        ASSERT_TRUE(t(table).insert().ok());
    }
    // Puts a link and its person in the buffers, as the names list does.
    void highlight(qint32 linkNumber) {
        store::Table &jnc = t("QKjnc");
        jnc.record().clear();
        jnc.record().setValue(QStringLiteral("CTRL_NBR"), linkNumber);
        ASSERT_TRUE(jnc.fetch(*jnc.def().key(QStringLiteral("CTRL_KEY"))).ok());
        store::Table &nam = t("QKnam");
        nam.record().clear();
        nam.record().setValue(QStringLiteral("CTRL_NBR"), jnc.record().value(QStringLiteral("NAM_CTRL")));
        ASSERT_TRUE(nam.fetch(*nam.def().key(QStringLiteral("CTRL_KEY"))).ok());
    }
    int membersOf(qint64 category) {
        store::Cursor c(t("QKjnc"));
        c.setOrder(t("QKjnc").def().key(QStringLiteral("CAT_CTRL_KEY")));
        c.setRange({store::sql::Value(category)});
        c.toStart();
        int n = 0;
        while (c.next().ok())
            ++n;
        return n;
    }

    std::unique_ptr<store::TableUse> m_use;
    qint64 m_links = 0;
};

TEST_F(Membership, CopyingATaggedSetSkipsPeopleAlreadyInTheCategory) {
    const char *names[] = {"Ann", "Bob", "Cy", "Di", "Ed"};
    std::vector<qint32> tagged;
    for (int i = 1; i <= 5; ++i) {
        person(i, QString::fromLatin1(names[i - 1]), QStringLiteral("Smith"));
        tagged.push_back(link(i, 0));
    }
    link(2, 9);
    link(4, 9);
    const qint32 highlighted = tagged[0];
    highlight(highlighted);
    // The category picker made the target current while the operation runs.
    engine::setCurrentCategory(9, QStringLiteral("Friends  "));
    m_messages.answer(store::Button::Ok);
    m_messages.answer(store::Button::Ok);
    people::runMembership(MembershipOp::Copy, 9, tagged);
    // The link the list had is back in the buffer, with its person.
    EXPECT_EQ(t("QKjnc").record().integer(0), highlighted);
    EXPECT_EQ(t("QKnam").record().integer(0), 1);
    EXPECT_EQ(membersOf(9), 5);
    EXPECT_EQ(membersOf(0), 5);
    ASSERT_EQ(m_messages.shown().size(), 2u);
    EXPECT_EQ(m_messages.shown()[0].title, QStringLiteral("Assign Category Error"));
    EXPECT_EQ(m_messages.shown()[0].text,
              QStringLiteral("Bob Smith is already a member of the \r\nFriends category."));
    EXPECT_EQ(m_messages.shown()[1].text,
              QStringLiteral("Di Smith is already a member of the \r\nFriends category."));
}

TEST_F(Membership, MovingIntoACategoryThePersonIsInChangesNothing) {
    person(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    link(1, 0);
    const qint32 inThree = link(1, 3);
    link(1, 9);
    highlight(inThree);
    people::runMembership(MembershipOp::Move, 9, {});
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(membersOf(3), 1);
    EXPECT_EQ(membersOf(9), 1);

    person(2, QStringLiteral("Bo"), QStringLiteral("Lee"));
    link(2, 0);
    const qint32 bo = link(2, 3);
    highlight(bo);
    engine::setCurrentCategory(3, QStringLiteral("Work"));
    people::runMembership(MembershipOp::Move, 9, {});
    EXPECT_EQ(membersOf(3), 1);
    EXPECT_EQ(membersOf(9), 2);
    EXPECT_EQ(engine::currentCategory(), 3);
    EXPECT_EQ(engine::currentCategoryName(), QStringLiteral("Work"));
}

TEST_F(Membership, DeletingTheAllLinkDeletesThePersonEntirely) {
    person(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    person(2, QStringLiteral("Bo"), QStringLiteral("Lee"));
    const qint32 all = link(1, 0);
    link(1, 4);
    link(2, 0);
    for (int i = 1; i <= 3; ++i)
        child("QKfon", i, 1);
    child("QKfon", 4, 2);
    child("QKmem", 1, 1);
    child("QKmem", 2, 1);
    highlight(all);
    people::runMembership(MembershipOp::Delete, 0, {});
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(t("QKnam").records(), 1);
    EXPECT_EQ(t("QKjnc").records(), 1);
    EXPECT_EQ(t("QKfon").records(), 1);
    EXPECT_EQ(t("QKmem").records(), 0);
}

TEST_F(Membership, DeletingFromACategoryKeepsThePerson) {
    person(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    link(1, 0);
    const qint32 inFour = link(1, 4);
    child("QKfon", 1, 1);
    highlight(inFour);
    people::runMembership(MembershipOp::Delete, 0, {});
    EXPECT_EQ(t("QKnam").records(), 1);
    EXPECT_EQ(t("QKjnc").records(), 1);
    EXPECT_EQ(t("QKfon").records(), 1);
    EXPECT_EQ(membersOf(4), 0);
}

// Copy To from the names list: the category picker chooses the target; not
// choosing changes nothing (and the caller keeps its tags).
TEST_F(Membership, CopyToPicksTheTargetAndCancellingChangesNothing) {
    store::Table &cat = store::Store::instance().use(QStringLiteral("QKcat"));
    for (auto [n, name] : {std::pair{1, "Family"}, std::pair{2, "Work"}}) {
        cat.record().clear();
        cat.record().setValue(QStringLiteral("CTRL_NBR"), n);
        cat.record().setValue(QStringLiteral("CATEGORY"), QString::fromLatin1(name));
        ASSERT_TRUE(cat.insert().ok());
    }
    person(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    const qint32 all = link(1, 0);
    engine::setCurrentCategory(0, {});
    QWidget namesList;
    namesList.show();

    std::vector<int> outcomes;
    highlight(all);
    people::gui::startMembership(&namesList, MembershipOp::Copy, {},
                                 [&](bool ran) { outcomes.push_back(ran); });
    settle();
    auto *picker = window<engine::gui::BrowseWindow>(QStringLiteral("catls"));
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->parentWidget(), &namesList);
    QTest::mouseClick(picker->button(engine::ListAction::Close), Qt::LeftButton);
    settle();
    ASSERT_EQ(outcomes, std::vector<int>{0});
    EXPECT_EQ(t("QKjnc").records(), 1);

    highlight(all);
    people::gui::startMembership(&namesList, MembershipOp::Copy, {},
                                 [&](bool ran) { outcomes.push_back(ran); });
    settle();
    picker = window<engine::gui::BrowseWindow>(QStringLiteral("catls"));
    ASSERT_NE(picker, nullptr);
    QTest::keyClick(picker->listControl(), Qt::Key_Down); // Work
    QTest::mouseClick(picker->button(engine::ListAction::Select), Qt::LeftButton);
    settle();
    ASSERT_EQ(outcomes, (std::vector<int>{0, 1}));
    EXPECT_EQ(membersOf(2), 1);
    // The names list still shows the category it showed.
    EXPECT_EQ(engine::currentCategory(), 0);
    EXPECT_EQ(engine::currentCategoryName(), QStringLiteral("All"));
    store::Store::instance().release(QStringLiteral("QKcat"));
}

} // namespace

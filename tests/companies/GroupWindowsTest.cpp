#include "engine/EngineTestSupport.h"

#include "companies/GroupMembership.h"
#include "companies/gui/GroupWindows.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/gui/WindowOpeners.h"
#include "store/Store.h"
#include "support/QStringPrinter.h"
#include "support/WindowTour.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

using namespace tabulo;
using companies::GroupAction;
using engine::ListAction;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::RecordFormWindow;
using store::Button::Cancel;
using store::Button::No;
using store::Button::Ok;

namespace {

constexpr qint64 kCompany = 7;

class GroupWindows : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        store::Store &s = store::Store::instance();
        m_grp = &s.use(QStringLiteral("QKgrp"));
        m_jcg = &s.use(QStringLiteral("QKjcg"));
        m_cmp = &s.use(QStringLiteral("QKcmp"));
        m_caller.show();
    }
    void TearDown() override {
        for (const char *t : {"QKgrp", "QKjcg", "QKcmp"})
            store::Store::instance().release(QString::fromLatin1(t));
        StoreFixture::TearDown();
        companies::setGroupActionWord({});
    }

    void addGroup(qint64 ctrl, const QString &name) {
        store::Record &r = m_grp->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("GROUP"), name);
        ASSERT_TRUE(m_grp->insert().ok()) << name.toStdString();
    }

    void addLink(qint64 ctrl, qint64 group, const QString &company = QStringLiteral("Acme Tools")) {
        store::Record &r = m_jcg->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("COMPANY"), company);
        r.setValue(QStringLiteral("CMP_CTRL"), kCompany);
        r.setValue(QStringLiteral("GRP_CTRL"), group);
        ASSERT_TRUE(m_jcg->insert().ok());
    }

    // What the companies list leaves before an assignment: the highlighted
    // link read by its number, and its company.
    void highlightLink(qint64 ctrl) {
        m_jcg->record().clear();
        m_jcg->record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        ASSERT_TRUE(m_jcg->fetch(*m_jcg->def().key(QStringLiteral("CTRL_KEY"))).ok());
        m_cmp->record().clear();
        m_cmp->record().setValue(QStringLiteral("CTRL_NBR"), kCompany);
        m_cmp->record().setValue(QStringLiteral("NAME"), QStringLiteral("Acme Tools Inc"));
    }

    // Every link as "number:company:group", in number order.
    QStringList links() {
        QStringList out;
        store::Cursor c(*m_jcg);
        c.setOrder(m_jcg->def().key(QStringLiteral("CTRL_KEY")));
        c.toStart();
        while (c.next().ok()) {
            const store::Record &r = m_jcg->record();
            out << QStringLiteral("%1:%2:%3")
                       .arg(r.value(QStringLiteral("CTRL_NBR")).toLongLong())
                       .arg(r.value(QStringLiteral("COMPANY")).toString())
                       .arg(r.value(QStringLiteral("GRP_CTRL")).toLongLong());
        }
        return out;
    }

    QStringList groupNames() {
        QStringList out;
        store::Cursor c(*m_grp);
        c.setOrder(m_grp->def().key(QStringLiteral("GROUP_KEY")));
        c.toStart();
        while (c.next().ok())
            out << m_grp->record().value(QStringLiteral("GROUP")).toString();
        return out;
    }

    BrowseWindow *browse() {
        engine::setGlobalRequest(Request::None);
        BrowseWindow *w = companies::gui::openCompanyCategoryList();
        settle();
        return w;
    }

    RecordFormWindow *form() { return window<RecordFormWindow>(QStringLiteral("grpup")); }
    static void click(QWidget *w, const char *button) {
        w->findChild<QPushButton *>(QString::fromLatin1(button))->click();
        settle();
    }
    static QString highlightedText(BrowseWindow *w) {
        return w->engine().row(w->engine().highlighted()).texts.at(0);
    }

    // Runs the assignment with `word`; picks `pick` in the category list
    // when given, closes the list otherwise.
    bool assign(const char *word, const QString &pick) {
        companies::setGroupActionWord(QString::fromLatin1(word));
        bool ended = false;
        companies::gui::runCategoryAssignment(&m_caller, [&] { ended = true; });
        settle();
        if (companies::needsTargetGroup(companies::groupActionFromWord(QString::fromLatin1(word)))) {
            auto *list = window<BrowseWindow>(QStringLiteral("grpls"));
            EXPECT_NE(list, nullptr);
            if (!list)
                return ended;
            EXPECT_EQ(list->windowModality(), Qt::WindowModal);
            if (pick.isEmpty()) {
                click(list, "closeButton");
            } else {
                QTest::keyClick(list->listControl(), Qt::Key_Home, Qt::ControlModifier);
                for (int i = 0; i < 20 && highlightedText(list) != pick; ++i)
                    QTest::keyClick(list->listControl(), Qt::Key_Down);
                EXPECT_EQ(highlightedText(list), pick);
                click(list, "selectButton");
            }
        }
        return ended;
    }

    store::Table *m_grp = nullptr;
    store::Table *m_jcg = nullptr;
    store::Table *m_cmp = nullptr;
    QWidget m_caller;
};

// --- The list and its form ---------------------------------------------------

TEST_F(GroupWindows, ACategoryNameDifferingOnlyInCaseIsRefusedWithTheKeyName) {
    addGroup(1, QStringLiteral("Suppliers"));
    BrowseWindow *w = browse();
    QTest::keyClick(w->listControl(), Qt::Key_Insert);
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Company Category Database Update Form"));
    EXPECT_EQ(f->actionLabel()->text(), QStringLiteral("Record Will Be Added"));
    auto *zone = f->findChild<QLabel *>(QStringLiteral("statusZone2"));
    ASSERT_NE(zone, nullptr);
    EXPECT_EQ(zone->text(), QStringLiteral("Record Will Be Added"));
    EXPECT_EQ(f->engine().table().record().integer(0), 2);

    f->entry(0)->setText(QStringLiteral("SUPPLIERS"));
    m_messages.answer(24, Ok);
    click(f, "okButton");
    ASSERT_EQ(m_messages.shownNumbers(), std::vector<int>{24});
    EXPECT_EQ(m_messages.last().text,
              QStringLiteral("Adding this record creates a duplicate entry for the key:grp:group_key"));
    EXPECT_EQ(form(), f);

    // Another name goes in, and the list shows it highlighted.
    f->entry(0)->setText(QStringLiteral("Customers"));
    click(f, "okButton");
    EXPECT_EQ(form(), nullptr);
    EXPECT_EQ(groupNames(), (QStringList{QStringLiteral("Customers"), QStringLiteral("Suppliers")}));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Customers"));
    w->close();
}

TEST_F(GroupWindows, ARenameGoesThroughTheChangeRuleAndSaysSoInTheStatusBar) {
    addGroup(1, QStringLiteral("Suppliers"));
    addLink(1, 1);
    BrowseWindow *w = browse();
    QTest::keyClick(w->listControl(), Qt::Key_Return, Qt::ControlModifier);
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->findChild<QLabel *>(QStringLiteral("statusZone2"))->text(),
              QStringLiteral("Record Will Be Changed"));
    EXPECT_FALSE(f->findChild<QPushButton *>(QStringLiteral("helpButton"))->isVisible());
    f->entry(0)->setText(QStringLiteral("Vendors"));
    click(f, "okButton");
    EXPECT_EQ(groupNames(), QStringList{QStringLiteral("Vendors")});

    // Deleting the category leaves the links to it in place.
    m_messages.answer(32, Ok);
    QTest::keyClick(w->listControl(), Qt::Key_Delete);
    settle();
    EXPECT_TRUE(groupNames().isEmpty());
    EXPECT_EQ(links(), QStringList{QStringLiteral("1:Acme Tools:1")});
    w->close();
}

// The category number is an 11-digit packed decimal: numbering runs past
// 32 bits, and at the largest value it stops instead of wrapping.
TEST_F(GroupWindows, NumberingFollowsTheHighestDecimalCategoryNumber) {
    struct Case {
        std::vector<qint64> stored;
        qint64 expected; // 0: numbering gives up
    };
    const std::vector<Case> cases = {
        {{}, 1},
        {{7, 41, 3}, 42},
        {{5'000'000'000}, 5'000'000'001},
        {{99'999'999'999}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        ASSERT_TRUE(m_grp->empty().ok());
        int n = 0;
        for (qint64 ctrl : c.stored)
            addGroup(ctrl, QStringLiteral("Group %1").arg(++n));
        if (c.expected == 0)
            m_messages.answer(25, Cancel);
        engine::setGlobalRequest(Request::InsertRecord);
        RecordFormWindow *f = companies::gui::runCompanyCategoryForm(&m_caller, [] {});
        settle();
        if (c.expected == 0) {
            EXPECT_EQ(f, nullptr);
            EXPECT_EQ(m_messages.shownNumbers(), std::vector<int>{25});
            EXPECT_EQ(m_grp->records(), 1);
            m_messages.clear();
            continue;
        }
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->engine().table().record().integer(0), c.expected);
        f->entry(0)->setText(QStringLiteral("New"));
        click(f, "okButton");
        EXPECT_EQ(engine::globalResponse(), Response::RequestCompleted);
        m_grp->record().clear();
        m_grp->record().setValue(QStringLiteral("CTRL_NBR"), c.expected);
        EXPECT_TRUE(m_grp->fetch(*m_grp->def().key(QStringLiteral("CTRL_KEY"))).ok());
        EXPECT_EQ(m_grp->record().value(QStringLiteral("GROUP")).toString(), QStringLiteral("New"));
    }
}

TEST_F(GroupWindows, TheListOffersSelectOnlyAsAPickerAndTheMenuFollows) {
    BrowseWindow *empty = browse();
    EXPECT_EQ(empty->windowTitle(), QStringLiteral("Company Categories"));
    EXPECT_EQ(empty->engine().contextMenuText(), QStringLiteral("Insert|~Change|~Delete|-|~Select"));
    empty->close();
    settle();

    addGroup(1, QStringLiteral("Suppliers"));
    BrowseWindow *w = browse();
    auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("buttonTabs"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("General"));
    QStringList onTab;
    for (QPushButton *b : tabs->widget(0)->findChildren<QPushButton *>())
        onTab << b->text();
    EXPECT_EQ(onTab.size(), 4);
    for (const char *label : {"Select", "Insert", "Change", "Delete"})
        EXPECT_TRUE(onTab.contains(QString::fromLatin1(label))) << label;
    QPushButton *close = w->button(ListAction::Close);
    EXPECT_FALSE(tabs->isAncestorOf(close));
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    EXPECT_FALSE(w->button(ListAction::Select)->isEnabled());
    EXPECT_EQ(w->engine().contextMenuText(), QStringLiteral("Insert|Change|Delete|-|~Select"));
    w->close();
    settle();

    engine::setCurrentGroup(0, QStringLiteral("All"));
    addGroup(2, QStringLiteral("Customers"));
    engine::setGlobalRequest(Request::SelectRecord);
    Response answer = Response::None;
    BrowseWindow *picker =
        companies::gui::openCompanyCategoryList(&m_caller, [&] { answer = engine::globalResponse(); });
    settle();
    EXPECT_EQ(picker->engine().contextMenuText(), QStringLiteral("Insert|Change|Delete|-|Select"));
    QTest::keyClick(picker->listControl(), Qt::Key_Down);
    QTest::keyClick(picker->listControl(), Qt::Key_Return);
    settle();
    EXPECT_EQ(answer, Response::RequestCompleted);
    EXPECT_EQ(engine::currentGroup(), 1);
    EXPECT_EQ(engine::currentGroupName(), QStringLiteral("Suppliers"));
    EXPECT_EQ(m_grp->record().value(QStringLiteral("GROUP")).toString(), QStringLiteral("Suppliers"));
}

TEST_F(GroupWindows, TheFrameCommandOpensTheListToBrowse) {
    addGroup(1, QStringLiteral("Suppliers"));
    host::gui::WindowOpeners openers;
    companies::gui::registerCompanyCategories(openers);
    engine::setGlobalRequest(Request::SelectRecord); // left over: the frame opens to browse
    ASSERT_TRUE(openers.open(host::gui::FrameCommand::CompanyCategories, {}));
    settle();
    auto *w = window<BrowseWindow>(QStringLiteral("grpls"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowModality(), Qt::NonModal);
    EXPECT_FALSE(w->button(ListAction::Select)->isEnabled());
    w->close();
}

// --- The category assignment --------------------------------------------------

TEST_F(GroupWindows, AssignmentCopiesMovesAndDeletesTheHighlightedLink) {
    addGroup(1, QStringLiteral("Suppliers"));
    addGroup(2, QStringLiteral("Customers"));
    struct Case {
        const char *word;
        QString pick; // empty: the picker is closed
        QStringList after;
    };
    const std::vector<Case> cases = {
        // A copy is numbered after the highest link and carries the
        // company's current name.
        {"copy",
         QStringLiteral("Customers"),
         {QStringLiteral("3:Acme Tools:0"), QStringLiteral("5:Acme Tools:1"),
          QStringLiteral("6:Acme Tools Inc:2")}},
        // No check for a link already there: the company is then listed twice.
        {"copy",
         QStringLiteral("Suppliers"),
         {QStringLiteral("3:Acme Tools:0"), QStringLiteral("5:Acme Tools:1"),
          QStringLiteral("6:Acme Tools Inc:1")}},
        {"move",
         QStringLiteral("Customers"),
         {QStringLiteral("3:Acme Tools:0"), QStringLiteral("5:Acme Tools:2")}},
        {"move",
         QStringLiteral("Suppliers"),
         {QStringLiteral("3:Acme Tools:0"), QStringLiteral("5:Acme Tools:1")}},
        {"copy", {}, {QStringLiteral("3:Acme Tools:0"), QStringLiteral("5:Acme Tools:1")}},
        {"move", {}, {QStringLiteral("3:Acme Tools:0"), QStringLiteral("5:Acme Tools:1")}},
        {"delete", {}, {QStringLiteral("3:Acme Tools:0")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.word) + " " + c.pick.toStdString());
        ASSERT_TRUE(m_jcg->empty().ok());
        addLink(3, 0);
        addLink(5, 1);
        highlightLink(5);
        engine::setCurrentGroup(1, QStringLiteral("Suppliers"));
        EXPECT_TRUE(assign(c.word, c.pick));
        EXPECT_EQ(links(), c.after);
        EXPECT_TRUE(companies::groupActionWord().isEmpty());
        // The companies list goes on with the category it showed.
        EXPECT_EQ(engine::currentGroup(), 1);
        EXPECT_EQ(engine::currentGroupName(), QStringLiteral("Suppliers"));
        EXPECT_EQ(engine::globalResponse(), Response::RequestCancelled);
        EXPECT_TRUE(m_messages.shown().empty());
    }
}

TEST_F(GroupWindows, ACategoryNumberALinkCannotHoldIsRefused) {
    addGroup(5'000'000'000, QStringLiteral("Huge"));
    addLink(1, 0);
    highlightLink(1);
    m_messages.answer(Ok);
    EXPECT_TRUE(assign("copy", QStringLiteral("Huge")));
    ASSERT_EQ(m_messages.shown().size(), 1u);
    EXPECT_TRUE(m_messages.last().text.contains(QStringLiteral("5000000000")));
    EXPECT_EQ(links(), QStringList{QStringLiteral("1:Acme Tools:0")});
}

// --- The company-group link form ---------------------------------------------

TEST_F(GroupWindows, TheLinkFormEditsEveryFieldOfALinkFreely) {
    addLink(4, 0);
    m_jcg->record().clear();
    m_jcg->record().setValue(QStringLiteral("CMP_CTRL"), 99); // primed by the caller
    engine::setGlobalRequest(Request::InsertRecord);
    Response answer = Response::None;
    RecordFormWindow *f =
        companies::gui::runCompanyGroupLinkForm(&m_caller, [&] { answer = engine::globalResponse(); });
    settle();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Adding a QKjcg Record"));
    EXPECT_FALSE(f->findChild<QPushButton *>(QStringLiteral("helpButton"))->isVisible());
    const std::vector<std::pair<const char *, QString>> prompts = {
        {"ctrlNbrEntry", QStringLiteral("&ctrl nbr:")},
        {"companyEntry", QStringLiteral("&company:")},
        {"cmpCtrlEntry", QStringLiteral("&cmp ctrl:")},
        {"grpCtrlEntry", QStringLiteral("&grp ctrl:")}};
    for (const auto &[object, prompt] : prompts) {
        QString found;
        for (QLabel *label : f->findChildren<QLabel *>())
            if (label->buddy() == f->findChild<QWidget *>(QString::fromLatin1(object)))
                found = label->text();
        EXPECT_EQ(found, prompt) << object;
    }
    EXPECT_EQ(f->entry(0)->text().trimmed(), QStringLiteral("5"));
    EXPECT_EQ(f->entry(2)->text().trimmed(), QStringLiteral("99"));

    // Nobody checks that category 12 exists, but it must fit the field.
    f->entry(1)->setText(QStringLiteral("Someone"));
    f->entry(3)->setText(QStringLiteral("5000000000"));
    m_messages.answer(10, Ok);
    click(f, "okButton");
    EXPECT_EQ(m_messages.last().text,
              QStringLiteral("The value of jcg:grp_ctrl must be between 0 and 2147483647."));
    EXPECT_EQ(answer, Response::None);
    EXPECT_FALSE(f->entry(3)->toolTip().isEmpty());
    f->entry(3)->setText(QStringLiteral("12"));
    click(f, "okButton");
    EXPECT_EQ(answer, Response::RequestCompleted);
    EXPECT_EQ(links(), (QStringList{QStringLiteral("4:Acme Tools:0"), QStringLiteral("5:Someone:12")}));
}

// --- Layout --------------------------------------------------------------------

TEST_F(GroupWindows, EveryWindowIsWholeAtItsOpeningSizeAndAtTwiceIt) {
    addGroup(1, QStringLiteral("Suppliers"));
    addLink(1, 1);
    highlightLink(1);
    std::vector<QWidget *> windows;
    windows.push_back(browse());
    engine::setGlobalRequest(Request::InsertRecord);
    windows.push_back(companies::gui::runCompanyCategoryForm(&m_caller, [] {}));
    engine::setGlobalRequest(Request::ChangeRecord);
    windows.push_back(companies::gui::runCompanyGroupLinkForm(&m_caller, [] {}));
    settle();
    for (QWidget *w : windows) {
        ASSERT_NE(w, nullptr);
        const QSize opening = w->size();
        for (const QSize size : {opening, opening * 2}) {
            w->resize(size);
            settle();
            EXPECT_EQ(test::layoutProblems(w).join(QLatin1Char('\n')).toStdString(), "")
                << w->objectName().toStdString() << " at " << size.width() << "x" << size.height();
        }
    }
    m_messages.answer(33, No);
    windows[1]->close();
    settle();
}

} // namespace

// The companies list over real table files: adding in place with its links
// and the frame's menus, renaming, deleting, categories, and picking a
// company for a person from the names list.
#include "companies/gui/CompaniesListWindow.h"
#include "dates/PendingEvents.h"
#include "engine/EngineTestSupport.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "people/gui/NamesListWindow.h"
#include "phones/gui/DialWindow.h"
#include "shell/gui/MainFrame.h"
#include "store/MessageService.h"
#include "store/Store.h"
#include "support/UserInput.h"
#include "support/WindowTour.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <QtTest/qtestspontaneevent.h>

using namespace tabulo;
using companies::gui::CompaniesListWindow;
using store::Button::Yes;

namespace {

class CompaniesList : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        for (const char *name : {"QKcmp", "QKjcg", "QKgrp", "QKfon", "QKmem", "QKnam", "QKjnc"})
            m_tables.push_back(&store::Store::instance().use(QString::fromLatin1(name)));
    }
    void TearDown() override {
        if (m_window)
            m_window->close();
        settle();
        m_frame.reset();
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

    qint64 addGroup(const QString &name) {
        store::Record &g = t("QKgrp").record();
        g.clear();
        g.setValue(QStringLiteral("GRP:CTRL_NBR"), ++m_group);
        g.setValue(QStringLiteral("GRP:GROUP"), name);
        EXPECT_TRUE(t("QKgrp").insert().ok());
        return m_group;
    }
    void addLink(qint64 company, qint64 group, const QString &name) {
        store::Record &l = t("QKjcg").record();
        l.clear();
        l.setValue(QStringLiteral("JCG:CTRL_NBR"), ++m_link);
        l.setValue(QStringLiteral("JCG:CMP_CTRL"), company);
        l.setValue(QStringLiteral("JCG:GRP_CTRL"), group);
        l.setValue(QStringLiteral("JCG:COMPANY"), name);
        EXPECT_TRUE(t("QKjcg").insert().ok());
    }
    qint64 addCompany(const QString &name, std::vector<qint64> groups = {}, int phones = 0, int notes = 0) {
        const qint64 company = ++m_company;
        store::Record &c = t("QKcmp").record();
        c.clear();
        c.setValue(QStringLiteral("CMP:CTRL_NBR"), company);
        c.setValue(QStringLiteral("CMP:NAME"), name);
        EXPECT_TRUE(t("QKcmp").insert().ok());
        addLink(company, 0, name);
        for (qint64 g : groups)
            addLink(company, g, name);
        for (int i = 0; i < phones; ++i) {
            store::Record &f = t("QKfon").record();
            f.clear();
            f.setValue(QStringLiteral("FON:CTRL_NBR"), ++m_phone);
            f.setValue(QStringLiteral("FON:CMP_CTRL"), company);
            f.setValue(QStringLiteral("FON:LOCATION"), QStringLiteral("Desk %1").arg(i));
            EXPECT_TRUE(t("QKfon").insert().ok());
        }
        for (int i = 0; i < notes; ++i) {
            store::Record &n = t("QKmem").record();
            n.clear();
            n.setValue(QStringLiteral("MEM:CTRL_NBR"), ++m_note);
            n.setValue(QStringLiteral("MEM:CMP_CTRL"), company);
            EXPECT_TRUE(t("QKmem").insert().ok());
        }
        return company;
    }
    // (group, name copy) of every link of the company, sorted.
    std::vector<std::pair<qint64, QString>> linksOf(qint64 company) {
        store::Table &jcg = t("QKjcg");
        store::Cursor c(jcg);
        c.toStart();
        std::vector<std::pair<qint64, QString>> links;
        while (c.next().ok())
            if (jcg.record().value(QStringLiteral("CMP_CTRL")).toLongLong() == company)
                links.emplace_back(jcg.record().value(QStringLiteral("GRP_CTRL")).toLongLong(),
                                   jcg.record().value(QStringLiteral("COMPANY")).toString());
        std::sort(links.begin(), links.end());
        return links;
    }
    int countWhere(const char *table, const char *field, qint64 value) {
        store::Table &tab = t(table);
        store::Cursor c(tab);
        c.toStart();
        int n = 0;
        while (c.next().ok())
            n += tab.record().value(QString::fromLatin1(field)).toLongLong() == value ? 1 : 0;
        return n;
    }
    QStringList shown() {
        QStringList names;
        const engine::BrowseList &e = m_window->mainList()->engine();
        for (int r = 1; r <= e.rowCount(); ++r)
            names << e.row(r).texts.at(0);
        return names;
    }
    CompaniesListWindow *open() {
        m_window = CompaniesListWindow::open();
        settleCount();
        return m_window;
    }
    void leave(QLineEdit *edit, const QString &text) {
        test::typeInto(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
        settleCount();
    }
    QAbstractButton *action(const char *name) {
        return m_window->findChild<QAbstractButton *>(QLatin1String(name));
    }

    QPointer<CompaniesListWindow> m_window;
    std::unique_ptr<test::ProgramFrame> m_frame;
    std::vector<store::Table *> m_tables;
    qint64 m_company = 0, m_link = 0, m_group = 0, m_phone = 0, m_note = 0;
};

TEST_F(CompaniesList, AddingGreysTheFramesMenusAndLinksTheNewCompanyToTheCategoryAndAll) {
    const qint64 golf = addGroup(QStringLiteral("Golf"));
    addCompany(QStringLiteral("Acme"));
    m_frame = std::make_unique<test::ProgramFrame>();
    m_messages.answer(store::Button::No); // the names list the frame opens has nobody yet
    ASSERT_TRUE(m_frame->frame().start());
    settleCount();
    QAction *fileMenu = m_frame->frame().findChild<QMenu *>(QStringLiteral("menuFile"))->menuAction();
    open();
    struct Case {
        qint64 group;
        QString name;
        std::vector<qint64> links;
    };
    for (const Case &c :
         {Case{golf, QStringLiteral("Golf Co"), {0, golf}}, Case{0, QStringLiteral("Plain Co"), {0}}}) {
        SCOPED_TRACE(c.name.toStdString());
        m_window->displayCategory(c.group, c.group ? QStringLiteral("Golf") : QStringLiteral("All"));
        settleCount();
        m_window->addRecord();
        settleCount();
        EXPECT_TRUE(m_window->adding());
        EXPECT_FALSE(fileMenu->isEnabled()) << "menus greyed while adding";
        m_window->entry(QStringLiteral("CMP:NAME"))->setText(c.name);
        m_window->finishAdding(true);
        settleCount();
        EXPECT_TRUE(fileMenu->isEnabled());
        std::vector<std::pair<qint64, QString>> expected;
        for (qint64 g : c.links)
            expected.emplace_back(g, c.name);
        EXPECT_EQ(linksOf(m_company + 1), expected);
        EXPECT_TRUE(shown().contains(c.name));
        ++m_company;
    }
    // Cancel leaves no company behind, nor does closing while adding.
    for (const bool byClose : {false, true}) {
        m_window->addRecord();
        settleCount();
        const qint64 numbered = t("QKcmp").record().integer(0);
        if (byClose)
            m_window->close();
        else
            m_window->finishAdding(false);
        settleCount();
        EXPECT_EQ(countWhere("QKcmp", "CTRL_NBR", numbered), 0) << (byClose ? "close" : "cancel");
        EXPECT_TRUE(fileMenu->isEnabled());
    }
}

TEST_F(CompaniesList, RenamingRewritesEveryCategoryAndLeadingBlanksAreNoChange) {
    const qint64 a = addGroup(QStringLiteral("Alpha"));
    const qint64 b = addGroup(QStringLiteral("Beta"));
    addCompany(QStringLiteral("Baker Bros"));
    const qint64 renamed = addCompany(QStringLiteral("Cole Ltd"), {a, b});
    addCompany(QStringLiteral("Dunn Inc"));
    open();
    m_window->alphabetJump(QLatin1Char('C'));
    settleCount();
    leave(m_window->entry(QStringLiteral("CMP:NAME")), QStringLiteral("Zeta Ltd"));
    EXPECT_EQ(linksOf(renamed), (std::vector<std::pair<qint64, QString>>{{0, QStringLiteral("Zeta Ltd")},
                                                                         {a, QStringLiteral("Zeta Ltd")},
                                                                         {b, QStringLiteral("Zeta Ltd")}}));
    const engine::BrowseList &e = m_window->mainList()->engine();
    EXPECT_EQ(e.row(e.highlighted()).texts.at(0), QStringLiteral("Zeta Ltd")) << "the list stays on it";

    const QDateTime before = QFileInfo(m_dir.file(QStringLiteral("QKCMP.db"))).lastModified();
    QThread::msleep(20);
    leave(m_window->entry(QStringLiteral("CMP:BUSINESS")), QStringLiteral("   "));
    EXPECT_EQ(QFileInfo(m_dir.file(QStringLiteral("QKCMP.db"))).lastModified(), before);
}

TEST_F(CompaniesList, DeletingACompanyTakesItsPhonesNotesAndLinksButNotItsPeople) {
    const qint64 a = addGroup(QStringLiteral("Alpha"));
    const qint64 gone = addCompany(QStringLiteral("Acme"), {a}, 2, 3);
    const qint64 kept = addCompany(QStringLiteral("Zed"), {a}, 1, 1);
    store::Record &p = t("QKnam").record();
    p.clear();
    p.setValue(QStringLiteral("NAM:CTRL_NBR"), 1);
    p.setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Worker"));
    p.setValue(QStringLiteral("NAM:CMP_CTRL"), gone);
    ASSERT_TRUE(t("QKnam").insert().ok());
    open();
    m_messages.answer(Yes);
    m_window->deleteRecord();
    settleCount();
    EXPECT_EQ(countWhere("QKcmp", "CTRL_NBR", gone), 0);
    EXPECT_EQ(countWhere("QKfon", "CMP_CTRL", gone), 0);
    EXPECT_EQ(countWhere("QKmem", "CMP_CTRL", gone), 0);
    EXPECT_EQ(countWhere("QKjcg", "CMP_CTRL", gone), 0);
    EXPECT_EQ(countWhere("QKjcg", "CMP_CTRL", kept), 2);
    EXPECT_EQ(countWhere("QKnam", "CMP_CTRL", gone), 1) << "the person keeps the company number";
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Zed")});
}

TEST_F(CompaniesList, DeleteFromCategoryRemovesOnlyTheShownCategory) {
    const qint64 a = addGroup(QStringLiteral("Alpha"));
    const qint64 company = addCompany(QStringLiteral("Acme"), {a});
    open();
    EXPECT_FALSE(action("moveIcon")->isEnabled()) << "All shown";
    EXPECT_FALSE(action("removeIcon")->isEnabled()) << "All shown";
    m_window->displayCategory(a, QStringLiteral("Alpha"));
    settleCount();
    ASSERT_TRUE(action("removeIcon")->isEnabled());
    action("removeIcon")->click();
    settleCount();
    EXPECT_EQ(linksOf(company), (std::vector<std::pair<qint64, QString>>{{0, QStringLiteral("Acme")}}));
    EXPECT_TRUE(shown().isEmpty());
    m_window->showAll();
    settleCount();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Acme")});
}

TEST_F(CompaniesList, ANamesListPersonPicksAnUnknownCompanyFromThePicker) {
    addCompany(QStringLiteral("Acme"));
    const qint64 wanted = addCompany(QStringLiteral("Globex"));
    addCompany(QStringLiteral("Initech"));
    store::Record &p = t("QKnam").record();
    p.clear();
    p.setValue(QStringLiteral("NAM:CTRL_NBR"), 1);
    p.setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Worker"));
    ASSERT_TRUE(t("QKnam").insert().ok());
    store::Record &l = t("QKjnc").record();
    l.clear();
    l.setValue(QStringLiteral("JNC:CTRL_NBR"), 1);
    l.setValue(QStringLiteral("JNC:NAM_CTRL"), 1);
    l.setValue(QStringLiteral("JNC:LNAME"), QStringLiteral("Worker"));
    ASSERT_TRUE(t("QKjnc").insert().ok());
    QPointer<people::gui::NamesListWindow> names = people::gui::NamesListWindow::open();
    settleCount();
    QLineEdit *company = names->entry(QStringLiteral("CMP:NAME"));
    leave(company, QStringLiteral("Glob"));
    auto *picker = qobject_cast<CompaniesListWindow *>(test::openWindow(QStringLiteral("cmpgls")));
    ASSERT_NE(picker, nullptr);
    const engine::BrowseList &e = picker->mainList()->engine();
    ASSERT_GT(e.highlighted(), 0);
    EXPECT_EQ(e.row(e.highlighted()).texts.at(0), QStringLiteral("Globex")) << "positioned at the typed name";
    picker->findChild<QPushButton *>(QStringLiteral("selectButton"))->click();
    settleCount();
    EXPECT_EQ(countWhere("QKnam", "CMP_CTRL", wanted), 1);
    EXPECT_EQ(names->findChild<QLabel *>(QStringLiteral("workNAME"))->text(), QStringLiteral("Globex"));
    names->close();
    settleCount();
}

TEST_F(CompaniesList, TheWindowIsWholeOnEveryTabAndAtTwiceItsSize) {
    for (int i = 0; i < 30; ++i)
        addCompany(QStringLiteral("Company %1").arg(i, 2, 10, QLatin1Char('0')), {}, 2, 1);
    open();
    for (int tab = 0; tab < m_window->detailTabs()->count(); ++tab) {
        m_window->detailTabs()->setCurrentIndex(tab);
        settleCount();
        EXPECT_EQ(test::layoutProblems(m_window).join(QLatin1Char('\n')).toStdString(), "") << "tab " << tab;
    }
    m_window->resize(m_window->size() * 2);
    settleCount();
    EXPECT_EQ(test::layoutProblems(m_window).join(QLatin1Char('\n')).toStdString(), "");
}

// Enter changes the highlighted company in place and Insert adds one in
// place; either way the list stays on that company.
TEST_F(CompaniesList, EnterAndInsertWorkInPlaceAndKeepTheListOnTheCompany) {
    for (const char *name : {"Acme", "Baker Bros", "Cole Ltd", "Dunn Inc", "Eads Co"})
        addCompany(QString::fromLatin1(name));
    open();
    test::activate(m_window);
    engine::gui::PageView *view = m_window->mainList()->listControl();
    test::clickRow(view, 2);
    settleCount();
    const engine::BrowseList &e = m_window->mainList()->engine();
    ASSERT_EQ(e.row(e.highlighted()).texts.at(0), QStringLiteral("Cole Ltd"));

    QTest::keyClick(view, Qt::Key_Return);
    settleCount();
    EXPECT_EQ(e.row(e.highlighted()).texts.at(0), QStringLiteral("Cole Ltd"));
    EXPECT_TRUE(m_window->entry(QStringLiteral("CMP:NAME"))->hasFocus());

    test::clickRow(view, 2);
    QTest::keyClick(view, Qt::Key_Insert);
    settleCount();
    ASSERT_TRUE(m_window->adding()) << "Insert did not add a company";
    QTest::keyClicks(m_window->entry(QStringLiteral("CMP:NAME")), QStringLiteral("Crane Corp"));
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settleCount();
    EXPECT_FALSE(m_window->adding());
    EXPECT_EQ(e.row(e.highlighted()).texts.at(0), QStringLiteral("Crane Corp"));
}

// "Select" on the list's context menu serves a caller that asked for a
// company; in the list opened on its own it is shown disabled.
TEST_F(CompaniesList, TheContextMenusSelectIsForAPickerOnly) {
    addCompany(QStringLiteral("Acme"));
    open();
    engine::gui::PageView *view = m_window->mainList()->listControl();
    const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QSpontaneKeyEvent::setSpontaneous(&menuEvent);
    qApp->notify(view->viewport(), &menuEvent);
    QMenu *menu = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("contextMenu") && w->isVisible())
            menu = qobject_cast<QMenu *>(w);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("Select"));
    EXPECT_FALSE(menu->actions().front()->isEnabled());
    menu->close();
}

// The main phone's contact and location are shown in fields of their own.
TEST_F(CompaniesList, TheMainPhonesContactAndLocationAreSeparateFields) {
    const qint64 company = addCompany(QStringLiteral("Acme"), {}, 1);
    store::Table &fon = t("QKfon");
    fon.record().clear();
    fon.record().setInteger(0, m_phone);
    ASSERT_TRUE(fon.fetch(*fon.def().key(QStringLiteral("CTRL_KEY"))).ok());
    fon.record().setValue(QStringLiteral("FON:NAME"), QStringLiteral("Jane Roe"));
    fon.record().setValue(QStringLiteral("FON:NUMBER"), QStringLiteral("6145550100"));
    ASSERT_TRUE(fon.change().ok());
    store::Table &cmp = t("QKcmp");
    cmp.record().clear();
    cmp.record().setInteger(0, company);
    ASSERT_TRUE(cmp.fetch(*cmp.def().key(QStringLiteral("CTRL_KEY"))).ok());
    cmp.record().setValue(QStringLiteral("CMP:FON_CTRL"), m_phone);
    ASSERT_TRUE(cmp.change().ok());
    open();
    auto *contact = m_window->findChild<QLineEdit *>(QStringLiteral("contactEntry"));
    auto *location = m_window->findChild<QLineEdit *>(QStringLiteral("locationEntry"));
    ASSERT_NE(contact, nullptr);
    ASSERT_NE(location, nullptr);
    EXPECT_EQ(contact->text(), QStringLiteral("Jane Roe"));
    EXPECT_EQ(location->text(), QStringLiteral("Desk 0"));
}

// The toolbar's icons for the other lists open them, as the names list's do.
TEST_F(CompaniesList, TheToolbarOpensTheOtherLists) {
    addCompany(QStringLiteral("Acme"));
    m_frame = std::make_unique<test::ProgramFrame>();
    m_frame->frame().show();
    m_frame->frame().runCommand(host::gui::FrameCommand::CompaniesList);
    settleCount();
    m_window = CompaniesListWindow::openWindow();
    ASSERT_TRUE(m_window);
    // With no date pending the pending-events window opens nothing; as the
    // program's first check it says nothing either.
    dates::PendingEvents::resetFirstCheck();
    const std::pair<const char *, const char *> icons[] = {{"pendingIcon", nullptr},
                                                           {"callsIcon", "WhoCalled"},
                                                           {"justPhonesIcon", "fonJustPhonesBrowse"},
                                                           {"setupIcon", "setupForm"}};
    for (const auto &[icon, window] : icons) {
        SCOPED_TRACE(icon);
        QTest::mouseClick(m_window->findChild<QAbstractButton *>(QLatin1String(icon)), Qt::LeftButton);
        settleCount();
        if (window) {
            EXPECT_NE(test::openWindow(QLatin1String(window)), nullptr);
        }
        EXPECT_FALSE(
            m_frame->frame().statusBar()->currentMessage().contains(QStringLiteral("not available")));
    }
}

// A save or a lookup leaves the focus where the user went: the next field
// after a save, the phone after a city the index knows.
TEST_F(CompaniesList, TheFocusStaysWhereTheUserIs) {
    store::Table &zip = store::Store::instance().use(QStringLiteral("QKzip"));
    store::Record &z = zip.record();
    z.clear();
    z.setValue(QStringLiteral("ZIP:CTRL_NBR"), 1);
    z.setValue(QStringLiteral("ZIP:CITY"), QStringLiteral("Dayton"));
    z.setValue(QStringLiteral("ZIP:STATE"), QStringLiteral("OH"));
    z.setValue(QStringLiteral("ZIP:ZIP"), QStringLiteral("45402"));
    ASSERT_TRUE(zip.insert().ok());
    const qint64 company = addCompany(QStringLiteral("Acme"));
    open();
    leave(m_window->entry(QStringLiteral("CMP:BUSINESS")), QStringLiteral("Tools"));
    EXPECT_TRUE(m_window->entry(QStringLiteral("CMP:ADDR1"))->hasFocus())
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
    leave(m_window->entry(QStringLiteral("CMP:CITY")), QStringLiteral("Dayton"));
    EXPECT_TRUE(m_window->entry(QStringLiteral("PHONE"))->hasFocus())
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
    store::Table &cmp = t("QKcmp");
    cmp.record().clear();
    cmp.record().setInteger(0, company);
    ASSERT_TRUE(cmp.fetch(*cmp.def().key(QStringLiteral("CTRL_KEY"))).ok());
    EXPECT_EQ(cmp.record().value(QStringLiteral("BUSINESS")).toString(), QStringLiteral("Tools"));
    EXPECT_EQ(cmp.record().value(QStringLiteral("STATE")).toString(), QStringLiteral("OH"));
    EXPECT_EQ(cmp.record().value(QStringLiteral("ZIP")).toString(), QStringLiteral("45402"));
    store::Store::instance().release(QStringLiteral("QKzip"));
}

// The Phones tab's Dial button hands the highlighted phone to the dial
// window with the company's caller label.
TEST_F(CompaniesList, DialOpensThePhoneDialWindowForTheHighlightedPhone) {
    addCompany(QStringLiteral("Acme"), {}, 1);
    open();
    test::activate(m_window);
    QTabBar *bar = m_window->detailTabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    settleCount();
    auto *dial = m_window->findChild<QPushButton *>(QStringLiteral("dialButton"));
    ASSERT_NE(dial, nullptr);
    dial->click(); // hidden, as the window defines it: no mouse reaches it
    settleCount();
    auto *window = qobject_cast<phones::gui::DialWindow *>(test::openWindow(QStringLiteral("phoneDial")));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->request().callerLabel, QStringLiteral("Acme Desk 0"));
    EXPECT_EQ(window->request().locationLabel, QStringLiteral("Desk 0"));
    window->close();
}

} // namespace

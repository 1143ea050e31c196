// The find window over real table files: results as the user pauses, a
// newer search superseding an older one, each kind of hit opened where its
// record lives, the ways to open the window, and the search index built at
// the frame's start.
#include "search/gui/SearchWindow.h"
#include "base/Clock.h"
#include "companies/gui/CompaniesListWindow.h"
#include "engine/BrowseList.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "host/SetupSource.h"
#include "people/gui/NamesListWindow.h"
#include "phones/gui/JustPhonesWindows.h"
#include "search/SearchIndexBuild.h"
#include "search/gui/MatchDelegate.h"
#include "search/gui/SearchRunner.h"
#include "shell/gui/MainFrame.h"
#include "store/Store.h"
#include "support/SampleData.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDataDir.h"
#include "support/WindowTour.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

using namespace tabulo;
using host::gui::FrameCommand;
using search::HitKind;
using search::gui::SearchWindow;
using test::openWindow;
using test::settleEvents;

namespace {

constexpr int kWaitMs = 10000;

// Records the test adds to the sample data, each found by one word.
constexpr qint64 kNotedPerson = 7;
constexpr qint64 kPersonNote = 9001;
constexpr qint64 kNotedCompany = 4;
constexpr qint64 kCompanyNote = 9002;
constexpr qint64 kCall = 9003;

store::Table &table(const char *name) {
    return store::Store::instance().table(QString::fromLatin1(name));
}

void addNote(qint64 ctrl, const char *ownerField, qint64 owner, const QString &text) {
    store::Table &mem = store::Store::instance().use(QStringLiteral("QKmem"));
    mem.record().clear();
    mem.record().setValue(QStringLiteral("MEM:CTRL_NBR"), ctrl);
    mem.record().setValue(QString::fromLatin1(ownerField), owner);
    mem.record().setValue(QStringLiteral("MEM:DATE"), 80000);
    mem.record().setMemo(text);
    ASSERT_TRUE(mem.insert().ok());
    store::Store::instance().release(QStringLiteral("QKmem"));
}

void addCall(qint64 ctrl, const QString &lastName) {
    store::Table &inc = store::Store::instance().use(QStringLiteral("QKinc"));
    inc.record().clear();
    inc.record().setValue(QStringLiteral("INC:CTRL_NBR"), ctrl);
    inc.record().setValue(QStringLiteral("INC:LASTNAME"), lastName);
    inc.record().setValue(QStringLiteral("INC:FIRSTNAME"), QStringLiteral("Alonso"));
    inc.record().setValue(QStringLiteral("INC:CALLERDATE"), 80000);
    ASSERT_TRUE(inc.insert().ok());
    store::Store::instance().release(QStringLiteral("QKinc"));
}

// Takes a file's search index away, as a file made before the index was
// kept has none.
void dropSearchIndex(const char *tableName) {
    store::Store &store = store::Store::instance();
    const QString path = store.table(QString::fromLatin1(tableName)).filePath();
    store.closeAll();
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    std::vector<std::pair<std::string, std::string>> objects; // kind, name
    sqlite3_stmt *list = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT type,name FROM sqlite_master WHERE name LIKE 's\\_%' ESCAPE '\\' "
                                 "ORDER BY type='trigger' DESC, sql LIKE 'CREATE VIRTUAL%' DESC",
                                 -1, &list, nullptr),
              SQLITE_OK);
    while (sqlite3_step(list) == SQLITE_ROW)
        objects.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(list, 0)),
                             reinterpret_cast<const char *>(sqlite3_column_text(list, 1)));
    sqlite3_finalize(list);
    ASSERT_FALSE(objects.empty()) << tableName << " keeps no search index";
    for (const auto &[kind, name] : objects) {
        // Names read from the file's own schema, quoted as identifiers.
        const std::string drop =
            (kind == "trigger" ? "DROP TRIGGER IF EXISTS \"" : "DROP TABLE IF EXISTS \"") + name + "\"";
        ASSERT_EQ(sqlite3_exec(db, drop.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << drop;
    }
    sqlite3_close(db);
}

class SearchWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        store::Store::instance().setDirectory(m_dir.path());
        engine::resetGlobals();
        dates::Clock::setCurrent(&m_clock);
        test::fillSampleData(m_clock.today(), 60);
        addNote(kPersonNote, "MEM:NAM_CTRL", kNotedPerson, QStringLiteral("Discussed the zeppelin order."));
        addNote(kCompanyNote, "MEM:CMP_CTRL", kNotedCompany,
                QStringLiteral("Invoice for kumquats, paid late."));
        addCall(kCall, QStringLiteral("Quixote"));
    }
    void TearDown() override {
        if (m_program) {
            const auto subs = frame().mdiArea()->subWindowList(QMdiArea::CreationOrder);
            for (auto it = subs.crbegin(); it != subs.crend(); ++it)
                (*it)->close();
            settleEvents();
            m_program.reset();
        }
        m_messages.expectAllAnswered();
        store::Store::instance().closeAll();
        dates::Clock::setCurrent(nullptr);
    }

    void startProgram() {
        m_program = std::make_unique<test::ProgramFrame>();
        frame().resize(1400, 900);
        frame().show();
        // Its shortcuts work in the active window.
        frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    }
    shell::gui::MainFrame &frame() { return m_program->frame(); }

    SearchWindow *openFind() {
        frame().runCommand(FrameCommand::Find);
        settleEvents();
        return SearchWindow::openWindow();
    }

    // Waits for the window's next results.
    static bool waitForResults(SearchWindow *window) {
        QSignalSpy shown(window, &SearchWindow::resultsShown);
        return shown.wait(kWaitMs);
    }

    static QStringList headings(const QTreeWidget *view) {
        QStringList out;
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            out << view->topLevelItem(i)->text(0);
        return out;
    }

    test::TempDataDir m_dir;
    dates::FixedClock m_clock{QDateTime(QDate(2026, 12, 8), QTime(9, 30))};
    test::ScriptedMessageService m_messages;
    test::ScopedMessageService m_scope{m_messages};
    std::unique_ptr<test::ProgramFrame> m_program;
};

TEST_F(SearchWindowTest, TypingShowsGroupedResultsAfterThePause) {
    startProgram();
    SearchWindow *window = openFind();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Find"));
    EXPECT_TRUE(window->entry()->hasFocus());

    QTest::keyClicks(window->entry(), QStringLiteral("Bob"));
    // Nothing is searched while the user may still be typing.
    EXPECT_TRUE(window->searching());
    EXPECT_EQ(window->resultsView()->topLevelItemCount(), 0);
    EXPECT_EQ(window->statusLine()->text(), QStringLiteral("Searching..."));
    ASSERT_TRUE(waitForResults(window));

    const search::SearchResults &results = window->shownResults();
    EXPECT_EQ(window->shownText(), QStringLiteral("Bob"));
    // Bob is a first name of people and of callers, and a word of notes.
    QStringList expected;
    for (HitKind kind : {HitKind::Person, HitKind::Note, HitKind::Call}) {
        ASSERT_GT(results.count(kind), 0) << search::hitKindTitle(kind).toStdString();
        expected << QStringLiteral("%1 (%2%3)")
                        .arg(search::hitKindTitle(kind))
                        .arg(results.count(kind))
                        .arg(results.more[static_cast<size_t>(kind)] ? QStringLiteral("+") : QString());
    }
    EXPECT_EQ(headings(window->resultsView()), expected);
    // Every row: the record's title, and what else it matched, with "Bob"
    // marked where it matched.
    int rows = 0;
    for (int g = 0; g < window->resultsView()->topLevelItemCount(); ++g) {
        const QTreeWidgetItem *group = window->resultsView()->topLevelItem(g);
        for (int r = 0; r < group->childCount(); ++r, ++rows) {
            const QTreeWidgetItem *row = group->child(r);
            EXPECT_FALSE(row->text(0).isEmpty());
            int marked = 0;
            for (int column : {0, 1}) {
                for (const QVariant &v : row->data(column, search::gui::MatchDelegate::MarksRole).toList()) {
                    const QPoint mark = v.toPoint();
                    EXPECT_EQ(row->text(column).mid(mark.x(), mark.y()).toLower(), QStringLiteral("bob"))
                        << row->text(column).toStdString();
                    ++marked;
                }
            }
            EXPECT_GT(marked, 0) << row->text(0).toStdString() << " | " << row->text(1).toStdString();
        }
    }
    EXPECT_EQ(rows, static_cast<int>(results.hits.size()));
    // The view shows whole rows, at the opening size and enlarged.
    for (const double scale : {1.0, 1.5}) {
        QWidget *outer = test::outerWindow(window);
        outer->resize(outer->size() * scale);
        settleEvents();
        QTreeWidget *view = window->resultsView();
        EXPECT_EQ(view->viewport()->height() % window->rowHeight(), 0)
            << view->viewport()->height() << " high, rows of " << window->rowHeight();
        EXPECT_GE(view->viewport()->height() / window->rowHeight(), 6);
    }
    const bool more = std::any_of(results.more.cbegin(), results.more.cend(), [](bool m) { return m; });
    EXPECT_EQ(
        window->statusLine()->text(),
        QStringLiteral("%1%2 matches").arg(results.hits.size()).arg(more ? QStringLiteral("+") : QString()));

    // A word found nowhere says so.
    window->entry()->selectAll();
    QTest::keyClicks(window->entry(), QStringLiteral("xylophonist"));
    ASSERT_TRUE(waitForResults(window));
    EXPECT_EQ(window->resultsView()->topLevelItemCount(), 0);
    EXPECT_EQ(window->statusLine()->text(), QStringLiteral("No matches"));
}

TEST_F(SearchWindowTest, ANewerSearchSupersedesTheOneRunning) {
    startProgram();
    SearchWindow *window = openFind();
    ASSERT_NE(window, nullptr);
    QSignalSpy shown(window, &SearchWindow::resultsShown);
    window->searchNow(QStringLiteral("spring")); // running, hundreds of hits
    QTest::keyClicks(window->entry(), QStringLiteral(" zzz"));
    window->entry()->selectAll();
    QTest::keyClicks(window->entry(), QStringLiteral("Pizza"));
    ASSERT_TRUE(shown.wait(kWaitMs));
    // Later results would come soon after; none does.
    QTest::qWait(2 * SearchWindow::kPauseMs);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(window->shownText(), QStringLiteral("Pizza"));
    ASSERT_EQ(window->shownResults().hits.size(), 1u);
    EXPECT_EQ(window->shownResults().hits.front().kind, HitKind::JustPhone);
    EXPECT_EQ(QStringList(headings(window->resultsView())), QStringList{QStringLiteral("Just Phones (1)")});
}

TEST_F(SearchWindowTest, ClosingTheWindowDuringASearchIsClean) {
    startProgram();
    SearchWindow *window = openFind();
    ASSERT_NE(window, nullptr);
    window->searchNow(QStringLiteral("spring"));
    QPointer<SearchWindow> guard(window);
    engine::gui::WindowHost::frameOf(window)->close();
    settleEvents();
    EXPECT_TRUE(guard.isNull());
    QTest::qWait(200);
    settleEvents();

    // A runner destroyed in the middle of a search ends its thread with it.
    auto *busy = new search::gui::SearchRunner(m_dir.path());
    busy->search(QStringLiteral("spring"));
    EXPECT_TRUE(busy->running());
    delete busy;
}

// Where each kind of hit opens, and how the test knows it is there.
struct OpenCase {
    const char *name;
    const char *query;
    HitKind kind;
    qint64 ctrl;
    std::function<void()> check;
};

void PrintTo(const OpenCase &c, std::ostream *os) {
    *os << c.name;
}

void expectNamesListOn(qint64 person, int tab, const QString &memo = {}) {
    people::gui::NamesListWindow *names = people::gui::NamesListWindow::openWindow();
    ASSERT_NE(names, nullptr) << "the names list did not open";
    EXPECT_EQ(engine::currentCategory(), 0) << "not showing All";
    const engine::BrowseList &list = names->mainList()->engine();
    ASSERT_GT(list.highlighted(), 0);
    EXPECT_EQ(table("QKnam").record().integer(0), person);
    EXPECT_EQ(names->detailTabs()->currentIndex(), tab);
    if (!memo.isEmpty()) {
        EXPECT_EQ(names->findChild<QPlainTextEdit *>(QStringLiteral("memoText"))->toPlainText(), memo);
    }
}

void expectCompaniesListOn(qint64 company, int tab, const QString &memo = {}) {
    companies::gui::CompaniesListWindow *list = companies::gui::CompaniesListWindow::openWindow();
    ASSERT_NE(list, nullptr) << "the companies list did not open";
    EXPECT_EQ(engine::currentGroup(), 0) << "not showing All";
    EXPECT_EQ(table("QKcmp").record().integer(0), company);
    EXPECT_EQ(list->detailTabs()->currentIndex(), tab);
    if (!memo.isEmpty()) {
        EXPECT_EQ(list->findChild<QPlainTextEdit *>(QStringLiteral("memoText"))->toPlainText(), memo);
    }
}

const OpenCase kOpenCases[] = {
    {"Person", "Fisher17", HitKind::Person, 17, [] { expectNamesListOn(17, 0); }},
    {"Company", "Initech 8", HitKind::Company, 8, [] { expectCompaniesListOn(8, 0); }},
    {"PersonNote", "zeppelin", HitKind::Note, kPersonNote,
     [] { expectNamesListOn(kNotedPerson, 2, QStringLiteral("Discussed the zeppelin order.")); }},
    {"CompanyNote", "kumquats", HitKind::Note, kCompanyNote,
     [] { expectCompaniesListOn(kNotedCompany, 2, QStringLiteral("Invoice for kumquats, paid late.")); }},
    {"Call", "Quixote", HitKind::Call, kCall,
     [] {
         QWidget *form = openWindow(QStringLiteral("incUpdate"));
         ASSERT_NE(form, nullptr) << "the call form did not open";
         EXPECT_EQ(form->findChild<QLineEdit *>(QStringLiteral("lastNameEntry"))->text(),
                   QStringLiteral("Quixote"));
         auto *callForm = static_cast<engine::gui::RecordFormWindow *>(form);
         EXPECT_EQ(callForm->engine().request(), engine::Request::ChangeRecord);
     }},
    {"JustPhone", "Pizza", HitKind::JustPhone, 100000,
     [] {
         QWidget *list = openWindow(QStringLiteral("fonJustPhonesBrowse"));
         ASSERT_NE(list, nullptr) << "the just-phones list did not open";
         auto *phones = static_cast<phones::gui::JustPhonesListWindow *>(list);
         ASSERT_GT(phones->engine().highlighted(), 0);
         EXPECT_EQ(table("QKfon").record().integer(0), 100000);
         EXPECT_EQ(table("QKfon").record().value(QStringLiteral("FON:JUSTPHONESNAME")).toString().trimmed(),
                   QStringLiteral("Pizza Palace"));
     }},
};

class OpenHitTest : public SearchWindowTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenHitTest, EnterOpensTheRecordWhereItLives) {
    const OpenCase &c = GetParam();
    startProgram();
    SearchWindow *window = openFind();
    ASSERT_NE(window, nullptr);
    QTest::keyClicks(window->entry(), QString::fromLatin1(c.query));
    ASSERT_TRUE(waitForResults(window));
    // The row of the wanted record, made current as the user would.
    QTreeWidgetItem *wanted = nullptr;
    const search::SearchResults &results = window->shownResults();
    for (int g = 0; g < window->resultsView()->topLevelItemCount() && !wanted; ++g) {
        QTreeWidgetItem *group = window->resultsView()->topLevelItem(g);
        for (int r = 0; r < group->childCount(); ++r) {
            const int at = group->child(r)->data(0, Qt::UserRole + 1).toInt();
            const search::SearchHit &hit = results.hits.at(static_cast<size_t>(at));
            if (hit.kind == c.kind && hit.ctrl == c.ctrl) {
                wanted = group->child(r);
                break;
            }
        }
    }
    ASSERT_NE(wanted, nullptr) << "no " << search::hitKindTitle(c.kind).toStdString() << " hit " << c.ctrl;
    window->resultsView()->setCurrentItem(wanted);
    window->resultsView()->setFocus();
    QTest::keyClick(window->resultsView(), Qt::Key_Return);
    settleEvents();
    c.check();
}

INSTANTIATE_TEST_SUITE_P(EveryKind, OpenHitTest, ::testing::ValuesIn(kOpenCases),
                         [](const ::testing::TestParamInfo<OpenCase> &info) {
                             return std::string(info.param.name);
                         });

TEST_F(SearchWindowTest, DoubleClickOpensTheRowAsEnterDoes) {
    startProgram();
    SearchWindow *window = openFind();
    ASSERT_NE(window, nullptr);
    QTest::keyClicks(window->entry(), QStringLiteral("Pizza"));
    ASSERT_TRUE(waitForResults(window));
    QTreeWidgetItem *row = window->resultsView()->topLevelItem(0)->child(0);
    const QRect place = window->resultsView()->visualItemRect(row);
    // A user's double click starts with a click of its own.
    QTest::mouseClick(window->resultsView()->viewport(), Qt::LeftButton, {}, place.center());
    QTest::mouseDClick(window->resultsView()->viewport(), Qt::LeftButton, {}, place.center());
    settleEvents();
    EXPECT_NE(openWindow(QStringLiteral("fonJustPhonesBrowse")), nullptr);
    EXPECT_EQ(table("QKfon").record().integer(0), 100000);
}

TEST_F(SearchWindowTest, AHitWhoseRecordIsGoneSaysSoAndOpensNothingWrong) {
    startProgram();
    SearchWindow *window = openFind();
    ASSERT_NE(window, nullptr);
    const struct {
        HitKind kind;
        HitKind ownerKind;
        qint64 ownerCtrl;
    } kinds[] = {{HitKind::Person, HitKind::Person, 0}, {HitKind::Company, HitKind::Person, 0},
                 {HitKind::Note, HitKind::Person, 17},  {HitKind::Note, HitKind::Company, 8},
                 {HitKind::Call, HitKind::Person, 0},   {HitKind::JustPhone, HitKind::Person, 0}};
    for (const auto &k : kinds) {
        SCOPED_TRACE(search::hitKindTitle(k.kind).toStdString());
        search::SearchHit gone;
        gone.kind = k.kind;
        gone.ctrl = 987654;
        gone.ownerKind = k.ownerKind;
        gone.ownerCtrl = k.ownerCtrl;
        window->statusLine()->clear();
        EXPECT_FALSE(window->openHit(gone));
        EXPECT_EQ(window->statusLine()->text(),
                  QStringLiteral("The record could not be shown; it may have been deleted."));
        EXPECT_EQ(openWindow(QStringLiteral("incUpdate")), nullptr) << "a form opened on nothing";
    }
}

// The ways to the one find window.
struct OpenWay {
    const char *name;
    std::function<void(shell::gui::MainFrame &)> open;
};

void PrintTo(const OpenWay &c, std::ostream *os) {
    *os << c.name;
}

void pressIcon(shell::gui::MainFrame &frame, FrameCommand list, const char *window) {
    frame.runCommand(list);
    settleEvents();
    QWidget *w = openWindow(QString::fromLatin1(window));
    ASSERT_NE(w, nullptr);
    auto *icon = w->findChild<QToolButton *>(QStringLiteral("findIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->text(), QStringLiteral("Find..."));
    icon->click();
}

const OpenWay kOpenWays[] = {
    {"EditMenuItem", [](shell::gui::MainFrame &frame) { frame.action(FrameCommand::Find)->trigger(); }},
    {"CtrlF", [](shell::gui::MainFrame &frame) { QTest::keyClick(&frame, Qt::Key_F, Qt::ControlModifier); }},
    {"NamesListIcon",
     [](shell::gui::MainFrame &frame) { pressIcon(frame, FrameCommand::NamesList, "namclstag"); }},
    {"CompaniesListIcon",
     [](shell::gui::MainFrame &frame) { pressIcon(frame, FrameCommand::CompaniesList, "cmpgls"); }},
};

class OpenWayTest : public SearchWindowTest, public ::testing::WithParamInterface<OpenWay> {};

TEST_P(OpenWayTest, OpensOneWindowAndBringsItForwardTheSecondTime) {
    startProgram();
    frame().activateWindow();
    GetParam().open(frame());
    settleEvents();
    SearchWindow *first = SearchWindow::openWindow();
    ASSERT_NE(first, nullptr);
    QMdiSubWindow *sub = engine::gui::WindowHost::subWindowOf(first);
    ASSERT_NE(sub, nullptr) << "not a window of the frame";
    EXPECT_EQ(frame().mdiArea()->activeSubWindow(), sub);
    first->entry()->setText(QStringLiteral("Baker"));

    // Another window comes in front; asking again brings the same one back
    // with its text selected, ready to be typed over.
    frame().runCommand(FrameCommand::NameCategories);
    settleEvents();
    ASSERT_NE(frame().mdiArea()->activeSubWindow(), sub);
    GetParam().open(frame());
    settleEvents();
    EXPECT_EQ(SearchWindow::openWindow(), first);
    EXPECT_EQ(frame().mdiArea()->activeSubWindow(), sub);
    EXPECT_EQ(first->entry()->selectedText(), QStringLiteral("Baker"));
    int finds = 0;
    for (QMdiSubWindow *s : frame().mdiArea()->subWindowList())
        finds += s->widget() && s->widget()->objectName() == QStringLiteral("findWindow");
    EXPECT_EQ(finds, 1);
}

INSTANTIATE_TEST_SUITE_P(EveryWay, OpenWayTest, ::testing::ValuesIn(kOpenWays),
                         [](const ::testing::TestParamInfo<OpenWay> &info) {
                             return std::string(info.param.name);
                         });

// The frame's start over a data directory whose files lack their index.
class NoSetup final : public host::SetupSource {
public:
    Outcome prepare() override { return {true, {}, {}}; }
    void release() override {}
};

struct StartCase {
    const char *name;
    std::vector<const char *> withoutIndex;
    bool cancel;
    const char *message; // the closing message; null: none shown
    QStringList missingAfter;
};

void PrintTo(const StartCase &c, std::ostream *os) {
    *os << c.name;
}

const StartCase kStartCases[] = {
    {"CompleteIndexIsLeftAlone", {}, false, nullptr, {}},
    {"MissingIndexIsBuilt",
     {"QKnam", "QKinc"},
     false,
     "The search index was built: 121 records in 2 files.",
     {}},
    {"CancelLeavesItMissing",
     {"QKnam", "QKinc"},
     true,
     "The search index was not built; it will be built the next time.",
     {QStringLiteral("QKnam"), QStringLiteral("QKinc")}},
};

class StartIndexTest : public SearchWindowTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartIndexTest, TheFrameBuildsAMissingIndexBeforeItsFirstWindows) {
    const StartCase &c = GetParam();
    for (const char *name : c.withoutIndex)
        dropSearchIndex(name);
    store::Store::instance().closeAll();
    ASSERT_EQ(search::tablesWithoutSearchIndex(store::Store::instance()).size(),
              static_cast<qsizetype>(c.withoutIndex.size()));

    NoSetup setup;
    shell::gui::MainFrame::Services services;
    services.setup = &setup;
    services.formatD3 = [](int) { return QString(); };
    services.settingsFile = m_dir.file(QStringLiteral("QK.INI"));
    auto frame = std::make_unique<shell::gui::MainFrame>(services);
    QStringList order;
    bool progressShown = false;
    QString percent;
    frame->openers().set(FrameCommand::NamesList,
                         [&](const host::gui::FrameContext &) { order << QStringLiteral("names"); });
    frame->openers().set(FrameCommand::PendingDatesList, [](const host::gui::FrameContext &) {});
    search::gui::registerSearchWindow(frame->openers());
    // The progress window as the build shows it; Cancel pressed on it.
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget *progress = openWindow(QStringLiteral("searchIndexProgress"));
        if (!progress || progressShown)
            return;
        progressShown = true;
        EXPECT_EQ(progress->windowTitle(), QStringLiteral("Building the search index"));
        percent = progress->findChild<QLabel *>(QStringLiteral("percentText"))->text();
        if (c.cancel)
            progress->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    });
    watch.start();
    if (c.message)
        m_messages.answer(store::Button::Ok);
    ASSERT_TRUE(frame->start());
    watch.stop();
    settleEvents();
    order << QStringLiteral("after start");

    EXPECT_EQ(progressShown, !c.withoutIndex.empty());
    if (progressShown) {
        EXPECT_TRUE(percent.endsWith(QStringLiteral("% Completed"))) << percent.toStdString();
    }
    if (c.message) {
        const store::MessageBox box = m_messages.last();
        EXPECT_EQ(box.text, QString::fromLatin1(c.message));
        EXPECT_EQ(box.icon, store::MessageIcon::Information);
    } else {
        EXPECT_TRUE(m_messages.shown().empty());
    }
    // The build came first: the names list opened after it.
    EXPECT_EQ(order, (QStringList{QStringLiteral("names"), QStringLiteral("after start")}));
    EXPECT_EQ(openWindow(QStringLiteral("searchIndexProgress")), nullptr) << "the progress window stayed";
    EXPECT_EQ(search::tablesWithoutSearchIndex(store::Store::instance()), c.missingAfter);
    frame->close();
    frame.reset();
    settleEvents();
}

INSTANTIATE_TEST_SUITE_P(Start, StartIndexTest, ::testing::ValuesIn(kStartCases),
                         [](const ::testing::TestParamInfo<StartCase> &info) {
                             return std::string(info.param.name);
                         });

TEST_F(SearchWindowTest, TheFindWindowOffersToBuildAMissingIndex) {
    dropSearchIndex("QKfon");
    startProgram();
    SearchWindow *window = openFind();
    ASSERT_NE(window, nullptr);
    auto *notice = window->findChild<QLabel *>(QStringLiteral("findNotice"));
    auto *build = window->findChild<QPushButton *>(QStringLiteral("buildIndexButton"));
    QTest::keyClicks(window->entry(), QStringLiteral("Pizza"));
    ASSERT_TRUE(waitForResults(window));
    // The phones are not searched, and the window says so.
    EXPECT_TRUE(window->shownResults().hits.empty());
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().contains(QStringLiteral("QKFON"), Qt::CaseInsensitive))
        << notice->text().toStdString();
    ASSERT_TRUE(build->isVisible());

    m_messages.answer(store::Button::Ok);
    QSignalSpy shown(window, &SearchWindow::resultsShown);
    build->click();
    EXPECT_TRUE(m_messages.last().text.startsWith(QStringLiteral("The search index was built:")))
        << m_messages.last().text.toStdString();
    ASSERT_TRUE(shown.count() > 0 || shown.wait(kWaitMs));
    EXPECT_FALSE(notice->isVisible());
    EXPECT_FALSE(build->isVisible());
    ASSERT_EQ(window->shownResults().hits.size(), 1u);
    EXPECT_EQ(window->shownResults().hits.front().kind, HitKind::JustPhone);
}

TEST_F(SearchWindowTest, ADamagedIndexIsOfferedTheRepairAndSearchedAgain) {
    {
        // Words of the people's index lost behind the records' back.
        store::Store &store = store::Store::instance();
        const QString path = store.table(QStringLiteral("QKnam")).filePath();
        store.closeAll();
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "DELETE FROM s_w_data WHERE id>10", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    startProgram();
    SearchWindow *window = openFind();
    ASSERT_NE(window, nullptr);
    QSignalSpy shown(window, &SearchWindow::resultsShown);
    m_messages.answer(2, store::Button::Yes);
    QTest::keyClicks(window->entry(), QStringLiteral("Fisher17"));
    ASSERT_TRUE(shown.wait(kWaitMs));
    EXPECT_TRUE(window->shownResults().damaged);
    // The repair is offered with the standard message, and the search runs
    // again over the rebuilt index.
    ASSERT_TRUE(shown.wait(kWaitMs));
    EXPECT_EQ(m_messages.shownNumbers(), std::vector<int>{2});
    EXPECT_FALSE(window->shownResults().damaged);
    ASSERT_EQ(window->shownResults().count(HitKind::Person), 1);
    EXPECT_EQ(window->shownResults().hits.front().ctrl, 17);
}

TEST(MatchDelegate, SplitsTextIntoMarkedAndPlainRuns) {
    using Runs = std::vector<std::pair<QString, bool>>;
    struct Case {
        QString text;
        std::vector<std::pair<int, int>> marks;
        Runs runs;
    };
    const Case cases[] = {
        {QStringLiteral("12 Main Street"),
         {{3, 4}},
         {{QStringLiteral("12 "), false},
          {QStringLiteral("Main"), true},
          {QStringLiteral(" Street"), false}}},
        {QStringLiteral("Bob Bob"),
         {{0, 3}, {4, 3}},
         {{QStringLiteral("Bob"), true}, {QStringLiteral(" "), false}, {QStringLiteral("Bob"), true}}},
        // Overlapping and touching marks make one run.
        {QStringLiteral("abcdef"),
         {{0, 3}, {2, 2}},
         {{QStringLiteral("abcd"), true}, {QStringLiteral("ef"), false}}},
        // Marks past the end are cut at it; none leaves the text plain.
        {QStringLiteral("abc"), {{1, 99}}, {{QStringLiteral("a"), false}, {QStringLiteral("bc"), true}}},
        {QStringLiteral("abc"), {{-5, 2}, {7, 2}}, {{QStringLiteral("abc"), false}}},
        {QString(), {{0, 3}}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(search::gui::MatchDelegate::runs(c.text, c.marks), c.runs) << c.text.toStdString();
}

} // namespace

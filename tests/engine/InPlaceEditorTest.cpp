// A field typed beside the names list or the companies list lands in the
// record it was typed for, whatever the user does next: every way of moving
// the highlight or ending the window, done with mouse and keyboard as a user
// does it, and read back through a connection of the test's own.
#include "companies/gui/CompaniesListWindow.h"
#include "engine/EngineTestSupport.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/WindowHost.h"
#include "people/gui/NamesListWindow.h"
#include "shell/gui/MainFrame.h"
#include "store/Dictionary.h"
#include "support/QStringPrinter.h"
#include "support/UserInput.h"
#include "support/WindowTour.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <optional>
#include <sqlite3.h>

using namespace tabulo;
using companies::gui::CompaniesListWindow;
using host::gui::FrameCommand;
using people::gui::NamesListWindow;

namespace {

const QString kTyped = QStringLiteral("Typed beside the list");
// Last names in order, their initials spread over the alphabet.
const char *const kNames[] = {"Abbott", "Baker",  "Carter", "Dalton",  "Ellis",  "Fisher", "Garcia", "Harris",
                              "Irwin",  "Jensen", "Keller", "Lambert", "Morgan", "Nolan",  "Owens",  "Parker",
                              "Quinn",  "Reyes",  "Sutton", "Turner",  "Upton",  "Vaughn", "Walker", "Xavier",
                              "Young",  "Zimmer", "Zorn",   "Zuber",   "Zwick",  "Zylstra"};
constexpr int kRecords = std::size(kNames);

enum class Path {
    Wheel,
    OtherRow,
    Letter,
    TagButton,
    AllIcon,
    Label,
    DetailTab,
    PageDown,
    CtrlEnd,
    OtherSubWindow,
    CloseSubWindow,
    CloseButton,
    CloseFrame,
    ExitIcon,
    TabThenClose,
};

struct Case {
    const char *name;
    bool companies;
    Path path;
    bool closes; // the list window is gone afterwards
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.name;
}

const Case kCases[] = {
    {"NamesWheel", false, Path::Wheel, false},
    {"NamesOtherRow", false, Path::OtherRow, false},
    {"NamesLetter", false, Path::Letter, false},
    {"NamesTagButton", false, Path::TagButton, false},
    {"NamesAllIcon", false, Path::AllIcon, false},
    {"NamesLabel", false, Path::Label, false},
    {"NamesDetailTab", false, Path::DetailTab, false},
    {"NamesPageDown", false, Path::PageDown, false},
    {"NamesCtrlEnd", false, Path::CtrlEnd, false},
    {"NamesOtherSubWindow", false, Path::OtherSubWindow, false},
    {"NamesCloseSubWindow", false, Path::CloseSubWindow, true},
    {"NamesCloseButton", false, Path::CloseButton, true},
    {"NamesCloseFrame", false, Path::CloseFrame, true},
    {"NamesExitIcon", false, Path::ExitIcon, true},
    {"NamesTabThenClose", false, Path::TabThenClose, true},
    {"CompaniesWheel", true, Path::Wheel, false},
    {"CompaniesOtherRow", true, Path::OtherRow, false},
    {"CompaniesLetter", true, Path::Letter, false},
    {"CompaniesAllIcon", true, Path::AllIcon, false},
    {"CompaniesLabel", true, Path::Label, false},
    {"CompaniesDetailTab", true, Path::DetailTab, false},
    {"CompaniesPageDown", true, Path::PageDown, false},
    {"CompaniesCtrlEnd", true, Path::CtrlEnd, false},
    {"CompaniesOtherSubWindow", true, Path::OtherSubWindow, false},
    {"CompaniesCloseSubWindow", true, Path::CloseSubWindow, true},
    {"CompaniesCloseButton", true, Path::CloseButton, true},
    {"CompaniesCloseFrame", true, Path::CloseFrame, true},
    {"CompaniesExitIcon", true, Path::ExitIcon, true},
    {"CompaniesTabThenClose", true, Path::TabThenClose, true},
};

// The record table and the edited field of each window.
const char *tableOf(bool companies) {
    return companies ? "QKcmp" : "QKnam";
}
const char *fieldOf(bool companies) {
    return companies ? "CMP:ADDR1" : "NAM:ADDR2";
}

class InPlaceEditing : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        store::Store &s = store::Store::instance();
        for (const char *name : {"QKnam", "QKjnc", "QKcmp", "QKjcg"})
            m_tables.push_back(&s.use(QString::fromLatin1(name)));
        for (int i = 0; i < kRecords; ++i) {
            const QString name = QString::fromLatin1(kNames[i]);
            addRecord("QKnam", i + 1,
                      {{"NAM:LNAME", name},
                       {"NAM:FNAME", QStringLiteral("Pat")},
                       {"NAM:ADDR2", QStringLiteral("Flat %1").arg(i + 1)}});
            addRecord("QKjnc", i + 1,
                      {{"JNC:NAM_CTRL", i + 1},
                       {"JNC:CAT_CTRL", 0},
                       {"JNC:LNAME", name},
                       {"JNC:FNAME", QStringLiteral("Pat")}});
            addRecord("QKcmp", i + 1,
                      {{"CMP:NAME", name + QStringLiteral(" Ltd")},
                       {"CMP:ADDR1", QStringLiteral("%1 Main St").arg(i + 1)}});
            addRecord("QKjcg", i + 1,
                      {{"JCG:CMP_CTRL", i + 1},
                       {"JCG:GRP_CTRL", 0},
                       {"JCG:COMPANY", name + QStringLiteral(" Ltd")}});
        }
        for (store::Table *t : m_tables)
            s.release(t->def().name);
        m_tables.clear();
    }
    void TearDown() override {
        if (m_program) {
            const auto subs = frame().mdiArea()->subWindowList(QMdiArea::CreationOrder);
            for (auto it = subs.crbegin(); it != subs.crend(); ++it)
                (*it)->close();
            settle();
            m_program.reset();
        }
        StoreFixture::TearDown();
    }

    void addRecord(const char *tableName, qint64 number,
                   std::initializer_list<std::pair<const char *, QVariant>> values) {
        store::Table &t = store::Store::instance().table(QString::fromLatin1(tableName));
        t.record().clear();
        t.record().setInteger(0, number);
        for (const auto &[field, value] : values)
            t.record().setValue(QString::fromLatin1(field), value);
        ASSERT_TRUE(t.insert().ok()) << tableName << " " << number;
    }

    shell::gui::MainFrame &frame() { return m_program->frame(); }

    // The program's frame, shown and active, with the list of the case open
    // on its first record.
    QWidget *openList(bool companies) {
        m_program = std::make_unique<test::ProgramFrame>();
        frame().show();
        EXPECT_TRUE(test::activate(&frame()));
        frame().runCommand(companies ? FrameCommand::CompaniesList : FrameCommand::NamesList);
        settleList();
        QWidget *list = companies ? static_cast<QWidget *>(CompaniesListWindow::openWindow())
                                  : static_cast<QWidget *>(NamesListWindow::openWindow());
        EXPECT_NE(list, nullptr);
        return list;
    }
    static engine::gui::BrowseWindow *mainList(QWidget *list, bool companies) {
        return companies ? static_cast<CompaniesListWindow *>(list)->mainList()
                         : static_cast<NamesListWindow *>(list)->mainList();
    }
    static QLineEdit *entry(QWidget *list, bool companies) {
        const QString field = QString::fromLatin1(fieldOf(companies));
        return companies ? static_cast<CompaniesListWindow *>(list)->entry(field)
                         : static_cast<NamesListWindow *>(list)->entry(field);
    }
    static qint64 highlightedRecord(bool companies) {
        const char *name = tableOf(companies);
        return store::Store::instance().table(QString::fromLatin1(name)).record().integer(0);
    }
    void settleList() {
        settle();
        QTest::qWait(0);
        settle();
    }

    // Every record's value of the field, read through a connection of the
    // test's own, as another station would read the file.
    std::map<qint64, QString> stored(bool companies) {
        store::Table other(store::tableDef(tableOf(companies)), m_dir.path());
        EXPECT_TRUE(other.open().ok());
        std::map<qint64, QString> values;
        store::Cursor c(other);
        c.toStart();
        while (c.next().ok())
            values[other.record().integer(0)] =
                other.record().value(QString::fromLatin1(fieldOf(companies))).toString().trimmed();
        other.close();
        return values;
    }

    // Record 1 of `tableName` as another station holds it; `change` (when
    // set) changes it there first.
    QString atOtherStation(const char *tableName, const QString &field,
                           const std::optional<QString> &change = std::nullopt) {
        store::Table other(store::tableDef(tableName), m_dir.path());
        EXPECT_TRUE(other.open().ok());
        other.record().clear();
        other.record().setInteger(0, 1);
        EXPECT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
        if (change) {
            other.record().setValue(field, *change);
            EXPECT_TRUE(other.change().ok());
        }
        const QString value = other.record().value(field).toString().trimmed();
        other.close();
        return value;
    }

    void follow(Path path, QWidget *list, bool companies);

    std::unique_ptr<test::ProgramFrame> m_program;
    std::vector<store::Table *> m_tables;
};

template <typename T = QWidget> T *child(QWidget *list, const char *name) {
    T *found = list->findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void InPlaceEditing::follow(Path path, QWidget *list, bool companies) {
    engine::gui::PageView *view = mainList(list, companies)->listControl();
    switch (path) {
    case Path::Wheel:
        test::turnWheel(view->viewport(), 2);
        break;
    case Path::OtherRow:
        test::clickRow(view, 3);
        break;
    case Path::Letter:
        QTest::mouseClick(child<QToolButton>(list, "letterM"), Qt::LeftButton);
        break;
    case Path::TagButton:
        QTest::mouseClick(child<QAbstractButton>(list, "tagButton"), Qt::LeftButton);
        break;
    case Path::AllIcon:
        QTest::mouseClick(child<QAbstractButton>(list, "allIcon"), Qt::LeftButton);
        break;
    case Path::Label: {
        // A click on a label beside the fields, then on the list's wheel.
        QLabel *label = nullptr;
        for (QLabel *l : list->findChildren<QLabel *>())
            if (l->buddy() && l->buddy() != entry(list, companies) && l->isVisible())
                label = l;
        ASSERT_NE(label, nullptr);
        QTest::mouseClick(label, Qt::LeftButton);
        test::turnWheel(view->viewport(), 2);
        break;
    }
    case Path::DetailTab: {
        QTabBar *bar = child<QTabWidget>(list, "detailTabs")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        break;
    }
    case Path::PageDown:
        view->setFocus(Qt::TabFocusReason);
        QTest::keyClick(view, Qt::Key_PageDown);
        break;
    case Path::CtrlEnd:
        view->setFocus(Qt::TabFocusReason);
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        break;
    case Path::OtherSubWindow: {
        // The calls list, opened beside; a click into it activates it.
        QWidget *other = nullptr;
        for (QMdiSubWindow *sub : frame().mdiArea()->subWindowList())
            if (sub->widget() && sub->widget() != list)
                other = sub->widget();
        ASSERT_NE(other, nullptr);
        QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(5, 5));
        break;
    }
    case Path::CloseSubWindow:
        engine::gui::WindowHost::subWindowOf(list)->close();
        break;
    case Path::CloseButton:
        QTest::mouseClick(child<QAbstractButton>(list, "closeButton"), Qt::LeftButton);
        break;
    case Path::CloseFrame:
        frame().close();
        break;
    case Path::ExitIcon:
        QTest::mouseClick(child<QAbstractButton>(list, "exitIcon"), Qt::LeftButton);
        break;
    case Path::TabThenClose:
        QTest::keyClick(entry(list, companies), Qt::Key_Tab);
        engine::gui::WindowHost::subWindowOf(list)->close();
        break;
    }
}

class EveryWayOut : public InPlaceEditing, public ::testing::WithParamInterface<Case> {};

TEST_P(EveryWayOut, SavesTheTypedFieldIntoTheRecordItWasTypedFor) {
    const Case &c = GetParam();
    QPointer<QWidget> list = openList(c.companies);
    ASSERT_TRUE(list);
    if (c.path == Path::OtherSubWindow) {
        frame().runCommand(FrameCommand::CallsList);
        settleList();
        frame().runCommand(c.companies ? FrameCommand::CompaniesList : FrameCommand::NamesList);
        settleList();
    }
    ASSERT_EQ(mainList(list, c.companies)->engine().highlighted(), 1);
    const qint64 typedFor = highlightedRecord(c.companies);
    ASSERT_EQ(typedFor, 1);

    test::typeInto(entry(list, c.companies), kTyped);
    follow(c.path, list, c.companies);
    // Saved first, before the move or the close goes on: nothing waits for
    // a later turn of the event loop, which a program that ends never has.
    EXPECT_EQ(stored(c.companies).at(typedFor), kTyped) << "not saved before the move or close";
    settleList();

    const std::map<qint64, QString> values = stored(c.companies);
    ASSERT_EQ(values.size(), static_cast<size_t>(kRecords));
    EXPECT_EQ(values.at(typedFor), kTyped) << "the typed text did not reach its record";
    for (const auto &[record, value] : values) {
        if (record != typedFor) {
            EXPECT_NE(value, kTyped) << "the typed text went into record " << record;
        }
    }
    if (c.closes) {
        EXPECT_TRUE(!list || !list->isVisible());
        return;
    }
    // The field shows the record highlighted now, as stored.
    ASSERT_TRUE(list);
    const qint64 now = highlightedRecord(c.companies);
    EXPECT_EQ(entry(list, c.companies)->text(), values.at(now));
}

INSTANTIATE_TEST_SUITE_P(InPlaceEditor, EveryWayOut, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) {
                             return std::string(info.param.name);
                         });

// The cases run on both lists.
class OnBothLists : public InPlaceEditing, public ::testing::WithParamInterface<bool> {};

// Another station changed the record while the user typed: the move waits
// for the user, who is told; the typed text stays in its field, the other
// station's change shows, and the next move writes over it.
TEST_P(OnBothLists, AChangeElsewhereIsToldKeepsTheTypedTextAndIsSavedOverOnTheNextMove) {
    const bool companies = GetParam();
    QPointer<QWidget> list = openList(companies);
    ASSERT_TRUE(list);
    test::typeInto(entry(list, companies), kTyped);
    atOtherStation(tableOf(companies), QStringLiteral("ZIP"), QStringLiteral("99999"));
    m_messages.answer(15, store::Button::Ok);
    test::turnWheel(mainList(list, companies)->listControl()->viewport(), 1);
    settleList();
    EXPECT_EQ(m_messages.last().text, QStringLiteral("This record was changed by another station."));
    EXPECT_EQ(mainList(list, companies)->engine().highlighted(), 1)
        << "the list moved away from the conflict";
    EXPECT_EQ(entry(list, companies)->text(), kTyped);
    EXPECT_NE(stored(companies).at(1), kTyped);

    test::turnWheel(mainList(list, companies)->listControl()->viewport(), 2);
    settleList();
    EXPECT_EQ(stored(companies).at(1), kTyped);
    EXPECT_GT(mainList(list, companies)->engine().highlighted(), 1);
    EXPECT_EQ(atOtherStation(tableOf(companies), QStringLiteral("ZIP")), QStringLiteral("99999"))
        << "the other station's change was lost";
}

// A save that fails (the file held by another station) asks whether to try
// again: Cancel keeps the typed text and the list where it is; once the
// file is free the next move saves it.
TEST_P(OnBothLists, AFailedSaveCancelledKeepsTheTypedTextForTheNextTry) {
    const bool companies = GetParam();
    QPointer<QWidget> list = openList(companies);
    ASSERT_TRUE(list);
    test::typeInto(entry(list, companies), kTyped);
    sqlite3 *station = nullptr;
    const QString file = store::Table::fileNameFor(store::tableDef(tableOf(companies)));
    ASSERT_EQ(sqlite3_open(QDir(m_dir.path()).filePath(file).toUtf8().constData(), &station), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(station, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const int wait = store::Table::defaultWaitMs();
    store::Table::setDefaultWaitMs(50);
    m_messages.answer(15, store::Button::Ok);
    m_messages.answer(16, store::Button::Cancel);
    test::turnWheel(mainList(list, companies)->listControl()->viewport(), 1);
    settleList();
    EXPECT_EQ(m_messages.shownNumbers(), (std::vector<int>{15, 16}));
    EXPECT_EQ(mainList(list, companies)->engine().highlighted(), 1);
    EXPECT_EQ(entry(list, companies)->text(), kTyped);
    sqlite3_exec(station, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(station);
    store::Table::setDefaultWaitMs(wait);

    test::turnWheel(mainList(list, companies)->listControl()->viewport(), 1);
    settleList();
    EXPECT_EQ(stored(companies).at(1), kTyped);
    EXPECT_EQ(mainList(list, companies)->engine().highlighted(), 2);
}

// A note's text beside the notes list is shown, not edited: a note changes
// through its form, and what was typed beside the list would be lost when
// the highlight moved.
TEST_P(OnBothLists, TheNoteTextBesideTheNotesListTakesNoTyping) {
    const bool companies = GetParam();
    QPointer<QWidget> list = openList(companies);
    ASSERT_TRUE(list);
    auto *details = list->findChild<QTabWidget *>(QStringLiteral("detailTabs"));
    ASSERT_NE(details, nullptr);
    QTabBar *tabs = details->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    settleList();
    auto *memo = list->findChild<QPlainTextEdit *>(QStringLiteral("memoText"));
    ASSERT_NE(memo, nullptr);
    ASSERT_TRUE(memo->isVisible());
    const QString shown = memo->toPlainText();
    QTest::mouseClick(memo->viewport(), Qt::LeftButton);
    QTest::keyClicks(memo, QStringLiteral("typed"));
    EXPECT_EQ(memo->toPlainText(), shown);
}

// Back from another sub-window, the list shows what was changed meanwhile
// (here a record renamed by another station).
TEST_P(OnBothLists, ActivatingTheListAgainShowsWhatChanged) {
    const bool companies = GetParam();
    QPointer<QWidget> list = openList(companies);
    ASSERT_TRUE(list);
    frame().runCommand(FrameCommand::CallsList);
    settleList();
    atOtherStation(companies ? "QKjcg" : "QKjnc",
                   companies ? QStringLiteral("COMPANY") : QStringLiteral("LNAME"),
                   QStringLiteral("Aardvark"));
    engine::gui::PageView *view = mainList(list, companies)->listControl();
    // A click on the list's sub-window's frame brings it back.
    QMdiSubWindow *sub = engine::gui::WindowHost::subWindowOf(list);
    ASSERT_NE(sub, nullptr);
    QTest::mouseClick(sub, Qt::LeftButton, {}, QPoint(sub->width() / 2, 4));
    settleList();
    ASSERT_EQ(frame().mdiArea()->activeSubWindow(), sub);
    EXPECT_EQ(view->item(0, companies ? 0 : 1)->text().trimmed(), QStringLiteral("Aardvark"));
}

// A new name is written with the links' copies of it or not at all: while
// another station holds the links' file the rename is refused whole and
// said, the typed name stays in its field, and the next move, with the file
// free, writes both.
TEST_P(OnBothLists, ARenameIsWrittenWithItsLinksOrNotAtAll) {
    const bool companies = GetParam();
    QPointer<QWidget> list = openList(companies);
    ASSERT_TRUE(list);
    const QString keyField = companies ? QStringLiteral("CMP:NAME") : QStringLiteral("NAM:LNAME");
    QLineEdit *key = companies ? static_cast<CompaniesListWindow *>(list.data())->entry(keyField)
                               : static_cast<NamesListWindow *>(list.data())->entry(keyField);
    ASSERT_NE(key, nullptr);
    const char *links = companies ? "QKjcg" : "QKjnc";
    const QString copy = companies ? QStringLiteral("COMPANY") : QStringLiteral("LNAME");
    const QString oldName = atOtherStation(tableOf(companies), keyField);
    ASSERT_EQ(atOtherStation(links, copy), oldName);

    sqlite3 *station = nullptr;
    const QString file = store::Table::fileNameFor(store::tableDef(links));
    ASSERT_EQ(sqlite3_open(QDir(m_dir.path()).filePath(file).toUtf8().constData(), &station), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(station, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    // Said when the user leaves the field and again when the typed name is
    // tried once more as the focus comes back to it.
    m_messages.answer(34, store::Button::Ok);
    m_messages.answer(34, store::Button::Ok);
    test::typeInto(key, QStringLiteral("Zeta"));
    QTest::keyClick(key, Qt::Key_Tab);
    settleList();
    sqlite3_exec(station, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(station);
    EXPECT_EQ(m_messages.shownNumbers(), (std::vector<int>{34, 34}));
    EXPECT_EQ(key->text(), QStringLiteral("Zeta"));
    EXPECT_EQ(atOtherStation(tableOf(companies), keyField), oldName);
    EXPECT_EQ(atOtherStation(links, copy), oldName);

    test::turnWheel(mainList(list, companies)->listControl()->viewport(), 1);
    settleList();
    EXPECT_EQ(atOtherStation(tableOf(companies), keyField), QStringLiteral("Zeta"));
    EXPECT_EQ(atOtherStation(links, copy), QStringLiteral("Zeta"));
}

INSTANTIATE_TEST_SUITE_P(InPlaceEditor, OnBothLists, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "CompaniesList" : "NamesList");
                         });

} // namespace

#include "store/ChangeRules.h"
#include "store/Messages.h"
#include "store/Store.h"
#include "store/TableTestSupport.h"
#include "support/ChildProcess.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessageService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <sqlite3.h>

#include <unistd.h>

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::keyOf;
using tabulo::test::ScopedMessageService;
using tabulo::test::ScriptedMessageService;
using tabulo::test::TempDataDir;

namespace {

// Second-station roles for these tests.
// "rules-change-call <dir> <ctrl> <company>": reads the call, watched, and
//   saves a new company through the change routine; exits with its result.
// "rules-hold <dir> <table> <mode> <ms>": holds the table for the given time;
//   mode "lock" keeps every other station out, "write" lets others read but
//   not write, "read" lets others write but not commit. Prints "holding".
const bool s_roles = [] {
    tabulo::test::registerChildRole("rules-change-call", [](int argc, char **argv) {
        if (argc < 3)
            return 10;
        Store::instance().setDirectory(QString::fromLocal8Bit(argv[0]));
        Table &inc = Store::instance().use(QStringLiteral("QKinc"));
        inc.record().clear();
        inc.record().setValue(QStringLiteral("INC:CTRL_NBR"), std::atoi(argv[1]));
        if (inc.fetch(*inc.def().key(QStringLiteral("CTRL_KEY"))).code != 0)
            return 11;
        inc.watch();
        inc.record().setValue(QStringLiteral("INC:COMPANY"), QString::fromLocal8Bit(argv[2]));
        const int result = changeRecord(inc, ConflictMessage::Long);
        Store::instance().release(QStringLiteral("QKinc"));
        return result;
    });
    tabulo::test::registerChildRole("rules-hold", [](int argc, char **argv) {
        if (argc < 4)
            return 10;
        const QString path = QDir(QString::fromLocal8Bit(argv[0])).filePath(Table::fileNameFor(tableDef(argv[1])));
        const std::string_view mode = argv[2];
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            return 11;
        const char *begin = mode == "lock"    ? "BEGIN EXCLUSIVE"
                            : mode == "write" ? "BEGIN IMMEDIATE"
                                              : "BEGIN";
        if (sqlite3_exec(db, begin, nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_exec(db, "SELECT count(*) FROM rec", nullptr, nullptr, nullptr) != SQLITE_OK)
            return 12;
        std::printf("holding\n");
        std::fflush(stdout);
        ::usleep(static_cast<useconds_t>(std::atoi(argv[3])) * 1000);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return 0;
    });
    return true;
}();

void readForChange(Table &t, qint64 ctrl) {
    t.record().clear();
    t.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
    ASSERT_EQ(t.fetch(keyOf(t, "CTRL_KEY")).code, 0) << t.def().name.toStdString() << " " << ctrl;
    t.watch();
}

QString storedText(const TempDataDir &dir, const char *table, qint64 ctrl, const char *field) {
    Table t(tableDef(table), dir.path());
    if (t.open())
        return QStringLiteral("<unreadable>");
    t.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
    if (t.fetch(*t.def().key(QStringLiteral("CTRL_KEY"))))
        return QStringLiteral("<missing>");
    return t.record().value(QString::fromLatin1(field)).toString();
}

class ChangeRulesStations : public ::testing::Test {
protected:
    void SetUp() override { Store::instance().setDirectory(m_dir.path()); }
    void TearDown() override {
        Table::setDefaultWaitMs(m_wait);
        if (m_holder.state() != QProcess::NotRunning)
            m_holder.waitForFinished(20000);
        Store::instance().setDirectory(QDir::currentPath());
    }

    // Starts a station that holds `table` in `mode` for `ms` milliseconds.
    void hold(const char *table, const char *mode, int ms) {
        m_holder.start(test::selfPath(),
                       {QStringLiteral("--child"), QStringLiteral("rules-hold"), m_dir.path(),
                        QString::fromLatin1(table), QString::fromLatin1(mode), QString::number(ms)});
        ASSERT_TRUE(m_holder.waitForReadyRead(20000)) << m_holder.readAllStandardError().toStdString();
        ASSERT_EQ(m_holder.readLine().trimmed(), QByteArray("holding"));
    }
    void letGo() {
        ASSERT_TRUE(m_holder.waitForFinished(20000));
        EXPECT_EQ(m_holder.exitCode(), 0);
    }

    TempDataDir m_dir;
    ScriptedMessageService m_messages;
    ScopedMessageService m_installed{m_messages};
    QProcess m_holder;
    const int m_wait = Table::defaultWaitMs();
};

} // namespace

TEST_F(ChangeRulesStations, SecondSaveOfTheSameCallGetsTheConflictAndTheFirstValues) {
    struct Case {
        ConflictMessage flag;
        int number;
        const char *text;
    };
    const Case cases[] = {
        {ConflictMessage::Long, 38,
         "This record was changed by another station. Those changes will now be displayed. Use the Ditto "
         "Button "
         "or Ctrl+' to recall your changes."},
        {ConflictMessage::Short, 15, "This record was changed by another station."},
    };
    TableUse calls(Store::instance(), tablesUsedBy(QStringLiteral("calls")));
    Table &inc = calls[QStringLiteral("QKinc")];
    inc.record().setValue(QStringLiteral("INC:CTRL_NBR"), 1);
    inc.record().setValue(QStringLiteral("INC:LASTNAME"), QStringLiteral("Caller"));
    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Original"));
    ASSERT_EQ(inc.insert().code, 0);

    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        readForChange(inc, 1);
        const QString first = QStringLiteral("First station %1").arg(c.number);
        ASSERT_EQ(QProcess::execute(test::selfPath(),
                                    {QStringLiteral("--child"), QStringLiteral("rules-change-call"),
                                     m_dir.path(), QStringLiteral("1"), first}),
                  ChangeResult::Done);

        inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Second station"));
        inc.record().setValue(QStringLiteral("INC:LASTNAME"), QStringLiteral("Retyped"));
        m_messages.answer(c.number, Button::Ok);
        EXPECT_EQ(changeRecord(inc, c.flag), ChangeResult::ChangedElsewhere);
        EXPECT_EQ(m_messages.last().text, QString::fromUtf8(c.text));

        // The form now shows the first station's values; nothing of ours was
        // written.
        EXPECT_EQ(inc.record().value(QStringLiteral("INC:COMPANY")).toString(), first);
        EXPECT_EQ(inc.record().value(QStringLiteral("INC:LASTNAME")).toString(), QStringLiteral("Caller"));
        EXPECT_EQ(storedText(m_dir, "QKinc", 1, "INC:COMPANY"), first);
        EXPECT_FALSE(inc.inTransaction());
    }
}

TEST_F(ChangeRulesStations, CallThatCannotFrameItsTransactionIsNeitherChangedNorDeleted) {
    TableUse calls(Store::instance(), {QStringLiteral("QKinc")});
    Table &inc = calls[QStringLiteral("QKinc")];
    inc.record().setValue(QStringLiteral("INC:CTRL_NBR"), 1);
    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Original"));
    ASSERT_EQ(inc.insert().code, 0);
    readForChange(inc, 1);

    hold("QKinc", "lock", 8000);
    if (HasFatalFailure())
        return;
    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Changed"));
    m_messages.answer(34, Button::Ok);
    EXPECT_EQ(changeRecord(inc, ConflictMessage::Long), ChangeResult::Failed);
    MessageBox box = m_messages.last();
    EXPECT_EQ(box.title, QStringLiteral("Transaction Framing Error"));
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Error: (File Is Locked"))) << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(QStringLiteral(
        "(32)) attempting to frame the update transaction on QKinc.  Update transaction cancelled.")))
        << box.text.toStdString();
    EXPECT_FALSE(inc.inTransaction());
    // The saved error was consumed by the message.
    EXPECT_FALSE(savedError().has_value());

    // The call is still the current record: the failed change touched nothing.
    m_messages.answer(34, Button::Ok);
    EXPECT_EQ(deleteRecord(inc), ChangeResult::Failed);
    box = m_messages.last();
    EXPECT_TRUE(box.text.endsWith(QStringLiteral(
        "(32)) attempting to frame the delete transaction on QKinc.  Delete transaction cancelled.")))
        << box.text.toStdString();

    letGo();
    EXPECT_EQ(storedText(m_dir, "QKinc", 1, "INC:COMPANY"), QStringLiteral("Original"));
}

TEST_F(ChangeRulesStations, CommitThatCannotFinishIsReportedAndWritesNothing) {
    TableUse calls(Store::instance(), {QStringLiteral("QKinc")});
    Table &inc = calls[QStringLiteral("QKinc")];
    inc.record().setValue(QStringLiteral("INC:CTRL_NBR"), 1);
    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Original"));
    ASSERT_EQ(inc.insert().code, 0);
    readForChange(inc, 1);

    // A reader that does not let go keeps the commit from finishing.
    hold("QKinc", "read", 3000);
    if (HasFatalFailure())
        return;
    Table::setDefaultWaitMs(200);
    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Changed"));
    m_messages.answer(15, Button::Ok);
    EXPECT_EQ(changeRecord(inc, ConflictMessage::Long), ChangeResult::Failed);
    const MessageBox box = m_messages.last();
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("An error (File Is Locked"))) << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(QStringLiteral("Probable Cause: QKinc."))) << box.text.toStdString();
    EXPECT_FALSE(inc.inTransaction());

    letGo();
    EXPECT_EQ(storedText(m_dir, "QKinc", 1, "INC:COMPANY"), QStringLiteral("Original"));
}

TEST_F(ChangeRulesStations, CascadeWhosePhonesAnotherStationHoldsKeepsThePersonAndItsPhones) {
    // A table waits for other stations as long as it was told when it opened.
    Table::setDefaultWaitMs(200);
    TableUse names(Store::instance(),
                   {QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem")});
    Table &nam = names[QStringLiteral("QKnam")];
    Table &fon = names[QStringLiteral("QKfon")];
    nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 7);
    ASSERT_EQ(nam.insert().code, 0);
    for (int i = 1; i <= 2; ++i) {
        fon.record().clear();
        fon.record().setValue(QStringLiteral("FON:CTRL_NBR"), i);
        fon.record().setValue(QStringLiteral("FON:NAM_CTRL"), 7);
        ASSERT_EQ(fon.insert().code, 0);
    }

    // Whether the other station keeps everyone out of the phones or only
    // other writers, the delete takes every file's write lock before it
    // deletes anything: it is refused as a whole, said once, naming the file.
    for (const char *mode : {"lock", "write"}) {
        SCOPED_TRACE(mode);
        hold("QKfon", mode, 4000);
        if (HasFatalFailure())
            return;
        readForChange(nam, 7);
        m_messages.answer(34, Button::Ok);
        EXPECT_EQ(deleteRecord(nam), ChangeResult::Failed);
        const MessageBox box = m_messages.last();
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("Error: (File Is Locked"))) << box.text.toStdString();
        EXPECT_TRUE(box.text.endsWith(
            QStringLiteral("(32)) attempting to frame the delete transaction on QKfon.  Delete transaction cancelled.")))
            << box.text.toStdString();
        letGo();
        EXPECT_EQ(storedText(m_dir, "QKnam", 7, "NAM:CTRL_NBR"), QStringLiteral("7"));
        EXPECT_EQ(storedText(m_dir, "QKfon", 2, "FON:NAM_CTRL"), QStringLiteral("7"));
    }
    EXPECT_EQ(m_messages.shownNumbers(), (std::vector<int>{34, 34}));
}

#include "store/Messages.h"
#include "store/Store.h"
#include "store/TableTestSupport.h"
#include "support/ChildProcess.h"
#include "support/QStringPrinter.h"
#include "support/StoreFiles.h"
#include "support/ScriptedMessageService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::freshTable;
using tabulo::test::keyOf;
using tabulo::test::PersonSize;
using tabulo::test::queryFile;
using tabulo::test::addPeople;
using tabulo::test::ScopedMessageService;
using tabulo::test::ScriptedMessageService;
using tabulo::test::fileOf;
using tabulo::test::TempDataDir;

namespace {

// Writes random bytes over the middle leaf page of one b-tree of the file
// ("rec" for records, "k_LNAME_KEY" for a key).
void damageMiddlePage(const QString &path, const char *tree) {
    const QStringList pages = queryFile(path, "SELECT pageno FROM dbstat WHERE name=? AND pagetype='leaf' ORDER BY pageno",
                                    QString::fromLatin1(tree));
    ASSERT_GE(pages.size(), 3) << tree;
    const int page = pages[pages.size() / 2].toInt();
    const int pageSize = queryFile(path, "PRAGMA page_size").value(0).toInt();
    QByteArray noise(pageSize, '\0');
    QRandomGenerator random(4242);
    for (char &c : noise)
        c = static_cast<char>(random.bounded(256));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(static_cast<qint64>(page - 1) * pageSize);
    f.write(noise);
}

QByteArray contents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Reads the whole table in one key's order; the condition that ended it.
int readAll(Table &t, const char *key, int &records) {
    records = 0;
    StoreError e = t.setStart(&keyOf(t, key));
    while (!e && !(e = t.next()))
        ++records;
    return e.code;
}

} // namespace

TEST(Repair, DamagedPagesEndInASoundTableThatKeepsEveryReadableRecord) {
    struct Case {
        const char *what;
        const char *tree;
        bool recordsDamaged;
    };
    for (const Case &c : {Case{"middle key page", "k_LNAME_KEY", false}, Case{"middle record page", "rec", true}}) {
        SCOPED_TRACE(c.what);
        TempDataDir dir;
        addPeople(dir.path(), 1, 3000, PersonSize::WithAddress);
        const QString path = fileOf(dir, "QKnam");
        damageMiddlePage(path, c.tree);
        const QByteArray damaged = contents(path);

        Table t(tableDef("QKnam"), dir.path());
        // The damage shows while reading, whatever the open saw.
        if (t.open().ok()) {
            int records = 0;
            EXPECT_EQ(readAll(t, "LNAME_KEY", records), Code::InvalidKeys);
        }
        Table::RepairOutcome outcome;
        ASSERT_EQ(t.repair(outcome).code, 0) << lastError().text.toStdString();
        EXPECT_EQ(outcome.recordsDamaged, c.recordsDamaged);
        EXPECT_EQ(queryFile(path, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});

        ASSERT_EQ(t.open().code, 0);
        int records = 0;
        EXPECT_EQ(readAll(t, "LNAME_KEY", records), Code::EndOfFile);
        EXPECT_EQ(records, t.records());
        if (c.recordsDamaged) {
            // One page's records are lost, every other one is kept, and the
            // damaged file is kept aside as it was.
            EXPECT_EQ(outcome.saved, records);
            EXPECT_GT(outcome.unreadable, 0);
            EXPECT_LT(outcome.unreadable, 100);
            EXPECT_EQ(outcome.saved + outcome.unreadable, 3000);
            EXPECT_EQ(QFileInfo(outcome.damagedCopy).dir(), QDir(dir.path()));
            EXPECT_TRUE(outcome.damagedCopy.contains(QDate::currentDate().toString(Qt::ISODate)));
            EXPECT_EQ(contents(outcome.damagedCopy), damaged);
            const QString summary = repairSummary(t, outcome);
            EXPECT_TRUE(summary.contains(QStringLiteral("%1 record(s) were saved and %2 could not be read")
                                             .arg(outcome.saved)
                                             .arg(outcome.unreadable)))
                << summary.toStdString();
        } else {
            EXPECT_EQ(records, 3000);
            EXPECT_TRUE(outcome.damagedCopy.isEmpty());
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("QKNAM.db")});
        }
        // A later change still goes through every key and count.
        t.record().clear();
        t.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 5000);
        t.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Later"));
        EXPECT_EQ(t.insert().code, 0);
        t.close();
        EXPECT_EQ(queryFile(path, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
    }
}

TEST(Repair, DamageMetByAWindowIsOfferedTheRepairAndTheTableReopens) {
    TempDataDir dir;
    addPeople(dir.path(), 1, 3000, PersonSize::WithAddress);
    damageMiddlePage(fileOf(dir, "QKnam"), "rec");

    ScriptedMessageService messages;
    ScopedMessageService installed(messages);
    Table t(tableDef("QKnam"), dir.path());
    ASSERT_EQ(t.open().code, 0); // the keys' ends read well
    int records = 0;
    ASSERT_EQ(readAll(t, "LNAME_KEY", records), Code::InvalidKeys);

    messages.answer(2, Button::Yes);
    messages.answer(0, Button::Ok);
    offerRepair(t);
    ASSERT_EQ(messages.shownNumbers(), (std::vector<int>{2, 0}));
    EXPECT_TRUE(messages.last().text.contains(QStringLiteral("could not be read"))) << messages.last().text.toStdString();
    ASSERT_TRUE(t.isOpen());
    EXPECT_EQ(readAll(t, "LNAME_KEY", records), Code::EndOfFile);
    EXPECT_GT(records, 2900);
}

TEST(Repair, KeyRebuildSetsDuplicatesAsideAndTheTableOpens) {
    TempDataDir dir;
    {
        auto zip = freshTable(dir, "QKzip");
        const std::pair<int, const char *> rows[] = {{1, "Springfield"}, {2, "Shelbyville"}, {3, "Ogdenville"}};
        for (const auto &[n, city] : rows) {
            zip->record().clear();
            zip->record().setValue(QStringLiteral("ZIP:CTRL_NBR"), n);
            zip->record().setValue(QStringLiteral("ZIP:CITY"), QString::fromLatin1(city));
            zip->record().setValue(QStringLiteral("ZIP:ZIP"), QStringLiteral("4950%1").arg(n));
            ASSERT_EQ(zip->insert().code, 0);
        }
    }
    // Another tool drops the unique key and writes an equal zip.
    const QString path = fileOf(dir, "QKzip");
    QString copyZip;
    const TableSchema schema(tableDef("QKzip"));
    for (const auto &[column, type] : schema.columns()) {
        if (QString::fromStdString(column).contains(QStringLiteral("zip"), Qt::CaseInsensitive))
            copyZip += QStringLiteral(",%1=(SELECT %1 FROM rec WHERE rid=1)").arg(QString::fromStdString(column));
    }
    ASSERT_FALSE(copyZip.isEmpty());
    EXPECT_TRUE(queryFile(path, "DROP INDEX k_ZIP_KEY").isEmpty());
    EXPECT_TRUE(queryFile(path, (QStringLiteral("UPDATE rec SET ver=ver") + copyZip + QStringLiteral(" WHERE rid=3")).toUtf8().constData()).isEmpty());

    ScriptedMessageService messages;
    ScopedMessageService installed(messages);
    messages.answer(2, Button::Yes);
    messages.answer(0, Button::Ok);
    Store store(dir.path());
    Table &zip = store.use(QStringLiteral("QKzip"));
    ASSERT_TRUE(zip.isOpen());
    EXPECT_EQ(zip.records(), 2);
    const QString side = dir.file(QStringLiteral("QKZIP-duplicates-%1.db").arg(QDate::currentDate().toString(Qt::ISODate)));
    EXPECT_TRUE(messages.last().text.contains(QStringLiteral("1 record(s)"))) << messages.last().text.toStdString();
    EXPECT_TRUE(messages.last().text.contains(QDir::toNativeSeparators(side))) << messages.last().text.toStdString();
    // The later record is the one set aside, whole.
    EXPECT_EQ(queryFile(side, "SELECT set_aside_for||'/'||rid FROM rec"), QStringList{QStringLiteral("ZIP:ZIP_KEY/3")});
    store.closeAll();
    EXPECT_EQ(queryFile(path, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
}

TEST(Repair, AKeyRebuildThatFindsTheFileBusyLeavesNoSideFileBehind) {
    TempDataDir dir;
    freshTable(dir, "QKzip").reset();
    const QStringList sideFiles{QStringLiteral("*duplicates*")};
    // Another station is writing the file: the rebuild cannot have it alone.
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(fileOf(dir, "QKzip")).constData(), &other, SQLITE_OPEN_READWRITE,
                              nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    struct ShortWait {
        int was = Table::defaultWaitMs();
        ShortWait() { Table::setDefaultWaitMs(50); }
        ~ShortWait() { Table::setDefaultWaitMs(was); }
    };
    Table zip(tableDef("QKzip"), dir.path());
    {
        ShortWait wait;
        EXPECT_EQ(zip.rebuildKeys().code, Code::Locked);
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(QDir(dir.path()).entryList(sideFiles, QDir::Files), QStringList());

    // Once the station lets go the rebuild goes through, and it set nothing aside.
    EXPECT_EQ(zip.rebuildKeys().code, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(sideFiles, QDir::Files), QStringList());
}

TEST(Repair, CheckNamesDamageWithoutChangingTheFile) {
    TempDataDir dir;
    addPeople(dir.path(), 1, 3000, PersonSize::WithAddress);
    const QString path = fileOf(dir, "QKnam");
    Table t(tableDef("QKnam"), dir.path());
    QStringList problems;
    ASSERT_EQ(t.check(problems).code, 0);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();

    damageMiddlePage(path, "rec");
    const QByteArray damaged = contents(path);
    ASSERT_EQ(t.check(problems).code, 0);
    EXPECT_FALSE(problems.isEmpty());
    EXPECT_EQ(contents(path), damaged);
}

namespace {
// "create-unwritable <dir>": creates QKdat in a directory this process may
// not write (as root, after giving up root) and prints the message's error.
const bool s_roles = [] {
    tabulo::test::registerChildRole("create-unwritable", [](int argc, char **argv) {
        if (argc < 1)
            return 2;
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 3;
        Table t(tableDef("QKdat"), QString::fromLocal8Bit(argv[0]));
        const StoreError e = t.create();
        std::printf("%s\n", errorText(e).toUtf8().constData());
        return 0;
    });
    return true;
}();
} // namespace

TEST(Repair, AnUnwritableDirectoryIsReportedAsAPermissionError) {
    TempDataDir dir;
    const QString locked = dir.file(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther | QFile::ExeGroup);
    QProcess child;
    child.start(test::selfPath(), {QStringLiteral("--child"), QStringLiteral("create-unwritable"), locked});
    ASSERT_TRUE(child.waitForFinished(20000));
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(child.readAllStandardOutput()).trimmed(),
              QString::fromLocal8Bit(std::strerror(EACCES)) + QStringLiteral(" (13)"));
    EXPECT_TRUE(QDir(locked).isEmpty());
}

namespace {
// "number-and-die <dir>": numbers a blank QKnam record as an insert form
// does, marks it, prints "numbered" and waits to be killed.
const bool s_numberRole = [] {
    tabulo::test::registerChildRole("number-and-die", [](int argc, char **argv) {
        if (argc < 1)
            return 2;
        Table t(tableDef("QKnam"), QString::fromLocal8Bit(argv[0]));
        if (t.open().code != 0)
            return 3;
        t.record().clear();
        t.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 77);
        if (t.insert().code != 0 || t.markOpenInsert(t.currentRid()).code != 0)
            return 4;
        std::printf("numbered\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    });
    return true;
}();
} // namespace

TEST(Repair, ABlankRecordLeftByAKilledInsertFormGoesAtTheNextOpen) {
    TempDataDir dir;
    addPeople(dir.path(), 1, 3, PersonSize::WithAddress);
    QProcess child;
    child.start(test::selfPath(), {QStringLiteral("--child"), QStringLiteral("number-and-die"), dir.path()});
    ASSERT_TRUE(child.waitForReadyRead(20000));
    ASSERT_EQ(child.readLine().trimmed(), QByteArray("numbered"));

    // While its station lives, the numbered record stays.
    Table t(tableDef("QKnam"), dir.path());
    ASSERT_EQ(t.open().code, 0);
    EXPECT_EQ(t.records(), 4);
    t.close();

    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    ASSERT_EQ(t.open().code, 0);
    EXPECT_EQ(t.records(), 3);

    // A form of this process that completed its record leaves no mark behind.
    t.record().clear();
    t.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 78);
    ASSERT_EQ(t.insert().code, 0);
    ASSERT_EQ(t.markOpenInsert(t.currentRid()).code, 0);
    ASSERT_EQ(t.change().code, 0);
    t.unmarkOpenInsert(t.currentRid());
    t.close();
    EXPECT_EQ(queryFile(fileOf(dir, "QKnam"), "SELECT count(*) FROM open_inserts"), QStringList{QStringLiteral("0")});
    ASSERT_EQ(t.open().code, 0);
    EXPECT_EQ(t.records(), 4);
}

#include "store/DataSafety.h"
#include "store/TableTestSupport.h"
#include "support/ChildProcess.h"
#include "support/QStringPrinter.h"
#include "support/StoreFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <sqlite3.h>

#include <csignal>
#include <unistd.h>

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::addPeople;
using tabulo::test::freshTable;
using tabulo::test::TempDataDir;

namespace {

qint64 recordsIn(const QString &dir, const char *table) {
    Table t(tableDef(table), dir);
    return t.open().ok() ? t.records() : -1;
}

// Writes noise over the middle leaf page of the records.
void damageRecords(const QString &path) {
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name='rec' AND pagetype='leaf' ORDER BY pageno", -1, &stmt,
                       nullptr);
    std::vector<int> pages;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        pages.push_back(sqlite3_column_int(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    ASSERT_GE(pages.size(), 3u);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(static_cast<qint64>(pages[pages.size() / 2] - 1) * 4096);
    f.write(QByteArray(4096, '\x5A'));
}

// "keep-writing <dir>": changes and adds QKnam records without pause, one
// transaction at a time; prints "writing" after the first and runs until killed.
const bool s_roles = [] {
    tabulo::test::registerChildRole("keep-writing", [](int argc, char **argv) {
        if (argc < 1)
            return 2;
        Table t(tableDef("QKnam"), QString::fromLocal8Bit(argv[0]));
        if (t.open().code != 0)
            return 3;
        for (int i = 0;; ++i) {
            if (t.begin(10).code != 0)
                return 4;
            for (int j = 0; j < 20; ++j) {
                t.record().clear();
                t.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 100000 + i * 20 + j);
                t.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Writer %1").arg(i));
                if (t.insert().code != 0)
                    return 5;
            }
            if (t.commit().code != 0)
                return 6;
            if (i == 0) {
                std::printf("writing\n");
                std::fflush(stdout);
            }
        }
    });
    return true;
}();

} // namespace

TEST(DataSafety, ABackupTakenWhileAnotherStationWritesIsASoundDataDirectory) {
    TempDataDir dir;
    TempDataDir target;
    addPeople(dir.path(), 1, 3000);
    freshTable(dir, "QKzip");
    QSettings(dir.file(QStringLiteral("QK.INI")), QSettings::IniFormat).setValue(QStringLiteral("Main/XPosit"), 40);

    QProcess writer;
    writer.start(test::selfPath(), {QStringLiteral("--child"), QStringLiteral("keep-writing"), dir.path()});
    ASSERT_TRUE(writer.waitForReadyRead(20000));
    ASSERT_EQ(writer.readLine().trimmed(), QByteArray("writing"));

    QString error;
    std::vector<std::pair<int, int>> steps;
    const QString folder = backupDataDirectory(dir.path(), target.path(), error,
                                               [&steps](int done, int total) { steps.emplace_back(done, total); });
    const bool writerAlive = writer.state() == QProcess::Running;
    ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
    writer.waitForFinished(10000);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    EXPECT_TRUE(writerAlive) << writer.readAllStandardError().toStdString();

    EXPECT_TRUE(QFileInfo(folder).fileName().startsWith(QStringLiteral("Tabulo-backup-")));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              (QStringList{QStringLiteral("QK.INI"), QStringLiteral("QKNAM.db"), QStringLiteral("QKZIP.db")}));
    EXPECT_EQ(checkBackup(folder), QStringList());
    // Whole transactions only: the writer adds twenty at a time.
    const qint64 copied = recordsIn(folder, "QKnam");
    EXPECT_GE(copied, 3020);
    EXPECT_EQ((copied - 3000) % 20, 0);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), std::make_pair(3, 3));
}

TEST(DataSafety, CheckFindsTheDamagedTableAndRepairMendsItKeepingTheOriginal) {
    TempDataDir dir;
    addPeople(dir.path(), 1, 3000);
    freshTable(dir, "QKzip");
    damageRecords(dir.file(QStringLiteral("QKNAM.db")));

    auto damaged = [&dir] {
        QStringList names;
        for (const TableCheck &c : checkDataDirectory(dir.path())) {
            EXPECT_FALSE(c.error) << c.error.text.toStdString();
            if (!c.problems.isEmpty())
                names << c.file;
        }
        return names;
    };
    EXPECT_EQ(damaged(), QStringList{QStringLiteral("QKNAM.db")});

    QStringList lines;
    EXPECT_EQ(repairDataDirectory(dir.path(), [&lines](const QString &l) { lines << l; }), 0);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.contains(QStringLiteral("QKZIP.db: ok")));
    EXPECT_TRUE(lines.filter(QStringLiteral("QKNAM.db: repaired, ")).size() == 1) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(damaged(), QStringList());
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("QKNAM-damaged-*.db")}).size(), 1);
    EXPECT_GT(recordsIn(dir.path(), "QKnam"), 2900);
}

TEST(DataSafety, RestoreChecksTheBackupAndKeepsTheCurrentFilesAside) {
    TempDataDir dir;
    TempDataDir target;
    addPeople(dir.path(), 1, 10);
    QString error;
    const QString folder = backupDataDirectory(dir.path(), target.path(), error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    addPeople(dir.path(), 11, 5);

    // A damaged backup is refused and nothing moves.
    TempDataDir bad;
    addPeople(bad.path(), 1, 3000);
    damageRecords(bad.file(QStringLiteral("QKNAM.db")));
    EXPECT_TRUE(restoreBackup(bad.path(), dir.path(), error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(recordsIn(dir.path(), "QKnam"), 15);

    const QString aside = restoreBackup(folder, dir.path(), error);
    ASSERT_FALSE(aside.isEmpty()) << error.toStdString();
    EXPECT_EQ(recordsIn(dir.path(), "QKnam"), 10);
    EXPECT_EQ(recordsIn(aside, "QKnam"), 15);
}

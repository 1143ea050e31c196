// A change that writes several tables lands whole or not at all: whether the
// program is killed in the middle of it, a write or sync of its commit
// fails, another station holds one of its tables, or a second station reads
// while it runs. Each table is a file of its own, so these are the cases
// where one file can be committed while another is not.

#include "people/TagStore.h"
#include "store/Cascades.h"
#include "store/ReadScope.h"
#include "store/Store.h"
#include "support/CaseName.h"
#include "support/ChildProcess.h"
#include "support/FailingVfs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <ostream>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

using namespace tabulo;
using namespace tabulo::store;
using namespace tabulo::test::cascades;

namespace {

// A data directory in memory when the machine has one: a kill leaves the
// page cache to the next reader just as it leaves a disk, so the cases lose
// nothing, and thousands of commits cost no flushes to a shared disk.
class FastDataDir final {
public:
    FastDataDir()
        : m_dir(QDir(QStringLiteral("/dev/shm")).exists() && QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                    ? QStringLiteral("/dev/shm/tabulo-onechange-XXXXXX")
                    : QDir::tempPath() + QStringLiteral("/tabulo-onechange-XXXXXX")) {}
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    bool ok() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};

// Copies every file of one directory into another (a prepared data
// directory into a fresh one for each run).
bool copyFiles(const QString &from, const QString &to) {
    const QDir source(from);
    for (const QString &name : source.entryList(QDir::Files)) {
        QFile::remove(QDir(to).filePath(name));
        if (!QFile::copy(source.filePath(name), QDir(to).filePath(name)))
            return false;
    }
    return true;
}

QString sideFile(const QString &directory) {
    return QDir(directory).filePath(QStringLiteral("changes.txt"));
}

void writeLine(const QByteArray &line) {
    const QByteArray out = line + '\n';
    [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, out.constData(), static_cast<size_t>(out.size()));
}

// Blocks until the parent writes a byte or closes the pipe.
char awaitParent() {
    char c = 0;
    return ::read(STDIN_FILENO, &c, 1) == 1 ? c : 0;
}

// The test binary started again as a child station, with a pipe each way:
// the child says where it is on its standard output, line by line, and the
// parent lets it go on through its standard input. Its errors go to a file.
class Station final {
public:
    Station(const QStringList &args, const QString &errors) {
        int out[2];
        int in[2];
        if (::pipe(out) != 0 || ::pipe(in) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, QFile::encodeName(errors).constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        std::vector<QByteArray> words{QFile::encodeName(test::selfPath()), QByteArrayLiteral("--child")};
        for (const QString &a : args)
            words.push_back(a.toUtf8());
        std::vector<char *> argv;
        for (QByteArray &w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(in[0]);
        m_out = out[0];
        m_in = in[1];
        m_errors = errors;
    }
    ~Station() {
        if (m_pid > 0 && !m_ended) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
        if (m_out >= 0)
            ::close(m_out);
        if (m_in >= 0)
            ::close(m_in);
    }
    Station(const Station &) = delete;
    Station &operator=(const Station &) = delete;

    bool started() const { return m_pid > 0; }

    // The next line the child wrote; false when it ended or wrote nothing
    // for `timeoutMs`.
    bool readLine(QByteArray &line, int timeoutMs = 120000) {
        for (;;) {
            const qsizetype end = m_buffer.indexOf('\n');
            if (end >= 0) {
                line = m_buffer.left(end);
                m_buffer.remove(0, end + 1);
                return true;
            }
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return false;
            char chunk[4096];
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            m_buffer.append(chunk, n);
        }
    }
    // Waits for a line that starts with `prefix`, skipping others.
    bool waitFor(const QByteArray &prefix, QByteArray *line = nullptr) {
        QByteArray l;
        while (readLine(l)) {
            if (l.startsWith(prefix)) {
                if (line)
                    *line = l;
                return true;
            }
        }
        return false;
    }
    // What the child wrote that was not read yet (it has ended).
    QByteArray rest() {
        QByteArray all = m_buffer;
        char chunk[4096];
        for (;;) {
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0)
                break;
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                break;
            all.append(chunk, n);
        }
        m_buffer.clear();
        return all;
    }

    void send(char c) { [[maybe_unused]] const ssize_t n = ::write(m_in, &c, 1); }
    void closeInput() {
        if (m_in >= 0)
            ::close(m_in);
        m_in = -1;
    }
    void kill() {
        if (m_pid > 0 && !m_ended)
            ::kill(m_pid, SIGKILL);
    }
    // The child's wait status once it has ended.
    int wait() {
        if (m_ended)
            return m_status;
        while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
        }
        m_ended = true;
        return m_status;
    }
    QByteArray errors() const {
        QFile f(m_errors);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_in = -1;
    bool m_ended = false;
    int m_status = 0;
    QByteArray m_buffer;
    QString m_errors;
};

bool kindFromName(const QString &name, Kind &kind) {
    for (Kind k : kAllKinds) {
        if (kindName(k) == name) {
            kind = k;
            return true;
        }
    }
    return false;
}

// "change-runner <dir> <kind> <count> <first serial> <cards> <batch>":
// makes and runs `count` changes of one kind in a row. Before each it writes
// what the change is about to the side file (flushed to the disk), then
// "start <i>" to the parent; after it "done <i> <microseconds> <ok|failed>".
// After the last it waits for the parent, which kills it or lets it end.
int changeRunner(int argc, char **argv) {
    if (argc < 6)
        return 2;
    const QString dir = QString::fromLocal8Bit(argv[0]);
    Kind kind;
    if (!kindFromName(QString::fromLatin1(argv[1]), kind))
        return 2;
    const int count = std::atoi(argv[2]);
    const int firstSerial = std::atoi(argv[3]);
    const ImportSize import{std::atoi(argv[4]), std::atoi(argv[5])};
    CountingMessages messages;
    MessageService::setCurrent(&messages);
    Store::instance().setDirectory(dir);
    for (int i = 0; i < count; ++i) {
        Identity change;
        QString failure;
        if (!prepare(kind, firstSerial + i, import, change, failure)) {
            std::fprintf(stderr, "preparing %s: %s\n", argv[1], qPrintable(failure));
            return 3;
        }
        if (!appendIdentity(sideFile(dir), change)) {
            std::perror("side file");
            return 3;
        }
        writeLine("start " + QByteArray::number(i));
        QElapsedTimer timer;
        timer.start();
        const Outcome o = run(change, messages);
        const qint64 micros = timer.nsecsElapsed() / 1000;
        writeLine("done " + QByteArray::number(i) + ' ' + QByteArray::number(micros) + ' ' +
                  (o.done ? "ok" : "failed"));
        if (!o.done)
            std::fprintf(stderr, "%s failed: %s %s\n", argv[1], qPrintable(o.failure),
                         qPrintable(messages.texts.join(QLatin1Char('|'))));
    }
    writeLine("idle");
    awaitParent();
    Store::instance().closeAll();
    return 0;
}

// "lock-holder <file>": takes the file's exclusive lock, as a station in
// the middle of a long write holds it, says "holding" and keeps it until
// the parent says go.
int lockHolder(int argc, char **argv) {
    if (argc < 1)
        return 2;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(argv[0], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 3;
    if (sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "lock: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return 3;
    }
    writeLine("holding");
    awaitParent();
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

// "whole-reader <dir>": reads, again and again, the first person left and
// the children of that person and of the person before, all inside one read
// scope, while the parent deletes people from the first on. A person read
// must come with 3 phones, 2 notes and 5 links; a person gone with none.
// Stops when the parent closes its input; prints "reads <n> failed <n>
// half <n>" and the first half states seen.
int wholeReader(int argc, char **argv) {
    if (argc < 1)
        return 2;
    CountingMessages messages;
    MessageService::setCurrent(&messages);
    Store::instance().setDirectory(QString::fromLocal8Bit(argv[0]));
    TableUse use({QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem"), QStringLiteral("QKjnc")});
    Table &nam = use[QStringLiteral("QKnam")];
    Table &fon = use[QStringLiteral("QKfon")];
    Table &mem = use[QStringLiteral("QKmem")];
    Table &jnc = use[QStringLiteral("QKjnc")];
    const KeyDef *namKey = nam.def().key(QStringLiteral("CTRL_KEY"));
    const int ctrl = nam.def().fieldIndex(QStringLiteral("CTRL_NBR"));
    const auto children = [](Table &t, qint64 person, qint64 &count) {
        Cursor cursor(t);
        cursor.setOrder(t.def().key(QStringLiteral("NAM_CTRL_KEY")));
        cursor.setRange({sql::Value(person)});
        return cursor.count(count);
    };
    writeLine("ready");
    qint64 reads = 0;
    qint64 failed = 0;
    qint64 half = 0;
    QStringList seen;
    qint64 previous = 0; // the first person of the last read: gone by now or still first
    for (bool last = false; !last;) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        // The parent has closed the pipe: one more read, over the end state.
        last = ::poll(&p, 1, 0) > 0;
        ReadScope scope({&nam, &fon, &mem, &jnc});
        StoreError e = nam.setStart(namKey);
        if (e.ok())
            e = nam.next();
        if (e && e.code != Code::EndOfFile) {
            ++failed;
            continue;
        }
        const qint64 first = e.ok() ? nam.record().integer(ctrl) : 0;
        struct Expected {
            qint64 person;
            qint64 phones, notes, links;
        };
        std::vector<Expected> checks;
        if (first)
            checks.push_back({first, 3, 2, 5});
        if (previous && previous != first)
            checks.push_back({previous, 0, 0, 0});
        bool readAll = true;
        for (const Expected &x : checks) {
            qint64 phones = 0;
            qint64 notes = 0;
            qint64 links = 0;
            if (children(fon, x.person, phones) || children(mem, x.person, notes) || children(jnc, x.person, links)) {
                readAll = false;
                break;
            }
            if (phones != x.phones || notes != x.notes || links != x.links) {
                ++half;
                if (seen.size() < 10)
                    seen << QStringLiteral("person %1 %2 with %3 phones, %4 notes, %5 links")
                                .arg(x.person)
                                .arg(QLatin1String(x.phones ? "present" : "gone"))
                                .arg(phones)
                                .arg(notes)
                                .arg(links);
            }
        }
        if (!readAll) {
            ++failed;
            continue;
        }
        ++reads;
        previous = first;
    }
    writeLine(QStringLiteral("reads %1 failed %2 half %3").arg(reads).arg(failed).arg(half).toUtf8());
    for (const QString &s : seen)
        writeLine("half: " + s.toUtf8());
    return 0;
}

const bool s_roles = [] {
    test::registerChildRole("change-runner", changeRunner);
    test::registerChildRole("lock-holder", lockHolder);
    test::registerChildRole("whole-reader", wholeReader);
    return true;
}();

// A data directory with the tables made and the categories the changes use.
bool makeBaseIn(const QString &directory, QString &failure) {
    Store::instance().setDirectory(directory);
    const bool made = makeBase(failure);
    Store::instance().closeAll();
    return made;
}

quint32 seedFromEnvironment() {
    const QByteArray given = qgetenv("TABULO_KILL_SEED");
    return given.isEmpty() ? static_cast<quint32>(std::random_device{}()) : given.toUInt();
}

} // namespace

// ---------------------------------------------------------------------------
// A writer killed at seeded moments inside its changes.

namespace {

struct KillPlan {
    Kind kind;
    int kills;
};
// A hundred kills, spread over the kinds.
constexpr KillPlan kKillPlan[] = {{Kind::PersonDelete, 25},
                                  {Kind::CompanyDelete, 20},
                                  {Kind::TaggedMove, 20},
                                  {Kind::Rename, 20},
                                  {Kind::Import, 15}};
constexpr ImportSize kKilledImport{1000, 1000};

QStringList runnerArgs(const QString &dir, Kind kind, int count, int serial) {
    return {QStringLiteral("change-runner"),
            dir,
            kindName(kind),
            QString::number(count),
            QString::number(serial),
            QString::number(kKilledImport.cards),
            QString::number(kKilledImport.batch)};
}

} // namespace

TEST(OneChangeKilled, EveryChangeIsWholeOrAbsentAfterTheWriterIsKilled) {
    const quint32 seed = seedFromEnvironment();
    std::printf("kill seed %u (TABULO_KILL_SEED=%u repeats this run)\n", seed, seed);
    QRandomGenerator random(seed);
    FastDataDir base;
    ASSERT_TRUE(base.ok());
    QString failure;
    ASSERT_TRUE(makeBaseIn(base.path(), failure)) << failure.toStdString();

    int serial = 0;
    int totalKills = 0;
    int totalHalf = 0;
    QStringList report;
    for (const KillPlan &plan : kKillPlan) {
        const QString kind = kindName(plan.kind);
        // How long one change of this kind runs here, from "start" to
        // "done": the kills fall at a seeded moment within that span.
        qint64 span = 0;
        {
            FastDataDir dir;
            ASSERT_TRUE(copyFiles(base.path(), dir.path()));
            Station runner(runnerArgs(dir.path(), plan.kind, 1, serial++), dir.file(QStringLiteral("errors")));
            ASSERT_TRUE(runner.started());
            QByteArray done;
            ASSERT_TRUE(runner.waitFor("done 0", &done)) << kind.toStdString() << ": " << runner.errors().toStdString();
            ASSERT_TRUE(done.endsWith(" ok")) << kind.toStdString() << ": " << runner.errors().toStdString();
            span = std::max<qint64>(1, done.split(' ').value(2).toLongLong());
            runner.closeInput();
            ASSERT_EQ(runner.wait(), 0) << runner.errors().toStdString();
        }

        int inside = 0;
        int half = 0;
        QStringList firstFound;
        for (int k = 0; k < plan.kills; ++k) {
            FastDataDir dir;
            ASSERT_TRUE(copyFiles(base.path(), dir.path()));
            // Sometimes a whole change runs first, so a change that ended
            // normally is checked beside the one that was killed.
            const int target = static_cast<int>(random.bounded(2));
            const qint64 delay = static_cast<qint64>(random.bounded(static_cast<quint32>(span + 1)));
            Station runner(runnerArgs(dir.path(), plan.kind, target + 1, serial), dir.file(QStringLiteral("errors")));
            serial += 2;
            ASSERT_TRUE(runner.started());
            ASSERT_TRUE(runner.waitFor("start " + QByteArray::number(target)))
                << kind.toStdString() << ": " << runner.errors().toStdString();
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
            runner.kill();
            const int status = runner.wait();
            ASSERT_TRUE(WIFSIGNALED(status)) << "the runner ended before the kill: " << runner.errors().toStdString();
            ++totalKills;
            if (!runner.rest().contains("done " + QByteArray::number(target)))
                ++inside;

            const QStringList found = findHalfStates(dir.path(), readIdentities(sideFile(dir.path())));
            if (!found.isEmpty()) {
                ++half;
                if (firstFound.size() < 3)
                    firstFound << QStringLiteral("  kill %1 (change %2, %3 us in): %4")
                                      .arg(k)
                                      .arg(target)
                                      .arg(delay)
                                      .arg(found.join(QStringLiteral("; ")));
            }
        }
        totalHalf += half;
        report << QStringLiteral("%1: %2 kills (%3 inside a change, span %4 us), %5 left a half state")
                      .arg(kind)
                      .arg(plan.kills)
                      .arg(inside)
                      .arg(span)
                      .arg(half)
               << firstFound;
    }
    std::printf("%s\n", qPrintable(report.join(QLatin1Char('\n'))));
    EXPECT_EQ(totalHalf, 0) << "after " << totalKills << " kills (seed " << seed << "):\n"
                            << report.join(QLatin1Char('\n')).toStdString();
}

// ---------------------------------------------------------------------------
// A write or sync of the change's commit failing, step by step.

namespace {

struct FailingStep {
    Kind kind;
    test::FailingVfs::Call call;
    int error;
    const char *what;
};

std::string caseNameOf(const FailingStep &s) {
    return test::caseName(kindName(s.kind).toStdString() + " " + s.what);
}

// ctest shows a case's parameter: its name, not its bytes.
void PrintTo(const FailingStep &s, std::ostream *out) {
    *out << caseNameOf(s);
}

// Small enough that every step of its commit can be failed in turn.
constexpr ImportSize kFailedImport{40, 20};

class OneChangeWriteFailure : public ::testing::TestWithParam<FailingStep> {};

} // namespace

TEST_P(OneChangeWriteFailure, EveryFailedStepLeavesTheChangeWholeOrAbsent) {
    const FailingStep step = GetParam();
    // Installed before the store opens anything, so every connection the
    // change makes (an import's own ones too) goes through it.
    Store::instance().closeAll();
    test::FailingVfs vfs;
    FastDataDir prepared;
    ASSERT_TRUE(prepared.ok());
    QString failure;
    ASSERT_TRUE(makeBaseIn(prepared.path(), failure)) << failure.toStdString();
    Identity change;
    Store::instance().setDirectory(prepared.path());
    ASSERT_TRUE(prepare(step.kind, 1, kFailedImport, change, failure)) << failure.toStdString();
    Store::instance().closeAll();

    CountingMessages messages;
    QStringList halfStates;
    int steps = 0;
    bool succeeded = false;
    // A few half states tell the tale; past them the run would only take
    // longer, a step per write of every commit the change makes today.
    constexpr int kEnough = 3;
    for (int nth = 1; nth <= 2000 && !succeeded && halfStates.size() < kEnough; ++nth) {
        FastDataDir dir;
        ASSERT_TRUE(copyFiles(prepared.path(), dir.path()));
        Store::instance().setDirectory(dir.path());
        Outcome outcome;
        {
            // The tables are opened before the failure is armed: the change
            // is what is tested, not the opening of its tables.
            TableUse opened(tableNames());
            vfs.arm(step.call, nth, step.error);
            outcome = run(change, messages);
            vfs.disarm();
        }
        Store::instance().closeAll();
        ++steps;
        succeeded = !vfs.fired();
        const QStringList found = findHalfStates(dir.path(), {change});
        if (!found.isEmpty())
            halfStates << QStringLiteral("step %1 (%2): %3")
                              .arg(nth)
                              .arg(QLatin1String(outcome.done ? "reported done" : "reported failed"),
                                   found.join(QStringLiteral("; ")));
        else if (outcome.done != landed(dir.path(), change))
            halfStates << QStringLiteral("step %1: reported %2 but the change %3")
                              .arg(nth)
                              .arg(QLatin1String(outcome.done ? "done" : "failed"),
                                   QLatin1String(outcome.done ? "did not land" : "landed"));
        if (succeeded) {
            EXPECT_TRUE(outcome.done) << "no call failed, yet the change did not land: "
                                      << outcome.failure.toStdString();
        }
    }
    Store::instance().setDirectory({});
    std::printf("%s: %d steps failed in turn, %lld left a half state\n", caseNameOf(step).c_str(),
                succeeded ? steps - 1 : steps, static_cast<long long>(halfStates.size()));
    EXPECT_TRUE(succeeded || !halfStates.isEmpty()) << "the change never got past the failures";
    EXPECT_TRUE(halfStates.isEmpty()) << halfStates.size() << " of " << steps << " steps:\n"
                                      << halfStates.mid(0, 8).join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    OneChange, OneChangeWriteFailure,
    ::testing::Values(
        FailingStep{Kind::PersonDelete, test::FailingVfs::Call::Write, SQLITE_IOERR_WRITE, "write fails"},
        FailingStep{Kind::PersonDelete, test::FailingVfs::Call::Sync, SQLITE_FULL, "sync finds the disk full"},
        FailingStep{Kind::CompanyDelete, test::FailingVfs::Call::Write, SQLITE_FULL, "write finds the disk full"},
        FailingStep{Kind::CompanyDelete, test::FailingVfs::Call::Sync, SQLITE_IOERR_FSYNC, "sync fails"},
        FailingStep{Kind::TaggedMove, test::FailingVfs::Call::Write, SQLITE_IOERR_WRITE, "write fails"},
        FailingStep{Kind::TaggedMove, test::FailingVfs::Call::Sync, SQLITE_FULL, "sync finds the disk full"},
        FailingStep{Kind::Rename, test::FailingVfs::Call::Write, SQLITE_FULL, "write finds the disk full"},
        FailingStep{Kind::Rename, test::FailingVfs::Call::Sync, SQLITE_IOERR_FSYNC, "sync fails"},
        FailingStep{Kind::Import, test::FailingVfs::Call::Write, SQLITE_IOERR_WRITE, "write fails"},
        FailingStep{Kind::Import, test::FailingVfs::Call::Sync, SQLITE_FULL, "sync finds the disk full"}),
    [](const ::testing::TestParamInfo<FailingStep> &info) { return caseNameOf(info.param); });

// ---------------------------------------------------------------------------
// Another station holding the last table a change writes.

namespace {

struct LockedTable {
    Kind kind;
    const char *table;
};

void PrintTo(const LockedTable &t, std::ostream *out) {
    *out << kindName(t.kind).toStdString() << ' ' << t.table;
}

class OneChangeLocked : public ::testing::TestWithParam<LockedTable> {};

} // namespace

TEST_P(OneChangeLocked, TheChangeFailsWholeAndIsReportedOnce) {
    const LockedTable lockCase = GetParam();
    FastDataDir dir;
    ASSERT_TRUE(dir.ok());
    QString failure;
    ASSERT_TRUE(makeBaseIn(dir.path(), failure)) << failure.toStdString();
    Store::instance().setDirectory(dir.path());
    Identity change;
    ASSERT_TRUE(prepare(lockCase.kind, 1, kFailedImport, change, failure)) << failure.toStdString();
    Store::instance().closeAll();

    // The store gives up on the other station's lock quickly (a table takes
    // its wait when it opens).
    const int wait = Table::defaultWaitMs();
    Table::setDefaultWaitMs(100);
    // The tables are open before the other station takes its lock: what is
    // tested is the change, not the opening of a held table. The lock is
    // certain before the change starts, and lasts until it has ended.
    std::optional<TableUse> opened(std::in_place, tableNames());
    const QString file = dir.file(Table::fileNameFor(tableDef(lockCase.table)));
    Station holder({QStringLiteral("lock-holder"), file}, dir.file(QStringLiteral("holder-errors")));
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(holder.waitFor("holding")) << holder.errors().toStdString();
    CountingMessages messages;
    const Outcome outcome = run(change, messages);
    holder.send('g');
    EXPECT_EQ(holder.wait(), 0) << holder.errors().toStdString();
    Table::setDefaultWaitMs(wait);
    opened.reset();
    Store::instance().closeAll();

    const QStringList found = findHalfStates(dir.path(), {change});
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(landed(dir.path(), change)) << "the change landed although a table was held";
    EXPECT_FALSE(outcome.done) << "the failure was reported as success";
    // Told once: in one box, or returned to the window that tells it.
    EXPECT_EQ(outcome.boxes + (outcome.failure.isEmpty() ? 0 : 1), 1)
        << "boxes: " << messages.texts.join(QLatin1Char('|')).toStdString()
        << "; returned: " << outcome.failure.toStdString();
    Store::instance().setDirectory({});
}

INSTANTIATE_TEST_SUITE_P(OneChange, OneChangeLocked,
                         ::testing::Values(LockedTable{Kind::PersonDelete, "QKjnc"},
                                           LockedTable{Kind::PersonDelete, "QKmem"},
                                           LockedTable{Kind::CompanyDelete, "QKjcg"},
                                           LockedTable{Kind::Rename, "QKjnc"}),
                         [](const ::testing::TestParamInfo<LockedTable> &info) {
                             return test::caseName(kindName(info.param.kind).toStdString() + " " +
                                                   info.param.table);
                         });

// ---------------------------------------------------------------------------
// A second station reading while people are deleted one after another.

namespace {
// Each delete is a few thousand reads apart under the reader; more deletes
// only make the test longer (a sanitizer build on two cores reads about a
// thousand times a second).
constexpr int kReadDeletes = 1000;
}

TEST(OneChangeRead, AReaderNeverSeesHalfADeletedPerson) {
    FastDataDir dir;
    ASSERT_TRUE(dir.ok());
    QString failure;
    ASSERT_TRUE(makeBaseIn(dir.path(), failure)) << failure.toStdString();
    Store::instance().setDirectory(dir.path());
    std::vector<Identity> deletes;
    ASSERT_TRUE(preparePersonDeletes(kReadDeletes, deletes, failure)) << failure.toStdString();

    Station reader({QStringLiteral("whole-reader"), dir.path()}, dir.file(QStringLiteral("reader-errors")));
    ASSERT_TRUE(reader.started());
    ASSERT_TRUE(reader.waitFor("ready")) << reader.errors().toStdString();
    CountingMessages messages;
    int failed = 0;
    for (const Identity &c : deletes)
        failed += !run(c, messages).done;
    reader.closeInput();
    QByteArray summary;
    ASSERT_TRUE(reader.waitFor("reads ", &summary)) << reader.errors().toStdString();
    EXPECT_EQ(reader.wait(), 0) << reader.errors().toStdString();
    const QByteArray seen = reader.rest();
    Store::instance().closeAll();

    std::printf("%d person deletes (%d failed) under a reader: %s\n", kReadDeletes, failed, summary.constData());
    const QList<QByteArray> words = summary.split(' ');
    EXPECT_GT(words.value(1).toLongLong(), 0) << "the reader never read";
    EXPECT_EQ(words.value(5).toLongLong(), 0) << seen.toStdString();
    // Whatever failed failed whole.
    const QStringList found = findHalfStates(dir.path(), deletes);
    EXPECT_TRUE(found.isEmpty()) << found.mid(0, 8).join(QLatin1Char('\n')).toStdString();
    Store::instance().setDirectory({});
}

// The call log over 1,000,000 calls of which 1% are not returned: each of
// the six orders opened on its first page. The just-phones list over
// 1,000,000 phone numbers of which 1,000 belong to people deleted outside the
// cascade and 10,000 have no display name yet: the "All by Number" order with
// its count and repair pass, first and once repaired. Beside them, the
// baseline the repair replaces: reading every number through the cursor and
// looking its owner up one by one.
#include "BenchSupport.h"
#include "engine/BrowseList.h"
#include "engine/gui/BrowseWindow.h"
#include "phones/PhoneRepair.h"
#include "phones/gui/CallWindows.h"
#include "phones/gui/JustPhonesWindows.h"
#include "store/MessageService.h"
#include "store/Store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTabBar>
#include <benchmark/benchmark.h>

#include <random>
#include <sqlite3.h>

using namespace tabulo;

namespace {

constexpr int kCalls = 1'000'000;
constexpr int kPhones = 1'000'000;
constexpr int kPeople = 500'000;
constexpr int kOrphanPeople = 500; // two numbers each: 1,000 orphans
constexpr int kUnnamedEvery = 100;

QString dataDir() {
    return bench::cachedDataDir(QStringLiteral("calls-%1").arg(kCalls));
}

const char *const kNames[] = {"Adams", "Baker", "Clark", "Davis", "Evans", "Fisher", "Garcia", "Harris",
                              "Irwin", "Jones", "King",  "Lee",   "Moore", "Nelson", "Owens",  "Parker"};

void buildData() {
    const QString dir = dataDir();
    if (!bench::startBuild(dir))
        return;
    store::Store &store = store::Store::instance();
    store.setDirectory(dir);
    std::mt19937 rng(7);
    store::Table &inc = store.use(QStringLiteral("QKinc"));
    inc.lock(600);
    for (int i = 1; i <= kCalls; ++i) {
        store::Record &c = inc.record();
        c.clear();
        c.setValue(QStringLiteral("INC:CTRL_NBR"), i);
        c.setValue(QStringLiteral("INC:FIRSTNAME"), QStringLiteral("Caller"));
        c.setValue(QStringLiteral("INC:LASTNAME"), QString::fromLatin1(kNames[rng() % 16]) + QString::number(i % 997));
        c.setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Company %1").arg(rng() % 50000));
        c.setValue(QStringLiteral("INC:NUMBER"), QStringLiteral("614%1").arg(1000000 + rng() % 9000000));
        c.setValue(QStringLiteral("INC:SOURCE"), QStringLiteral("Source %1").arg(rng() % 40));
        const int date = 70000 + i / 300;
        c.setValue(QStringLiteral("INC:CALLERDATE"), date);
        c.setValue(QStringLiteral("INC:CALLERTIME"), 1 + (i % 300) * 10000);
        if (i % 100 != 0) {
            c.setValue(QStringLiteral("INC:RETURNEDDATE"), date + 1);
            c.setValue(QStringLiteral("INC:RETURNEDTIME"), 360001);
        }
        inc.insert();
        if (i % 100000 == 0)
            inc.flush();
    }
    inc.unlock();
    store.release(QStringLiteral("QKinc"));

    store::Table &nam = store.use(QStringLiteral("QKnam"));
    nam.lock(600);
    for (int i = 1; i <= kPeople; ++i) {
        if (i % (kPeople / kOrphanPeople) == 0)
            continue; // deleted outside the cascade: their numbers stay behind
        bench::addPerson(nam, i, QString::fromLatin1(kNames[i % 16]) + QString::number(i),
                         QStringLiteral("Pat"));
        if (i % 100000 == 0)
            nam.flush();
    }
    nam.unlock();
    store.release(QStringLiteral("QKnam"));
    store::Table &fon = store.use(QStringLiteral("QKfon"));
    fon.lock(600);
    for (int i = 1; i <= kPhones; ++i) {
        const int person = (i + 1) / 2;
        const QString listed = i % kUnnamedEvery != 0 ? QString::fromLatin1(kNames[person % 16]) +
                                                            QString::number(person) + QStringLiteral(", Pat")
                                                      : QString();
        bench::addPhone(fon, i, "FON:NAM_CTRL", person,
                        i % 2 ? QStringLiteral("Home") : QStringLiteral("Work"),
                        QStringLiteral("614%1").arg(1000000 + i), {{"FON:JUSTPHONESNAME", listed}});
        if (i % 100000 == 0)
            fon.flush();
    }
    fon.unlock();
    store.release(QStringLiteral("QKfon"));
    store.use(QStringLiteral("QKcmp"));
    store.release(QStringLiteral("QKcmp"));
    bench::finishBuild(dir);
}

// The just-phones runs repair what they read: they work on a copy of the
// phone, person and company files, fresh for the first pass.
QString workDir() {
    return dataDir() + QStringLiteral("-work");
}

void freshCopy() {
    QDir(workDir()).removeRecursively();
    QDir().mkpath(workDir());
    for (const QFileInfo &f : QDir(dataDir()).entryInfoList(QDir::Files))
        QFile::copy(f.filePath(), QDir(workDir()).filePath(f.fileName()));
}

using bench::closeWindow;
using bench::settle;

// Each order of the calls list on its first page, the list open already.
void BM_CallsOrderFirstPage(benchmark::State &state) {
    buildData();
    store::Store::instance().setDirectory(dataDir());
    auto *w = phones::gui::CallsListWindow::open();
    settle();
    const int order = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        w->tabs()->setCurrentIndex(order == 0 ? 1 : 0);
        settle();
        state.ResumeTiming();
        w->tabs()->setCurrentIndex(order);
        if (w->engine().rowCount() == 0)
            state.SkipWithError("no rows");
    }
    state.SetLabel(w->tabs()->tabText(order).remove(QLatin1Char('&')).toStdString());
    closeWindow(w);
    store::Store::instance().closeAll();
}
BENCHMARK(BM_CallsOrderFirstPage)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The calls list opened on its first page ("Da&te").
void BM_CallsListOpen(benchmark::State &state) {
    buildData();
    store::Store::instance().setDirectory(dataDir());
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto *w = phones::gui::CallsListWindow::open();
        while (w->engine().rowCount() == 0)
            QCoreApplication::processEvents();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        closeWindow(w);
        store::Store::instance().closeAll();
    }
}
BENCHMARK(BM_CallsListOpen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// "All by Number" with its count and repair: the first pass deletes the
// orphans and names the unnamed; later passes find the table repaired.
void BM_JustPhonesAllByNumber(benchmark::State &state) {
    buildData();
    // 0: the first pass over 1,000 orphans and 10,000 numbers without a
    // name; 2: the first pass over the orphans alone (every number named);
    // 1: a pass over the table the last run left.
    const bool firstPass = state.range(0) != 1;
    if (firstPass || !QFile::exists(workDir()))
        freshCopy();
    if (state.range(0) == 2) {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(QDir(workDir()).filePath(QStringLiteral("QKFON.db"))).constData(), &db);
        sqlite3_exec(db, "UPDATE rec SET f_JUSTPHONESNAME='Named',i_JUSTPHONESNAME='named' WHERE f_JUSTPHONESNAME=''",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    store::Store::instance().setDirectory(workDir());
    bench::CountingMessages messages;
    for (auto _ : state) {
        state.PauseTiming();
        phones::forgetPhoneRepairs();
        auto *w = phones::gui::JustPhonesListWindow::open();
        settle();
        state.ResumeTiming();
        w->tabs()->setCurrentIndex(3);
        state.PauseTiming();
        state.counters["count"] = static_cast<double>(w->engine().recordCount());
        state.counters["deleted"] = static_cast<double>(w->lastRepair().deleted);
        state.counters["named"] = static_cast<double>(w->lastRepair().named);
        closeWindow(w);
        state.ResumeTiming();
    }
    state.counters["messages"] = messages.shown();
    store::Store::instance().closeAll();
}
BENCHMARK(BM_JustPhonesAllByNumber)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JustPhonesAllByNumber)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JustPhonesAllByNumber)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

// The baseline: every number read through the cursor in number order, its
// owner looked up one by one, as a record-at-a-time pass would.
void BM_JustPhonesRecordByRecordBaseline(benchmark::State &state) {
    buildData();
    store::Store &s = store::Store::instance();
    s.setDirectory(dataDir());
    store::Table &fon = s.use(QStringLiteral("QKfon"));
    store::Table &nam = s.use(QStringLiteral("QKnam"));
    const store::KeyDef &byNumber = *fon.def().key(QStringLiteral("NUMBER_KEY"));
    const store::KeyDef &person = *nam.def().key(QStringLiteral("CTRL_KEY"));
    fon.send(QStringLiteral("QUICKSCAN=on"));
    for (auto _ : state) {
        qint64 count = 0, missing = 0;
        fon.setStart(&byNumber);
        while (fon.next().ok()) {
            ++count;
            const qint64 owner = fon.record().value(QStringLiteral("NAM_CTRL")).toLongLong();
            if (owner > 0) {
                nam.record().setValue(QStringLiteral("CTRL_NBR"), owner);
                if (!nam.fetch(person).ok())
                    ++missing;
            }
        }
        state.counters["count"] = static_cast<double>(count);
        state.counters["missing"] = static_cast<double>(missing);
    }
    fon.send(QStringLiteral("QUICKSCAN=off"));
    s.release(QStringLiteral("QKfon"));
    s.release(QStringLiteral("QKnam"));
    s.closeAll();
}
BENCHMARK(BM_JustPhonesRecordByRecordBaseline)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    store::Store::instance().closeAll();
    return 0;
}

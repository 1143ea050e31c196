// The names list over 1,000,000 people, each with an "All" link, 100,000 of
// them also in one category: opening to the first page with its count,
// switching to the category, an alphabet jump, an in-place rename of a
// person with five links, and tagging the whole category.
#include "BenchSupport.h"
#include "base/Clock.h"
#include "engine/BrowseList.h"
#include "engine/gui/BrowseWindow.h"
#include "host/StoreSetupSource.h"
#include "people/TagStore.h"
#include "people/gui/NamesListWindow.h"
#include "shell/gui/MainFrame.h"
#include "shell/gui/ProgramWindows.h"
#include "store/Dictionary.h"
#include "store/Store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <benchmark/benchmark.h>

#include <random>

using namespace tabulo;

namespace {

constexpr int kPeople = 1'000'000;
constexpr int kInCategory = 100'000;
constexpr qint64 kCategory = 7;
constexpr qint64 kFiveLinks = 424'242; // a person with links to five categories

QString dataDir() {
    return bench::cachedDataDir(QStringLiteral("names-%1").arg(kPeople));
}

const char *const kLast[] = {"Adams", "Baker",  "Clark", "Davis", "Evans", "Frank", "Green", "Hill",  "Irwin",
                             "Jones", "King",   "Lewis", "Moore", "Nash",  "Owens", "Price", "Quinn", "Reed",
                             "Smith", "Turner", "Usher", "Vance", "White", "Young", "Zimmer"};

void buildData() {
    const QString dir = dataDir();
    if (!bench::startBuild(dir))
        return;
    store::Store &store = store::Store::instance();
    store.setDirectory(dir);
    store::Table &nam = store.use(QStringLiteral("QKnam"));
    store::Table &jnc = store.use(QStringLiteral("QKjnc"));
    store::Table &cat = store.use(QStringLiteral("QKcat"));
    for (store::Table *t : {&nam, &jnc, &cat})
        t->lock(60);
    for (qint64 c = 1; c <= 10; ++c)
        bench::insert(cat, {{"CAT:CTRL_NBR", c}, {"CAT:CATEGORY", QStringLiteral("Category %1").arg(c)}});
    std::mt19937 rng(42);
    qint64 link = 0;
    auto addLink = [&](qint64 person, qint64 category, const QString &last, const QString &first) {
        bench::addNameLink(jnc, ++link, person, category, last, first);
    };
    for (qint64 i = 1; i <= kPeople; ++i) {
        const QString last = QString::fromLatin1(kLast[rng() % 25]) + QString::number(rng() % 10000);
        const QString first = QStringLiteral("First%1").arg(rng() % 5000);
        bench::addPerson(nam, i, last, first, {{"NAM:CITY", QStringLiteral("Springfield")}});
        addLink(i, 0, last, first);
        if (i % (kPeople / kInCategory) == 0)
            addLink(i, kCategory, last, first);
        if (i == kFiveLinks)
            for (qint64 c : {1, 2, 3, 4})
                addLink(i, c, last, first);
        if (i % 100000 == 0) {
            nam.flush();
            jnc.flush();
        }
    }
    for (store::Table *t : {&nam, &jnc, &cat})
        t->unlock();
    for (const char *name : {"QKnam", "QKjnc", "QKcat"})
        store.release(QString::fromLatin1(name));
    bench::finishBuild(dir);
}

using bench::settle;

people::gui::NamesListWindow *namesList() {
    static people::gui::NamesListWindow *window = [] {
        buildData();
        store::Store::instance().setDirectory(dataDir());
        auto *w = people::gui::NamesListWindow::open();
        settle();
        return w;
    }();
    return window;
}

// Program start to the first page with its count shown: the frame starts,
// reads its setup record and opens the names list, which counts "All".
void BM_StartToFirstPageWithCount(benchmark::State &state) {
    buildData();
    store::Store::instance().setDirectory(dataDir());
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        host::StoreSetupSource setup(store::Store::instance());
        shell::gui::MainFrame::Services services;
        services.setup = &setup;
        services.formatD3 = [](int) { return QStringLiteral("Dec 8, 2026"); };
        auto frame = std::make_unique<shell::gui::MainFrame>(services);
        shell::gui::registerProgramWindows(frame->openers());
        frame->start();
        auto *w = people::gui::NamesListWindow::openWindow();
        auto *count = w ? w->findChild<QLabel *>(QStringLiteral("recordCount")) : nullptr;
        while (count && count->text().isEmpty())
            QCoreApplication::processEvents();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        state.counters["count"] = count ? count->text().toDouble() : -1;
        bench::closeWindow(frame.get());
        frame.reset();
        settle();
    }
}
BENCHMARK(BM_StartToFirstPageWithCount)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SwitchToCategory(benchmark::State &state) {
    auto *w = namesList();
    for (auto _ : state) {
        w->displayCategory(kCategory, QStringLiteral("Category 7"));
        state.PauseTiming();
        w->showAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SwitchToCategory)->Unit(benchmark::kMillisecond);

// The same after a write to the links, so the category is counted afresh.
void BM_SwitchToCategoryAfterAWrite(benchmark::State &state) {
    auto *w = namesList();
    store::Table &jnc = store::Store::instance().table(QStringLiteral("QKjnc"));
    for (auto _ : state) {
        state.PauseTiming();
        const store::Record kept = jnc.record();
        jnc.record().clear();
        jnc.record().setValue(QStringLiteral("JNC:CTRL_NBR"), 99'999'999);
        jnc.record().setValue(QStringLiteral("JNC:CAT_CTRL"), 99);
        jnc.insert();
        jnc.remove();
        jnc.record() = kept;
        state.ResumeTiming();
        w->displayCategory(kCategory, QStringLiteral("Category 7"));
        state.PauseTiming();
        w->showAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SwitchToCategoryAfterAWrite)->Unit(benchmark::kMillisecond);

void BM_AlphabetJump(benchmark::State &state) {
    auto *w = namesList();
    const char letters[] = "MSBW";
    int i = 0;
    for (auto _ : state)
        w->alphabetJump(QLatin1Char(letters[i++ % 4]));
}
BENCHMARK(BM_AlphabetJump)->Unit(benchmark::kMicrosecond);

// Leaving the last-name field changed: the save, the rewrite of the five
// links and the repositioning of the list.
void BM_RenamePersonWithFiveLinks(benchmark::State &state) {
    auto *w = namesList();
    w->showAll();
    store::Table &nam = store::Store::instance().table(QStringLiteral("QKnam"));
    nam.record().clear();
    nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), kFiveLinks);
    nam.fetch(*nam.def().key(QStringLiteral("CTRL_KEY")));
    const QString last = nam.record().value(QStringLiteral("LNAME")).toString();
    w->alphabetJump(last.at(0));
    int round = 0;
    QLineEdit *edit = w->entry(QStringLiteral("NAM:LNAME"));
    for (auto _ : state) {
        state.PauseTiming();
        // Put the person in the buffers as a highlight would.
        store::Record &link = store::Store::instance().table(QStringLiteral("QKjnc")).record();
        link.setValue(QStringLiteral("JNC:LNAME"), nam.record().value(QStringLiteral("LNAME")));
        link.setValue(QStringLiteral("JNC:NAM_CTRL"), kFiveLinks);
        link.setValue(QStringLiteral("JNC:CAT_CTRL"), 0);
        w->mainList()->engine().locate(engine::BrowseList::LocateMode::NotBelow);
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &in);
        edit->setText(QStringLiteral("%1%2").arg(last).arg(++round % 2 ? QStringLiteral("x") : QString()));
        state.ResumeTiming();
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &out);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_RenamePersonWithFiveLinks)->Unit(benchmark::kMillisecond);

void BM_TagAllThenUntagAllInCategory(benchmark::State &state) {
    auto *w = namesList();
    w->displayCategory(kCategory, QStringLiteral("Category 7"));
    const bool on = state.range(0) != 0;
    for (auto _ : state) {
        if (!on) {
            state.PauseTiming();
            bool tagged = false;
            w->tagAll(true, [&tagged] { tagged = true; });
            while (!tagged)
                QCoreApplication::processEvents();
            state.ResumeTiming();
        }
        bool done = false;
        w->tagAll(on, [&done] { done = true; });
        while (!done)
            QCoreApplication::processEvents();
        state.PauseTiming();
        if (on) {
            bool cleared = false;
            w->tagAll(false, [&cleared] { cleared = true; });
            while (!cleared)
                QCoreApplication::processEvents();
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TagAllThenUntagAllInCategory)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (auto *w = people::gui::NamesListWindow::openWindow())
        w->close();
    settle();
    store::Store::instance().closeAll();
    return 0;
}

// The tag store over a category of 100,000 name links: "Tag All" and
// "Untag All" as the names list runs them (inside one batch, 10 records per
// slice), the count with and without its cache, and clearing every tag the
// quick way (one statement) and the slow way (another table's tags present).
// The event-loop runs also report the longest turn the loop had to wait.
#include "BenchSupport.h"
#include "people/TagStore.h"
#include "people/gui/TagProgress.h"
#include "store/Store.h"
#include "store/Table.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <optional>

using namespace tabulo;
using people::TagPass;
using people::TagStep;

namespace {

constexpr int kLinks = 100'000;
constexpr qint64 kCategory = 5;
constexpr qint16 kTable = people::TagTable::NameLinks;
constexpr qint16 kOtherTable = 2;

QString dataDir() {
    return bench::cachedDataDir(QStringLiteral("tags-%1").arg(kLinks));
}

// 100,000 links in the category the passes go through and 10,000 in
// another, built once and kept under the temporary directory.
void buildLinks() {
    const QString dir = dataDir();
    if (!bench::startBuild(dir, QStringLiteral("links.done")))
        return;
    store::Table jnc(*store::Dictionary::instance().table(QStringLiteral("QKjnc")), dir);
    jnc.create();
    jnc.open();
    jnc.lock(10);
    for (int i = 1; i <= kLinks + kLinks / 10; ++i)
        bench::addNameLink(jnc, i, i, i <= kLinks ? kCategory : kCategory + 1,
                           QStringLiteral("Name%1").arg(i % 7919), QString());
    jnc.unlock();
    bench::finishBuild(dir, QStringLiteral("links.done"));
}

struct Fixture {
    Fixture()
        : use(QStringList{QStringLiteral("TagFile_"), QStringLiteral("QKjnc")}) {}
    store::TableUse use;
    people::TagStore tags{store::Store::instance()};

    store::Table &tagFile() { return use[QStringLiteral("TagFile_")]; }
    std::unique_ptr<store::Cursor> category() {
        store::Table &jnc = use[QStringLiteral("QKjnc")];
        auto cursor = std::make_unique<store::Cursor>(jnc);
        cursor->setOrder(jnc.def().key(QStringLiteral("CAT_CTRL_KEY")));
        cursor->setRange({store::sql::Value(kCategory)});
        cursor->setReadAhead(100);
        return cursor;
    }
    // The names list's whole-category pass, straight through.
    void pass(TagPass::Mode mode) {
        tags.beginBatch();
        auto source = category();
        TagPass p(tags, kTable, *source, mode);
        while (p.step(10) == TagStep::More) {
        }
        tags.endBatch();
    }
    void resetTags() {
        tagFile().empty();
        tags.forgetCount();
    }
    // Some tags of another table, so the quick way does not apply.
    void tagOtherTable() {
        tags.beginBatch();
        for (int p = 1; p <= 1000; ++p)
            tags.setTag(kOtherTable, p);
        tags.endBatch();
    }
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void Tags_TagAll(benchmark::State &state) {
    Fixture &f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.resetTags();
        state.ResumeTiming();
        f.pass(TagPass::Mode::Set);
    }
    state.counters["tags"] = static_cast<double>(f.tagFile().records());
}

void Tags_UntagAll(benchmark::State &state) {
    Fixture &f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.resetTags();
        f.pass(TagPass::Mode::Set);
        state.ResumeTiming();
        f.pass(TagPass::Mode::Clear);
    }
    state.counters["left"] = static_cast<double>(f.tagFile().records());
}

void Tags_CountUncached(benchmark::State &state) {
    Fixture &f = fixture();
    f.resetTags();
    f.pass(TagPass::Mode::Set);
    std::optional<qint32> n;
    for (auto _ : state) {
        f.tags.forgetCount();
        n = f.tags.countTags(kTable);
    }
    state.counters["count"] = n.value_or(-1);
}

void Tags_CountCached(benchmark::State &state) {
    Fixture &f = fixture();
    f.resetTags();
    f.pass(TagPass::Mode::Set);
    f.tags.countTags(kTable);
    std::optional<qint32> n;
    for (auto _ : state)
        benchmark::DoNotOptimize(n = f.tags.countTags(kTable));
    state.counters["count"] = n.value_or(-1);
}

void Tags_ClearAllQuick(benchmark::State &state) {
    Fixture &f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.resetTags();
        f.pass(TagPass::Mode::Set);
        state.ResumeTiming();
        f.tags.clearAllTags(kTable, true);
    }
    state.counters["left"] = static_cast<double>(f.tagFile().records());
}

void Tags_ClearAllSlow(benchmark::State &state) {
    Fixture &f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.resetTags();
        f.tagOtherTable();
        f.pass(TagPass::Mode::Set);
        state.ResumeTiming();
        f.tags.clearAllTags(kTable, true);
    }
    state.counters["left"] = static_cast<double>(f.tagFile().records());
}

// Runs the event loop until `finished`, measuring the longest gap between
// two turns of a 0 ms timer that stands for the rest of the program.
double runLoop(const bool &finished) {
    QElapsedTimer gap;
    gap.start();
    qint64 longest = 0;
    QTimer other;
    other.setInterval(0);
    QObject::connect(&other, &QTimer::timeout, [&] {
        longest = std::max(longest, gap.nsecsElapsed());
        gap.restart();
    });
    other.start();
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return static_cast<double>(longest) / 1e6;
}

// "Tag All" then "Untag All" as the names list runs them from its window.
void Tags_TagAllUntagAllFromEventLoop(benchmark::State &state) {
    Fixture &f = fixture();
    double longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.resetTags();
        state.ResumeTiming();
        for (TagPass::Mode mode : {TagPass::Mode::Set, TagPass::Mode::Clear}) {
            bool finished = false;
            people::gui::runTagPass(
                f.category(), kTable, mode, nullptr, [&](TagStep) { finished = true; }, f.tags);
            longest = std::max(longest, runLoop(finished));
        }
    }
    state.counters["longest_turn_ms"] = longest;
    state.counters["left"] = static_cast<double>(f.tagFile().records());
}

// The "Clearing Tags" window over 100,000 tags, another table's present.
void Tags_ClearingWindow(benchmark::State &state) {
    Fixture &f = fixture();
    double longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.resetTags();
        f.tagOtherTable();
        f.pass(TagPass::Mode::Set);
        state.ResumeTiming();
        bool finished = false;
        if (!people::gui::clearAllTags(
                kTable, true, nullptr, [&](TagStep) { finished = true; }, f.tags))
            finished = true;
        longest = std::max(longest, runLoop(finished));
    }
    state.counters["longest_turn_ms"] = longest;
    state.counters["left"] = static_cast<double>(f.tagFile().records());
}

BENCHMARK(Tags_TagAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Tags_UntagAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Tags_CountUncached)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Tags_CountCached)->Unit(benchmark::kNanosecond);
BENCHMARK(Tags_ClearAllQuick)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Tags_ClearAllSlow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Tags_TagAllUntagAllFromEventLoop)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Tags_ClearingWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    buildLinks();
    store::Store::instance().setDirectory(dataDir());
    QFile::remove(QDir(dataDir()).filePath(QStringLiteral("TagFile_.TPS")));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    store::Store::instance().closeAll();
    return 0;
}

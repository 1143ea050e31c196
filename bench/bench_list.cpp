// The browse list engine over 1,000,000 cities (it reads only the page it
// shows), beside a QSqlTableModel in a QTableView over the same rows in a
// plain SQLite table (which must fetch every row to reach the end).
#include "BenchSupport.h"
#include "engine/BrowseList.h"
#include "store/Dictionary.h"
#include "store/Table.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <random>

using namespace tabulo;

namespace {

constexpr int kCities = 1'000'000;
constexpr int kPage = 25;

QString dataDir(int count = kCities) {
    return bench::cachedDataDir(QStringLiteral("list-%1").arg(count));
}

QString plainFile(int count = kCities) {
    return QDir(dataDir(count)).filePath(QStringLiteral("plain.sqlite"));
}

QString cityName(std::mt19937 &rng) {
    static const char *const stems[] = {"Spring", "River", "Oak",   "Maple", "Cedar", "Lake", "Hill", "Green",
                                        "Fair",   "Mount", "North", "West",  "Clear", "Rock", "Elm",  "Pine"};
    static const char *const ends[] = {"field", "ton", "ville", "dale", "wood", "port", "burg", " City"};
    return QString::fromLatin1(stems[rng() % 16]) + QString::fromLatin1(ends[rng() % 8]) + QLatin1Char(' ') +
           QString::number(rng() % 100000);
}

void buildData(int count = kCities) {
    const QString dir = dataDir(count);
    if (!bench::startBuild(dir))
        return;
    store::Table zip(*store::Dictionary::instance().table(QStringLiteral("QKzip")), dir);
    zip.create();
    zip.open();
    zip.lock(10);
    sqlite3 *plain = nullptr;
    sqlite3_open(QFile::encodeName(plainFile(count)).constData(), &plain);
    sqlite3_exec(plain,
                 "CREATE TABLE zip(ctrl_nbr INTEGER PRIMARY KEY, city TEXT, zip TEXT, state TEXT);"
                 "CREATE INDEX zip_city ON zip(city COLLATE NOCASE, zip);BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(plain, "INSERT INTO zip VALUES(?,?,?,?)", -1, &insert, nullptr);
    std::mt19937 rng(7);
    for (int i = 1; i <= count; ++i) {
        const QString city = cityName(rng);
        const QString state = QStringLiteral("IL");
        zip.record().clear();
        zip.record().setValue(0, i);
        zip.record().setValue(QStringLiteral("CITY"), city);
        zip.record().setValue(QStringLiteral("STATE"), state);
        zip.insert();
        const std::string c = city.toStdString();
        sqlite3_bind_int64(insert, 1, i);
        sqlite3_bind_text(insert, 2, c.data(), static_cast<int>(c.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, "", 0, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, "IL", 2, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        if (i % 100000 == 0)
            zip.flush();
    }
    sqlite3_finalize(insert);
    sqlite3_exec(plain, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(plain);
    zip.unlock();
    bench::finishBuild(dir);
}

class PageHost final : public engine::BrowseHost {
public:
    int visibleRows() const override { return kPage; }
    void pageChanged() override {}
    void runForm(std::function<void()> done) override { done(); }
    void closeList() override {}
};

struct Fixture {
    explicit Fixture(int count = kCities) {
        buildData(count);
        table = std::make_unique<store::Table>(*store::Dictionary::instance().table(QStringLiteral("QKzip")),
                                               dataDir(count));
        table->open();
    }
    std::unique_ptr<engine::BrowseList> list(engine::ThumbKind thumb) {
        auto l = std::make_unique<engine::BrowseList>(
            *table,
            std::vector<engine::ListColumn>{{QStringLiteral("CITY"), QStringLiteral("@s30")},
                                            {QStringLiteral("STATE"), QStringLiteral("@s2")},
                                            {QStringLiteral("ZIP"), QStringLiteral("@s5")}},
            std::vector<engine::SortOrder>{engine::SortOrder{table->def().key(QStringLiteral("CITY_KEY"))}},
            thumb, host);
        l->open();
        return l;
    }
    std::unique_ptr<store::Table> table;
    PageHost host;
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void List_OpenFirstPage(benchmark::State &state) {
    for (auto _ : state) {
        auto l = fixture().list(engine::ThumbKind::Fixed);
        l->refresh(0);
        benchmark::DoNotOptimize(l->row(1));
    }
}

void List_PageDown100(benchmark::State &state) {
    auto l = fixture().list(engine::ThumbKind::Fixed);
    l->refresh(0);
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i)
            l->scrollPage(true);
        benchmark::DoNotOptimize(l->row(1));
    }
}

void List_JumpToEnd(benchmark::State &state) {
    auto l = fixture().list(engine::ThumbKind::Fixed);
    l->refresh(0);
    for (auto _ : state) {
        l->scrollToEnd(true);
        benchmark::DoNotOptimize(l->row(l->rowCount()));
        l->scrollToEnd(false);
    }
}

void List_LocateByLetter(benchmark::State &state) {
    auto l = fixture().list(engine::ThumbKind::Fixed);
    l->refresh(0);
    const QString letters = QStringLiteral("SROMCLHGFNWE");
    int i = 0;
    for (auto _ : state) {
        l->typed(letters.at(i++ % letters.size()));
        benchmark::DoNotOptimize(l->row(1));
    }
}

void List_BuildThumbTable(benchmark::State &state) {
    auto l = fixture().list(engine::ThumbKind::Distributed);
    l->refresh(0);
    for (auto _ : state) {
        l->buildThumbTable();
        benchmark::DoNotOptimize(l->thumbTable());
    }
}

// The stock way: a table model over the plain table in a view, sorted by
// city, scrolled to the last row.
void SqlTableModel_OpenAndJumpToEnd(benchmark::State &state) {
    fixture();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(plainFile());
    db.open();
    for (auto _ : state) {
        QSqlTableModel model(nullptr, db);
        model.setTable(QStringLiteral("zip"));
        model.setSort(1, Qt::AscendingOrder);
        model.select();
        QTableView view;
        view.setModel(&model);
        view.resize(600, 25 * 24);
        while (model.canFetchMore())
            model.fetchMore();
        view.scrollToBottom();
        benchmark::DoNotOptimize(model.rowCount());
    }
    db.close();
}

// Runs in a child process: every list step over `count` records, then the
// peak memory it took.
int measureList(int count) {
    buildData(count);
    const long before = bench::peakResidentKb();
    {
        Fixture f(count);
        auto l = f.list(engine::ThumbKind::Distributed);
        l->refresh(0);
        for (int i = 0; i < 100; ++i)
            l->scrollPage(true);
        l->scrollToEnd(true);
        l->scrollToEnd(false);
        for (QChar c : QStringLiteral("SROMCLHGFNWE"))
            l->typed(c);
        l->buildThumbTable();
    }
    std::printf("%ld %ld\n", before, bench::peakResidentKb());
    return 0;
}

// Peak memory of the same list work over 1,000 and over 1,000,000 records,
// each in a fresh process after its data exists.
void List_PeakMemory(benchmark::State &state) {
    buildData(1000);
    auto run = [](int count) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure-list"), QString::number(count)});
        child.waitForFinished(600000);
        const QList<QByteArray> kb = child.readAllStandardOutput().trimmed().split(' ');
        return std::pair<double, double>(kb.value(0).toDouble(), kb.value(1).toDouble());
    };
    std::pair<double, double> small;
    std::pair<double, double> large;
    for (auto _ : state) {
        small = run(1000);
        large = run(kCities);
    }
    state.counters["peak_kB_1k"] = small.second;
    state.counters["peak_kB_1M"] = large.second;
    state.counters["list_kB_1k"] = small.second - small.first;
    state.counters["list_kB_1M"] = large.second - large.first;
}

} // namespace

BENCHMARK(List_PeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(List_OpenFirstPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(List_PageDown100)->Unit(benchmark::kMillisecond);
BENCHMARK(List_JumpToEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(List_LocateByLetter)->Unit(benchmark::kMicrosecond);
BENCHMARK(List_BuildThumbTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(SqlTableModel_OpenAndJumpToEnd)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char **argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--measure-list") {
        QCoreApplication app(argc, argv);
        return measureList(std::atoi(argv[2]));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    fixture(); // the data is built (once, cached under /tmp) before any timing
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return 0;
}

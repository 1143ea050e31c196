// The search over 1,000,000 people with 1,500,000 phone numbers and 300,000
// notes, 200,000 companies and 50,000 calls: the time from a query to its
// first results for a rare name, a common prefix, a phone fragment and a
// word from notes; beside each, a plain LIKE '%word%' scan of the same
// tables' searched columns for the same first results. Also the time the
// index takes to build over a directory made without it, and its size.
#include "BenchSupport.h"
#include "search/SearchEngine.h"
#include "search/SearchIndexBuild.h"
#include "store/MessageService.h"
#include "store/Store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <sqlite3.h>

using namespace tabulo;

namespace {

constexpr int kPeople = 1'000'000;
constexpr int kCompanies = 200'000;
constexpr int kNotes = 300'000;
constexpr int kCalls = 50'000;
constexpr int kPerKind = 50;

QString dataDir()
{
    return bench::cachedDataDir(QStringLiteral("search-%1").arg(kPeople));
}

const char *const kSyllables[] = {"ba", "ker", "mo", "ran", "li", "son", "da", "vis", "tor", "wen", "ha",
                                  "ris", "el", "nor", "cal", "lin", "ga", "ro", "ven", "ston", "mil", "ler",
                                  "fi", "sher", "an", "der", "ber", "gen", "ol", "sen"};
const char *const kFirst[] = {"John", "Mary", "Anna", "Peter", "Linda", "James", "Susan", "Robert", "Karen",
                              "Michael", "Laura", "David", "Emma", "Thomas", "Alice", "Daniel", "Grace", "Paul"};
const char *const kStreets[] = {"Main", "Oak", "Elm", "High", "Park", "Maple", "Cedar", "Lake", "Hill", "River"};
const char *const kCities[] = {"Columbus", "Dayton", "Toledo", "Akron", "Canton", "Parma", "Lorain", "Kent"};
const char *const kWords[] = {"meeting", "invoice", "birthday", "order", "call", "back", "about", "price",
                              "delivery", "contract", "renewal", "lunch", "project", "budget", "quote",
                              "shipment", "sample", "visit", "friday", "monday", "office", "warehouse",
                              "discount", "payment", "reminder", "garden", "family", "school", "travel", "doctor"};

template <size_t N> const char *pick(const char *const (&list)[N], std::mt19937 &rng)
{
    return list[rng() % N];
}

QString lastName(std::mt19937 &rng)
{
    QString s = QString::fromLatin1(pick(kSyllables, rng)) + QString::fromLatin1(pick(kSyllables, rng))
                + QString::fromLatin1(pick(kSyllables, rng));
    s[0] = s[0].toUpper();
    return s;
}

QString number(std::mt19937 &rng)
{
    return QStringLiteral("%1%2").arg(200 + rng() % 800).arg(rng() % 10'000'000, 7, 10, QLatin1Char('0'));
}

double g_buildSeconds = 0;

// The tables are written without their search index, then indexed the way
// a data directory made before the index is: the build is timed.
void buildData()
{
    const QString dir = dataDir();
    store::Store &store = store::Store::instance();
    store.setDirectory(dir);
    if (!bench::startBuild(dir))
        return;
    std::mt19937 rng(11);
    auto fill = [&](const char *name, int rows, const std::function<void(store::Record &, int)> &make) {
        store::Table &t = store.use(QString::fromLatin1(name));
        for (const std::string &drop : t.schema().search().dropSql)
            sqlite3_exec(t.handle(), drop.c_str(), nullptr, nullptr, nullptr);
        t.lock(600);
        for (int i = 1; i <= rows; ++i) {
            make(t.record(), i);
            if (t.insert()) {
                std::fprintf(stderr, "insert into %s failed\n", name);
                std::exit(1);
            }
        }
        t.unlock();
        store.release(QString::fromLatin1(name));
    };
    fill("QKnam", kPeople, [&](store::Record &r, int i) {
        const QString first = QString::fromLatin1(pick(kFirst, rng));
        const QString last = i == kPeople / 2 ? QStringLiteral("Quetzalcoatl") : lastName(rng);
        bench::fill(r, {{"NAM:CTRL_NBR", i},
                        {"NAM:LNAME", last},
                        {"NAM:FNAME", first},
                        {"NAM:ADDR1", QStringLiteral("%1 %2 Street")
                                          .arg(1 + rng() % 9999)
                                          .arg(QString::fromLatin1(pick(kStreets, rng)))},
                        {"NAM:CITY", QString::fromLatin1(pick(kCities, rng))},
                        {"NAM:STATE", QStringLiteral("OH")},
                        {"NAM:ZIP", QString::number(43000 + rng() % 999)},
                        {"NAM:EMAILADDRESS", (first + QLatin1Char('.') + last).toLower() +
                                                 QString::number(i % 100) + QStringLiteral("@example.com")}});
    });
    fill("QKcmp", kCompanies, [&](store::Record &r, int i) {
        bench::fill(r,
                    {{"CMP:CTRL_NBR", i},
                     {"CMP:NAME", lastName(rng) + QStringLiteral(" ") +
                                      QString::fromLatin1(pick(kWords, rng)) + QStringLiteral(" Inc")},
                     {"CMP:BUSINESS", QString::fromLatin1(pick(kWords, rng)) + QStringLiteral(" services")},
                     {"CMP:CITY", QString::fromLatin1(pick(kCities, rng))}});
    });
    fill("QKfon", kPeople * 3 / 2 + kCompanies, [&](store::Record &r, int i) {
        const bool company = i > kPeople * 3 / 2;
        const QString digits = i == 777'777 ? QStringLiteral("6145550142") : number(rng);
        bench::fill(r,
                    {{"FON:CTRL_NBR", i},
                     {"FON:NUMBER", digits},
                     {"FON:AREA", digits.left(3)},
                     {"FON:LOCATION", company ? QStringLiteral("Sales")
                                              : (i % 2 ? QStringLiteral("Home") : QStringLiteral("Mobile"))},
                     {company ? "FON:CMP_CTRL" : "FON:NAM_CTRL",
                      company ? i - kPeople * 3 / 2 : 1 + (i * 2 / 3) % kPeople}});
    });
    fill("QKmem", kNotes, [&](store::Record &r, int i) {
        bench::fill(r, {{"MEM:CTRL_NBR", i},
                        {"MEM:NAM_CTRL", 1 + static_cast<int>(rng() % kPeople)},
                        {"MEM:DATE", 70000 + i % 3000}});
        QString memo;
        const int words = 8 + static_cast<int>(rng() % 20);
        for (int w = 0; w < words; ++w)
            memo += QString::fromLatin1(pick(kWords, rng)) + QLatin1Char(' ');
        if (i % 5000 == 0)
            memo += QStringLiteral("harvest fair ");
        r.setMemo(memo);
    });
    fill("QKinc", kCalls, [&](store::Record &r, int i) {
        bench::fill(r, {{"INC:CTRL_NBR", i},
                        {"INC:LASTNAME", lastName(rng)},
                        {"INC:FIRSTNAME", QString::fromLatin1(pick(kFirst, rng))},
                        {"INC:NUMBER", number(rng)},
                        {"INC:CALLERDATE", 70000 + i / 50},
                        {"INC:CALLERTIME", 1 + i % 50 * 1000}});
        r.setMemo(QStringLiteral("Asked about the ") + QString::fromLatin1(pick(kWords, rng)));
    });
    QElapsedTimer timer;
    timer.start();
    const search::IndexBuildOutcome built = search::buildMissingSearchIndexes(store);
    g_buildSeconds = static_cast<double>(timer.elapsed()) / 1000.0;
    std::fprintf(stderr, "%s in %.1f s\n", built.text().toUtf8().constData(), g_buildSeconds);
    store.closeAll();
    bench::finishBuild(dir, QStringLiteral("done"), QByteArray::number(g_buildSeconds));
}

// Bytes the search index takes in the data directory's files.
double indexBytes()
{
    double bytes = 0;
    for (const QString &name : search::searchedTables()) {
        const QString path = QDir(dataDir()).filePath(store::Table::fileNameFor(*store::Dictionary::instance().table(name)));
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt *s = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT sum(pgsize) FROM dbstat WHERE name LIKE 's\\_%' ESCAPE '\\'", -1, &s, nullptr) == SQLITE_OK
                && sqlite3_step(s) == SQLITE_ROW)
                bytes += sqlite3_column_double(s, 0);
            sqlite3_finalize(s);
        }
        sqlite3_close(db);
    }
    return bytes;
}

const char *const kQueries[] = {"quetzalcoatl", "a", "5550142", "harvest"};

void BM_Search(benchmark::State &state)
{
    buildData();
    const QString query = QString::fromLatin1(kQueries[state.range(0)]);
    search::SearchEngine engine(dataDir());
    engine.search(query, kPerKind); // the connection and its files opened
    size_t hits = 0;
    for (auto _ : state)
        hits = engine.search(query, kPerKind).hits.size();
    state.SetLabel(query.toStdString());
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["index_MB"] = indexBytes() / 1e6;
    QFile done(QDir(dataDir()).filePath(QStringLiteral("done")));
    if (done.open(QIODevice::ReadOnly))
        state.counters["build_s"] = done.readAll().toDouble();
}

// The same first results without the index: each table's searched columns
// read with LIKE '%word%' until fifty match (or the table ends).
void BM_LikeScan(benchmark::State &state)
{
    buildData();
    const QString query = QString::fromLatin1(kQueries[state.range(0)]);
    struct Scan
    {
        sqlite3 *db = nullptr;
        sqlite3_stmt *stmt = nullptr;
    };
    std::vector<Scan> scans;
    for (const QString &name : search::searchedTables()) {
        const store::TableDef &def = *store::Dictionary::instance().table(name);
        std::string where;
        for (const std::vector<int> *fields : {&def.searchWords, &def.searchParts}) {
            for (int f : *fields) {
                const std::string column = f == store::TableDef::kMemo ? std::string("memo")
                                                                       : store::TableSchema::fieldColumn(def.fields[static_cast<size_t>(f)]);
                where += (where.empty() ? "" : " OR ") + column + " LIKE ?1";
            }
        }
        Scan s;
        const QString path = QDir(dataDir()).filePath(store::Table::fileNameFor(def));
        sqlite3_open_v2(QFile::encodeName(path).constData(), &s.db, SQLITE_OPEN_READONLY, nullptr);
        const std::string sql = "SELECT rid FROM rec WHERE " + where + " LIMIT " + std::to_string(kPerKind + 1);
        sqlite3_prepare_v2(s.db, sql.c_str(), -1, &s.stmt, nullptr);
        scans.push_back(s);
    }
    const std::string pattern = "%" + query.toStdString() + "%";
    size_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (Scan &s : scans) {
            sqlite3_reset(s.stmt);
            sqlite3_bind_text(s.stmt, 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(s.stmt) == SQLITE_ROW)
                ++hits;
        }
    }
    state.SetLabel(query.toStdString());
    state.counters["hits"] = static_cast<double>(hits);
    for (Scan &s : scans) {
        sqlite3_finalize(s.stmt);
        sqlite3_close(s.db);
    }
}

} // namespace

BENCHMARK(BM_Search)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_LikeScan)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

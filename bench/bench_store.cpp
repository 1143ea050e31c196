// The keyed record store against hand-written SQLite keyset queries doing the
// same reads, over 1,000,000 people with their category links: ten
// categories of 100,000 members each.
#include "BenchSupport.h"
#include "store/Dictionary.h"
#include "store/Table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <random>

using namespace tabulo::store;

namespace {

constexpr int kPeople = 1'000'000;
constexpr int kCategories = 10;
constexpr qint64 kCategory = 5; // the category the range reads and counts go through
constexpr int kMembers = kPeople / kCategories;
constexpr int kPage = 20;

QString dataDir()
{
    return tabulo::bench::cachedDataDir(QStringLiteral("store-%1-%2").arg(kPeople).arg(kCategories));
}

const char *const kLast[] = {"Adams", "Baker", "Clark", "Davis", "Evans", "Frank", "Green", "Hill", "Irwin",
                             "Jones", "King", "Lewis", "Moore", "Nash", "Owens", "Price", "Quinn", "Reed",
                             "Smith", "Turner", "Usher", "Vance", "White", "Young", "Zimmer"};

void buildData()
{
    const QString dir = dataDir();
    if (!tabulo::bench::startBuild(dir, QStringLiteral("QKJNC.db.done")))
        return;
    Table nam(*Dictionary::instance().table(QStringLiteral("QKnam")), dir);
    Table jnc(*Dictionary::instance().table(QStringLiteral("QKjnc")), dir);
    for (Table *t : {&nam, &jnc}) {
        t->create();
        t->open();
        t->lock(10);
    }
    std::mt19937 rng(42);
    for (int i = 1; i <= kPeople; ++i) {
        const QString last = QString::fromLatin1(kLast[rng() % 25]) + QString::number(rng() % 10000);
        const QString first = QStringLiteral("First%1").arg(rng() % 5000);
        tabulo::bench::addPerson(nam, i, last, first,
                                 {{"NAM:CITY", QStringLiteral("Springfield")},
                                  {"NAM:ADDR1", QStringLiteral("%1 Main Street").arg(i)}});
        tabulo::bench::addNameLink(jnc, i, i, 1 + (i - 1) % kCategories, last, first);
        if (i % 100000 == 0) {
            nam.flush();
            jnc.flush();
        }
    }
    nam.unlock();
    jnc.unlock();
    tabulo::bench::finishBuild(dir, QStringLiteral("QKJNC.db.done"));
}

struct Fixture
{
    Fixture()
    {
        buildData();
        nam = std::make_unique<Table>(*Dictionary::instance().table(QStringLiteral("QKnam")), dataDir());
        jnc = std::make_unique<Table>(*Dictionary::instance().table(QStringLiteral("QKjnc")), dataDir());
        nam->open();
        jnc->open();
        for (const char *f : {"QKNAM.db", "QKJNC.db"}) {
            sqlite3 *db = nullptr;
            sqlite3_open_v2(QFile::encodeName(QDir(dataDir()).filePath(QString::fromLatin1(f))).constData(), &db,
                            SQLITE_OPEN_READWRITE, nullptr);
            raw.push_back(db);
        }
    }
    ~Fixture()
    {
        for (sqlite3 *db : raw)
            sqlite3_close_v2(db);
    }
    std::unique_ptr<Table> nam;
    std::unique_ptr<Table> jnc;
    std::vector<sqlite3 *> raw; // QKNAM, QKJNC
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// Reads one row the way a caller would keep it: numbers and texts copied out.
void readRow(sqlite3_stmt *stmt, int columns, std::vector<std::string> &texts, std::vector<qint64> &ints)
{
    texts.clear();
    ints.clear();
    for (int c = 0; c < columns; ++c) {
        if (sqlite3_column_type(stmt, c) == SQLITE_INTEGER) {
            ints.push_back(sqlite3_column_int64(stmt, c));
        } else {
            const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c));
            texts.emplace_back(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
        }
    }
}

std::string startName(int i)
{
    return QString::fromLatin1(kLast[i % 25]).toCaseFolded().toStdString();
}

qint64 category(int i)
{
    return 1 + i % kCategories;
}

// The store's read of one page of 20 links from a category and last-name
// start, in the whole key (no range).
void storePage(benchmark::State &state, bool forward)
{
    Table &jnc = *fixture().jnc;
    const KeyDef &key = *jnc.def().key(QStringLiteral("CAT_CTRL_KEY"));
    jnc.setReadAhead(kPage);
    int i = 0;
    for (auto _ : state) {
        jnc.record().clear();
        jnc.record().setValue(QStringLiteral("CAT_CTRL"), category(i));
        jnc.record().setValue(QStringLiteral("LNAME"), QString::fromLatin1(kLast[i++ % 25]));
        jnc.setNotBelow(key);
        for (int r = 0; r < kPage; ++r)
            forward ? jnc.next() : jnc.previous();
        benchmark::DoNotOptimize(jnc.record());
    }
}

void Store_PageForward(benchmark::State &state)
{
    storePage(state, true);
}

void Store_PageBackward(benchmark::State &state)
{
    storePage(state, false);
}

// The link columns a page shows, and the key values it goes on from.
constexpr const char *kJncColumns =
    "rid,ver,f_CTRL_NBR,f_FNAME,f_LNAME,f_NAM_CTRL,f_CAT_CTRL,i_LNAME,i_FNAME";
constexpr int kJncColumnCount = 9;

sqlite3_stmt *prepareRaw(sqlite3 *db, const std::string &sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(db));
    return stmt;
}

// A hand-written keyset read of the same page: one row value over the key
// from the start values, which SQLite seeks on in the key's index.
void rawPage(benchmark::State &state, bool forward)
{
    const std::string sql =
        std::string("SELECT ") + kJncColumns + " FROM rec WHERE (f_CAT_CTRL,i_LNAME,i_FNAME)"
        + (forward ? ">=(?,?,?) ORDER BY f_CAT_CTRL,i_LNAME,i_FNAME,rid"
                   : "<=(?,?,?) ORDER BY f_CAT_CTRL DESC,i_LNAME DESC,i_FNAME DESC,rid DESC")
        + " LIMIT 20";
    sqlite3_stmt *stmt = prepareRaw(fixture().raw[1], sql);
    std::vector<std::string> texts;
    std::vector<qint64> ints;
    int i = 0;
    for (auto _ : state) {
        sqlite3_bind_int64(stmt, 1, category(i));
        const std::string name = startName(i++);
        sqlite3_bind_text(stmt, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 3, "", 0, SQLITE_STATIC);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            readRow(stmt, kJncColumnCount, texts, ints);
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(texts);
    }
    sqlite3_finalize(stmt);
}

void Raw_PageForward(benchmark::State &state)
{
    rawPage(state, true);
}

void Raw_PageBackward(benchmark::State &state)
{
    rawPage(state, false);
}

// The member at a row of the range, in key order: where the deep reads
// start. Looked up once, outside any timing.
struct Member
{
    QString lname;
    QString fname;
    std::string foldedLname;
    std::string foldedFname;
    qint64 rid = 0;
};

Member memberAt(int row)
{
    Member m;
    sqlite3_stmt *stmt =
        prepareRaw(fixture().raw[1], "SELECT f_LNAME,f_FNAME,i_LNAME,i_FNAME,rid FROM rec "
                                     "WHERE f_CAT_CTRL=? ORDER BY i_LNAME,i_FNAME,rid LIMIT 1 OFFSET ?");
    sqlite3_bind_int64(stmt, 1, kCategory);
    sqlite3_bind_int64(stmt, 2, row);
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        auto text = [stmt](int c) {
            return std::string(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)));
        };
        m.lname = QString::fromStdString(text(0));
        m.fname = QString::fromStdString(text(1));
        m.foldedLname = text(2);
        m.foldedFname = text(3);
        m.rid = sqlite3_column_int64(stmt, 4);
    }
    sqlite3_finalize(stmt);
    return m;
}

// Scrolling a list of one category's 100,000 members: each iteration is the
// next page of 20, going on from the last row read. The reads start at the
// row given (the start of the range or row 99,000) and go back there every
// 25 pages, so every page lies within 500 rows of it.
constexpr int kPagesBeforeReturn = 25;

void Store_RangeNextPage(benchmark::State &state)
{
    const int from = static_cast<int>(state.range(0));
    Table &jnc = *fixture().jnc;
    Cursor cursor(jnc);
    cursor.setOrder(jnc.def().key(QStringLiteral("CAT_CTRL_KEY")));
    cursor.setRange({kCategory});
    cursor.setReadAhead(kPage);
    const Member start = memberAt(from);
    int page = 0;
    for (auto _ : state) {
        if (page++ % kPagesBeforeReturn == 0) {
            if (from == 0) {
                cursor.toStart();
            } else {
                jnc.record().clear();
                jnc.record().setValue(QStringLiteral("CAT_CTRL"), kCategory);
                jnc.record().setValue(QStringLiteral("LNAME"), start.lname);
                jnc.record().setValue(QStringLiteral("FNAME"), start.fname);
                cursor.toNotBelow(jnc.record());
            }
        }
        for (int r = 0; r < kPage; ++r) {
            if (cursor.next()) {
                state.SkipWithError("the range ended early");
                return;
            }
        }
        benchmark::DoNotOptimize(jnc.record());
    }
}

// The same scrolling by hand: the range's component as an equality and a
// row value over the rest of the key and the row id, prepared once; a
// separate statement for the first page. The last row's key values are the
// next page's start.
void Raw_RangeNextPage(benchmark::State &state)
{
    const int from = static_cast<int>(state.range(0));
    const std::string select = std::string("SELECT ") + kJncColumns + " FROM rec WHERE f_CAT_CTRL=?1";
    const std::string order = " ORDER BY i_LNAME,i_FNAME,rid LIMIT 20";
    sqlite3_stmt *first = prepareRaw(fixture().raw[1], select + order);
    sqlite3_stmt *next = prepareRaw(fixture().raw[1], select + " AND (i_LNAME,i_FNAME,rid)>(?2,?3,?4)" + order);
    const Member start = memberAt(from);
    std::vector<std::string> texts;
    std::vector<qint64> ints;
    std::string lastLname;
    std::string lastFname;
    qint64 lastRid = 0;
    int page = 0;
    for (auto _ : state) {
        sqlite3_stmt *stmt = next;
        if (page++ % kPagesBeforeReturn == 0) {
            if (from == 0) {
                stmt = first;
            } else {
                lastLname = start.foldedLname;
                lastFname = start.foldedFname;
                lastRid = start.rid - 1;
            }
        }
        sqlite3_bind_int64(stmt, 1, kCategory);
        if (stmt == next) {
            sqlite3_bind_text(stmt, 2, lastLname.data(), static_cast<int>(lastLname.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_text(stmt, 3, lastFname.data(), static_cast<int>(lastFname.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_int64(stmt, 4, lastRid);
        }
        int rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            readRow(stmt, kJncColumnCount, texts, ints);
            ++rows;
        }
        sqlite3_reset(stmt);
        if (rows != kPage) {
            state.SkipWithError("the range ended early");
            break;
        }
        // texts: f_FNAME, f_LNAME, i_LNAME, i_FNAME; ints: rid first.
        lastLname = texts[2];
        lastFname = texts[3];
        lastRid = ints[0];
        benchmark::DoNotOptimize(texts);
    }
    sqlite3_finalize(first);
    sqlite3_finalize(next);
}

// The number of a category's members, as a list shows it under its tab.
void Store_RangeCount(benchmark::State &state)
{
    Table &jnc = *fixture().jnc;
    Cursor cursor(jnc);
    cursor.setOrder(jnc.def().key(QStringLiteral("CAT_CTRL_KEY")));
    cursor.setRange({kCategory});
    qint64 records = 0;
    for (auto _ : state) {
        cursor.count(records);
        benchmark::DoNotOptimize(records);
    }
    if (records != kMembers)
        state.SkipWithError("wrong count");
}

void Raw_RangeCount(benchmark::State &state)
{
    sqlite3_stmt *stmt = prepareRaw(fixture().raw[1], "SELECT count(*) FROM rec WHERE f_CAT_CTRL=?");
    qint64 records = 0;
    for (auto _ : state) {
        sqlite3_bind_int64(stmt, 1, kCategory);
        if (sqlite3_step(stmt) == SQLITE_ROW)
            records = sqlite3_column_int64(stmt, 0);
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(records);
    }
    sqlite3_finalize(stmt);
    if (records != kMembers)
        state.SkipWithError("wrong count");
}

void Store_FetchByKey(benchmark::State &state)
{
    Table &nam = *fixture().nam;
    const KeyDef &key = *nam.def().key(QStringLiteral("CTRL_KEY"));
    std::mt19937 rng(7);
    for (auto _ : state) {
        nam.record().setValue(0, static_cast<qint64>(rng() % kPeople + 1));
        nam.fetch(key);
        benchmark::DoNotOptimize(nam.record());
    }
}

constexpr const char *kNamColumns = "rid,ver,f_CTRL_NBR,f_LNAME,f_FNAME,f_ADDR1,f_ADDR2,f_CITY,f_STATE,f_ZIP,f_DOB,"
                                    "f_EMAILADDRESS,f_COUNTRY,f_CMP_CTRL,f_FON_CTRL,f_ZIP_CTRL";

void Raw_FetchByKey(benchmark::State &state)
{
    // The number key leaves out zero, so its index is partial: the query
    // says so too, or SQLite could not use the index and would scan.
    const std::string sql =
        std::string("SELECT ") + kNamColumns + " FROM rec WHERE f_CTRL_NBR=?1 AND f_CTRL_NBR<>0";
    sqlite3_stmt *stmt = prepareRaw(fixture().raw[0], sql);
    std::vector<std::string> texts;
    std::vector<qint64> ints;
    std::mt19937 rng(7);
    for (auto _ : state) {
        sqlite3_bind_int64(stmt, 1, static_cast<qint64>(rng() % kPeople + 1));
        if (sqlite3_step(stmt) == SQLITE_ROW)
            readRow(stmt, 16, texts, ints);
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(texts);
    }
    sqlite3_finalize(stmt);
}

void Store_RegetByToken(benchmark::State &state)
{
    Table &nam = *fixture().nam;
    std::mt19937 rng(9);
    for (auto _ : state) {
        nam.reget(QString::number(rng() % kPeople + 1));
        benchmark::DoNotOptimize(nam.record());
    }
}

void Raw_RegetByToken(benchmark::State &state)
{
    const std::string sql = std::string("SELECT ") + kNamColumns + " FROM rec WHERE rid=?";
    sqlite3_stmt *stmt = prepareRaw(fixture().raw[0], sql);
    std::vector<std::string> texts;
    std::vector<qint64> ints;
    std::mt19937 rng(9);
    for (auto _ : state) {
        sqlite3_bind_int64(stmt, 1, static_cast<qint64>(rng() % kPeople + 1));
        if (sqlite3_step(stmt) == SQLITE_ROW)
            readRow(stmt, 16, texts, ints);
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(texts);
    }
    sqlite3_finalize(stmt);
}

BENCHMARK(Store_PageForward);
BENCHMARK(Raw_PageForward);
BENCHMARK(Store_PageBackward);
BENCHMARK(Raw_PageBackward);
BENCHMARK(Store_RangeNextPage)->Arg(0)->Arg(99'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Raw_RangeNextPage)->Arg(0)->Arg(99'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Store_RangeCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(Raw_RangeCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(Store_FetchByKey);
BENCHMARK(Raw_FetchByKey);
BENCHMARK(Store_RegetByToken);
BENCHMARK(Raw_RegetByToken);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    buildData();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

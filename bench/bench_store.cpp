// The keyed record store against hand-written SQLite keyset queries doing the
// same reads, over 1,000,000 people with their category links.
#include "store/Dictionary.h"
#include "store/Table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <random>

using namespace tabulo::store;

namespace {

constexpr int kPeople = 1'000'000;

QString dataDir()
{
    return QDir::temp().filePath(QStringLiteral("tabulo-bench-store-%1").arg(kPeople));
}

const char *const kLast[] = {"Adams", "Baker", "Clark", "Davis", "Evans", "Frank", "Green", "Hill", "Irwin",
                             "Jones", "King", "Lewis", "Moore", "Nash", "Owens", "Price", "Quinn", "Reed",
                             "Smith", "Turner", "Usher", "Vance", "White", "Young", "Zimmer"};

void buildData()
{
    const QString dir = dataDir();
    if (QFile::exists(QDir(dir).filePath(QStringLiteral("QKJNC.db.done"))))
        return;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
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
        nam.record().clear();
        nam.record().setValue(0, i);
        nam.record().setValue(QStringLiteral("LNAME"), last);
        nam.record().setValue(QStringLiteral("FNAME"), first);
        nam.record().setValue(QStringLiteral("CITY"), QStringLiteral("Springfield"));
        nam.record().setValue(QStringLiteral("ADDR1"), QStringLiteral("%1 Main Street").arg(i));
        nam.insert();
        jnc.record().clear();
        jnc.record().setValue(0, i);
        jnc.record().setValue(QStringLiteral("LNAME"), last);
        jnc.record().setValue(QStringLiteral("FNAME"), first);
        jnc.record().setValue(QStringLiteral("NAM_CTRL"), i);
        jnc.record().setValue(QStringLiteral("CAT_CTRL"), 0);
        jnc.insert();
        if (i % 100000 == 0) {
            nam.flush();
            jnc.flush();
        }
    }
    nam.unlock();
    jnc.unlock();
    QFile done(QDir(dir).filePath(QStringLiteral("QKJNC.db.done")));
    done.open(QIODevice::WriteOnly);
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

// The store's read of one page of 20 links from a last-name start.
void storePage(benchmark::State &state, bool forward)
{
    Table &jnc = *fixture().jnc;
    const KeyDef &key = *jnc.def().key(QStringLiteral("CAT_CTRL_KEY"));
    jnc.setReadAhead(20);
    int i = 0;
    for (auto _ : state) {
        jnc.record().clear();
        jnc.record().setValue(QStringLiteral("LNAME"), QString::fromLatin1(kLast[i++ % 25]));
        jnc.setNotBelow(key);
        for (int r = 0; r < 20; ++r)
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

// A hand-written keyset read of one page of 20 links from a last-name start.
void rawPage(benchmark::State &state, const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(fixture().raw[1], sql, -1, &stmt, nullptr);
    std::vector<std::string> texts;
    std::vector<qint64> ints;
    int i = 0;
    for (auto _ : state) {
        const std::string name = startName(i++);
        sqlite3_bind_int64(stmt, 1, 0);
        sqlite3_bind_text(stmt, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 3, "", 0, SQLITE_STATIC);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            readRow(stmt, 10, texts, ints);
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(texts);
    }
    sqlite3_finalize(stmt);
}

void Raw_PageForward(benchmark::State &state)
{
    rawPage(state, "SELECT rid,ver,f_CTRL_NBR,f_FNAME,f_LNAME,f_NAM_CTRL,f_CAT_CTRL,f_CAT_CTRL,i_LNAME,i_FNAME "
                   "FROM rec WHERE (f_CAT_CTRL,i_LNAME,i_FNAME)>=(?,?,?) "
                   "ORDER BY f_CAT_CTRL,i_LNAME,i_FNAME,rid LIMIT 20");
}

void Raw_PageBackward(benchmark::State &state)
{
    rawPage(state, "SELECT rid,ver,f_CTRL_NBR,f_FNAME,f_LNAME,f_NAM_CTRL,f_CAT_CTRL,f_CAT_CTRL,i_LNAME,i_FNAME "
                   "FROM rec WHERE (f_CAT_CTRL,i_LNAME,i_FNAME)<=(?,?,?) "
                   "ORDER BY f_CAT_CTRL DESC,i_LNAME DESC,i_FNAME DESC,rid DESC LIMIT 20");
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
    sqlite3_stmt *stmt = nullptr;
    const std::string sql = std::string("SELECT ") + kNamColumns
                            + " FROM rec WHERE f_CTRL_NBR=? AND (f_CTRL_NBR<>0) LIMIT 1";
    sqlite3_prepare_v2(fixture().raw[0], sql.c_str(), -1, &stmt, nullptr);
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
    sqlite3_stmt *stmt = nullptr;
    const std::string sql = std::string("SELECT ") + kNamColumns + " FROM rec WHERE rid=?";
    sqlite3_prepare_v2(fixture().raw[0], sql.c_str(), -1, &stmt, nullptr);
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

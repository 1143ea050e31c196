#include "store/Sqlite.h"
#include "store/TableTestSupport.h"
#include "store/UnitOfWork.h"
#include "support/CaseName.h"

#include <QFile>

#include <initializer_list>
#include <string>

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::fileOf;
using tabulo::test::freshTable;
using tabulo::test::TempDataDir;

namespace {

// A person, a phone and a note: three files, the shape of every cascade.
class UnitOfWorkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Table::setDefaultWaitMs(200);
        m_nam = freshTable(m_dir, "QKnam");
        m_fon = freshTable(m_dir, "QKfon");
        m_mem = freshTable(m_dir, "QKmem");
    }
    void TearDown() override { Table::setDefaultWaitMs(5000); }

    // Adds a person with one phone and one note, all numbered `n`.
    StoreError addFamily(qint64 n)
    {
        for (auto [t, field] : {std::pair{m_nam.get(), "CTRL_NBR"}, {m_fon.get(), "NAM_CTRL"}, {m_mem.get(), "NAM_CTRL"}}) {
            t->record().clear();
            t->record().setValue(QStringLiteral("CTRL_NBR"), n);
            t->record().setValue(QString::fromLatin1(field), n);
            if (StoreError e = t->insert())
                return e;
        }
        return {};
    }
    std::vector<Table *> all() { return {m_nam.get(), m_fon.get(), m_mem.get()}; }

    // What another station reads in each file: the record count of all three.
    std::vector<qint64> seenElsewhere()
    {
        std::vector<qint64> counts;
        for (const char *name : {"QKnam", "QKfon", "QKmem"}) {
            sqlite3 *db = nullptr;
            sqlite3_open_v2(QFile::encodeName(fileOf(m_dir, name)).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
            sqlite3_busy_timeout(db, 2000);
            sql::Statement count(db, "SELECT count(*) FROM rec");
            counts.push_back(count.step() == SQLITE_ROW ? count.int64(0) : -1);
            count = sql::Statement();
            sqlite3_close(db);
        }
        return counts;
    }

    TempDataDir m_dir;
    std::unique_ptr<Table> m_nam, m_fon, m_mem;
};

using Counts = std::vector<qint64>;

TEST_F(UnitOfWorkTest, OtherStationsSeeTheWholeChangeOnlyOnceItIsCommitted)
{
    UnitOfWork unit(all());
    ASSERT_EQ(unit.begin(1).code, 0);
    ASSERT_EQ(addFamily(1).code, 0);
    // Inside the unit the tables read their own writes ...
    EXPECT_EQ(m_fon->records(), 1);
    // ... while the files hold none of them yet.
    EXPECT_EQ(seenElsewhere(), (Counts{0, 0, 0}));
    ASSERT_EQ(unit.commit().code, 0);
    EXPECT_EQ(seenElsewhere(), (Counts{1, 1, 1}));
    EXPECT_FALSE(m_nam->inTransaction());
}

TEST_F(UnitOfWorkTest, AUnitLeftWithoutItsCommitLeavesNothing)
{
    {
        UnitOfWork unit(all());
        ASSERT_EQ(unit.begin(1).code, 0);
        ASSERT_EQ(addFamily(1).code, 0);
    }
    EXPECT_EQ(seenElsewhere(), (Counts{0, 0, 0}));
    // The tables work on their own connections again.
    ASSERT_EQ(addFamily(2).code, 0);
    EXPECT_EQ(seenElsewhere(), (Counts{1, 1, 1}));
}

TEST_F(UnitOfWorkTest, OneTableRollingBackUndoesTheWholeUnit)
{
    UnitOfWork unit(all());
    ASSERT_EQ(unit.begin(1).code, 0);
    ASSERT_EQ(addFamily(1).code, 0);
    // A routine that frames its own writes joins the unit ...
    ASSERT_EQ(m_mem->begin(1).code, 0);
    EXPECT_EQ(m_mem->commit().code, 0);
    // ... and its roll-back is everyone's.
    m_fon->rollback();
    EXPECT_FALSE(unit.active());
    EXPECT_NE(unit.commit().code, 0);
    EXPECT_EQ(seenElsewhere(), (Counts{0, 0, 0}));
}

TEST_F(UnitOfWorkTest, AnInnerUnitJoinsTheOuterAndItsFailureUndoesBoth)
{
    UnitOfWork outer(all());
    ASSERT_EQ(outer.begin(1).code, 0);
    ASSERT_EQ(addFamily(1).code, 0);
    {
        UnitOfWork inner({m_fon.get(), m_mem.get()});
        ASSERT_EQ(inner.begin(1).code, 0);
        EXPECT_EQ(inner.commit().code, 0); // the outer commits
    }
    EXPECT_EQ(seenElsewhere(), (Counts{0, 0, 0}));
    {
        UnitOfWork inner({m_fon.get()});
        ASSERT_EQ(inner.begin(1).code, 0);
        // Left on a failure, without its commit.
    }
    EXPECT_FALSE(outer.active());
    EXPECT_EQ(seenElsewhere(), (Counts{0, 0, 0}));
}

TEST_F(UnitOfWorkTest, ALockedFileEndsTheBeginAndHoldsNothing)
{
    // Another station keeping everyone out of the first file (the one the
    // shared connection opens as its main file, before it is attached), or
    // writing the last one (once all are attached).
    const std::pair<const char *, const char *> holds[] = {{"QKfon", "BEGIN EXCLUSIVE"}, {"QKmem", "BEGIN IMMEDIATE"}};
    for (const auto &[table, begin] : holds) {
        SCOPED_TRACE(table);
        sqlite3 *other = nullptr;
        sqlite3_open(QFile::encodeName(fileOf(m_dir, table)).constData(), &other);
        ASSERT_EQ(sqlite3_exec(other, begin, nullptr, nullptr, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "SELECT count(*) FROM rec", nullptr, nullptr, nullptr), SQLITE_OK);

        UnitOfWork unit(all());
        const StoreError e = unit.begin(0);
        EXPECT_EQ(e.code, Code::Locked) << e.text.toStdString();
        EXPECT_EQ(e.file, Table::fileNameFor(tableDef(table)));
        EXPECT_EQ(lastError().code, Code::Locked);
        EXPECT_FALSE(unit.active());
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        // Nothing was held after the failure: the next unit gets every file.
        UnitOfWork next(all());
        ASSERT_EQ(next.begin(0).code, 0);
        ASSERT_EQ(addFamily(1).code, 0);
        next.rollback();
    }
}

TEST_F(UnitOfWorkTest, AClosedTableLeavesTheSharedConnectionAndCanJoinAgain)
{
    for (int round = 0; round < 2; ++round) {
        UnitOfWork unit(all());
        ASSERT_EQ(unit.begin(1).code, 0);
        ASSERT_EQ(addFamily(round + 1).code, 0);
        ASSERT_EQ(unit.commit().code, 0);
        // The file of the first table (by name) goes away and comes back.
        m_fon->close();
        QFile::remove(fileOf(m_dir, "QKfon"));
        ASSERT_EQ(m_fon->create().code, 0);
        ASSERT_EQ(m_fon->open().code, 0);
    }
    UnitOfWork unit(all());
    ASSERT_EQ(unit.begin(1).code, 0);
    ASSERT_EQ(addFamily(3).code, 0);
    ASSERT_EQ(unit.commit().code, 0);
    EXPECT_EQ(seenElsewhere(), (Counts{3, 1, 3}));
}

struct QualifyCase {
    const char *name;
    const char *sql;
    const char *qualified;
};

void PrintTo(const QualifyCase &c, std::ostream *os)
{
    *os << c.name;
}

class QualifyTest : public ::testing::TestWithParam<QualifyCase> {};

TEST_P(QualifyTest, TakesEveryNamedTableFromTheFile)
{
    EXPECT_EQ(sql::qualify(GetParam().sql, "qkfon"), std::string(GetParam().qualified));
}

INSTANTIATE_TEST_SUITE_P(
    Sql, QualifyTest,
    ::testing::Values(
        QualifyCase{"Select", "SELECT a FROM rec WHERE rid=?", "SELECT a FROM qkfon.rec WHERE rid=?"},
        QualifyCase{"Insert", "INSERT INTO rec(ver,f) VALUES(1,?)", "INSERT INTO qkfon.rec(ver,f) VALUES(1,?)"},
        QualifyCase{"Update", "UPDATE rec SET ver=ver+1 WHERE rid=?", "UPDATE qkfon.rec SET ver=ver+1 WHERE rid=?"},
        QualifyCase{"Subquery", "SELECT coalesce((SELECT n FROM n_k WHERE v=?),0)",
                    "SELECT coalesce((SELECT n FROM qkfon.n_k WHERE v=?),0)"},
        QualifyCase{"AlreadyQualified", "DELETE FROM temp.x WHERE rid IN (SELECT rid FROM rec)",
                    "DELETE FROM temp.x WHERE rid IN (SELECT rid FROM qkfon.rec)"},
        QualifyCase{"TextLiteral", "INSERT INTO s_w(s_w,rank) VALUES('FROM rec',?1)",
                    "INSERT INTO qkfon.s_w(s_w,rank) VALUES('FROM rec',?1)"},
        QualifyCase{"ColumnNamedLikeAWord", "SELECT f_FROM_X FROM rec", "SELECT f_FROM_X FROM qkfon.rec"},
        QualifyCase{"Upsert", "INSERT INTO n_k(v,n) SELECT f,count(*) FROM rec GROUP BY f ON CONFLICT(v) DO UPDATE SET n=n+1",
                    "INSERT INTO qkfon.n_k(v,n) SELECT f,count(*) FROM qkfon.rec GROUP BY f ON CONFLICT(v) DO UPDATE SET n=n+1"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

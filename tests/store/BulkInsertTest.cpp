#include "store/BulkInsert.h"
#include "store/TableTestSupport.h"
#include "store/UnitOfWork.h"
#include "store/WriterThread.h"

#include <QFile>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <optional>

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::fileOf;
using tabulo::test::freshTable;
using tabulo::test::TempDataDir;

namespace {

// Every row of every table in a file (records, running counts, the row
// numbering), as text: two files are stored alike when their dumps are equal.
// The search index's own tables are left out: how its words are laid out in
// segments depends on how many statements wrote them (see searchHits).
QStringList dump(const QString &path, const TableSchema &schema)
{
    QStringList out;
    sqlite3 *db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    QStringList tables;
    {
        sql::Statement list(db, "SELECT name FROM sqlite_master WHERE type='table' AND name<>'meta' ORDER BY name");
        while (list.step() == SQLITE_ROW) {
            const std::string name = list.text(0);
            const bool search = std::any_of(schema.search().indexes.begin(), schema.search().indexes.end(),
                                            [&name](const auto &index) {
                                                return name == index.table || name.rfind(index.table + "_", 0) == 0;
                                            });
            if (!search)
                tables << QString::fromStdString(name);
        }
    }
    for (const QString &t : tables) {
        sql::Statement rows(db, "SELECT * FROM " + sql::quoteIdentifier(t.toStdString()) + " ORDER BY 1");
        while (rows.step() == SQLITE_ROW) {
            QString row = t;
            for (int c = 0; c < sqlite3_column_count(rows.get()); ++c)
                row += QLatin1Char('|') + QString::fromStdString(rows.text(c));
            out << row;
        }
    }
    sqlite3_close(db);
    return out;
}

// What each of the table's search indexes finds for the word, by row.
QStringList searchHits(Table &t, const char *word)
{
    QStringList out;
    for (const auto &index : t.schema().search().indexes) {
        sql::Statement match(t.handle(),
                             "SELECT rowid FROM " + index.table + " WHERE " + index.table + " MATCH ? ORDER BY rowid");
        match.bind(1, word);
        while (match.step() == SQLITE_ROW)
            out << QString::fromStdString(index.table) + QLatin1Char(':') + QString::number(match.int64(0));
    }
    return out;
}

using Fill = std::function<void(Record &, int)>;

// Phone numbers: folded copies, partial keys, text cut to its width.
void fillPhone(Record &r, int i)
{
    r.setValue(QStringLiteral("FON:CTRL_NBR"), i + 1);
    r.setValue(QStringLiteral("FON:LOCATION"), i % 2 ? QStringLiteral("Home") : QStringLiteral("MÖBILE"));
    r.setValue(QStringLiteral("FON:NUMBER"), QStringLiteral("614555%1").arg(i, 4, 10, QLatin1Char('0')));
    r.setValue(QStringLiteral("FON:NAME"),
               i % 3 ? QString() : QStringLiteral("Ünïcode name far too long for its field %1").arg(i));
    r.setValue(QStringLiteral("FON:NAM_CTRL"), i / 2 + 1);
}

// Category links: the running counts kept by the file's triggers.
void fillLink(Record &r, int i)
{
    r.setValue(QStringLiteral("JNC:CTRL_NBR"), i + 1);
    r.setValue(QStringLiteral("JNC:LNAME"), QStringLiteral("Lästname%1").arg(i / 3));
    r.setValue(QStringLiteral("JNC:FNAME"), QStringLiteral("first"));
    r.setValue(QStringLiteral("JNC:NAM_CTRL"), i / 3 + 1);
    r.setValue(QStringLiteral("JNC:CAT_CTRL"), i % 3);
}

struct Case {
    const char *table;
    Fill fill;
    const char *searched; // a word the search index finds in some records
};

} // namespace

// Records written several to a statement are stored exactly as single
// inserts store them: fields, folded key copies, running counts, row numbers;
// so too when full queues are written in the background, the search index
// deferred and brought up to date at the commit.
TEST(BulkInsert, StoresWhatSingleInsertsStore)
{
    for (const auto &[c, background] :
         {std::pair{Case{"QKfon", fillPhone, "home"}, false}, std::pair{Case{"QKjnc", fillLink, "first"}, false},
          std::pair{Case{"QKfon", fillPhone, "home"}, true}, std::pair{Case{"QKjnc", fillLink, "first"}, true}}) {
        SCOPED_TRACE(std::string(c.table) + (background ? " in the background" : ""));
        TempDataDir singleDir, bulkDir;
        auto single = freshTable(singleDir, c.table);
        auto bulk = freshTable(bulkDir, c.table);
        constexpr int kRecords = 75; // full statements of 8 and a shorter last one
        ASSERT_EQ(single->begin(2).code, 0);
        for (int i = 0; i < kRecords; ++i) {
            single->record().clear();
            c.fill(single->record(), i);
            ASSERT_EQ(single->insert().code, 0);
        }
        ASSERT_EQ(single->commit().code, 0);

        bulk->record().clear();
        bulk->record().setValue(1, QStringLiteral("kept"));
        ASSERT_EQ(bulk->begin(2).code, 0);
        BulkInsert writer(*bulk, 8);
        if (background) {
            ASSERT_EQ(bulk->deferIndexUpkeep().code, 0);
            writer.setInBackground(true);
        }
        for (int i = 0; i < kRecords; ++i)
            c.fill(writer.add(), i);
        EXPECT_EQ(writer.queued(), kRecords % 8);
        ASSERT_EQ(writer.flush().code, 0);
        EXPECT_EQ(writer.queued(), 0);
        ASSERT_EQ(bulk->commit().code, 0);
        EXPECT_EQ(bulk->record().text(1), QStringLiteral("kept")); // the buffer is the caller's

        EXPECT_EQ(bulk->records(), kRecords);
        EXPECT_EQ(dump(fileOf(bulkDir, c.table), bulk->schema()), dump(fileOf(singleDir, c.table), single->schema()));
        // The search index, where the table has one, agrees with the records
        // and finds what it finds after single inserts.
        const QStringList findings = bulk->searchIndexFindings();
        EXPECT_TRUE(findings.isEmpty()) << findings.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(searchHits(*bulk, c.searched), searchHits(*single, c.searched));
        if (!bulk->schema().search().indexes.empty()) {
            EXPECT_FALSE(searchHits(*bulk, c.searched).isEmpty());
        }
    }
}

// A duplicated unique key inside a statement, whether flush() or a full
// queue writes it: the records before it are stored, none after it, the
// failure names the key as a single insert does, and the transaction stands.
TEST(BulkInsert, DuplicateKeyStopsAtTheFaultyRecord)
{
    for (const auto &[records, background] : {std::pair{6, false}, {11, false}, {11, true}, {20, true}}) {
        SCOPED_TRACE(std::to_string(records) + (background ? " records in the background" : " records"));
        TempDataDir dir;
        auto jnc = freshTable(dir, "QKjnc");
        ASSERT_EQ(jnc->begin(2).code, 0);
        BulkInsert writer(*jnc, 8);
        writer.setInBackground(background);
        for (int i = 0; i < records; ++i) {
            Record &r = writer.add();
            fillLink(r, i);
            if (i == 4)
                r.setValue(QStringLiteral("JNC:CTRL_NBR"), 2); // the second record's number
        }
        // Eleven records: the ninth add() wrote the first eight and kept the
        // failure (in the background it is known at a later full queue, or
        // at the flush).
        if (!background)
            EXPECT_EQ(writer.pendingFailure().code, records > 8 ? Code::DuplicateKey : Code::Ok);
        const StoreError e = writer.flush();
        EXPECT_EQ(e.code, Code::DuplicateKey);
        const QString key = jnc->def().key(QStringLiteral("CTRL_KEY"))->messageName;
        EXPECT_EQ(e.key, key);
        EXPECT_EQ(lastError().key, key);
        EXPECT_EQ(writer.pendingFailure().code, Code::Ok);
        EXPECT_EQ(jnc->records(), 4);
        ASSERT_EQ(jnc->commit().code, 0);
        EXPECT_EQ(jnc->records(), 4);
        qint64 first = 0;
        ASSERT_EQ(sqlite3_exec(
                      jnc->handle(), "SELECT n FROM n_CAT_CTRL_KEY WHERE v=1",
                      [](void *out, int, char **values, char **) {
                          *static_cast<qint64 *>(out) = QByteArray(values[0]).toLongLong();
                          return 0;
                      },
                      &first, nullptr),
                  SQLITE_OK);
        EXPECT_EQ(first, 1); // the counts follow the records kept: only the second link is in category 1
    }
}

// Queued records are forgotten with a roll-back (queues waiting for the
// background writer too); the writer is usable after.
TEST(BulkInsert, DiscardForgetsQueuedRecords)
{
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background);
        TempDataDir dir;
        auto fon = freshTable(dir, "QKfon");
        ASSERT_EQ(fon->begin(2).code, 0);
        BulkInsert writer(*fon, 4);
        writer.setInBackground(background);
        for (int i = 0; i < 30; ++i)
            fillPhone(writer.add(), i);
        writer.discard();
        ASSERT_EQ(fon->rollback().code, 0);
        EXPECT_EQ(fon->records(), 0);
        ASSERT_EQ(fon->begin(2).code, 0);
        for (int i = 0; i < 9; ++i)
            fillPhone(writer.add(), i);
        ASSERT_EQ(writer.flush().code, 0);
        ASSERT_EQ(fon->commit().code, 0);
        EXPECT_EQ(fon->records(), 9);
    }
}

// Writers of tables in one unit of work share its connection, so they share
// one thread that alone uses it: full queues and the last rows are written
// there, the unit begun, committed or undone there, and the tables end as
// one (both stored, search index and counts brought up to date, or neither).
TEST(BulkInsert, WritersSharingAThreadWriteOneUnitOfWork)
{
    for (const bool commit : {true, false}) {
        SCOPED_TRACE(commit ? "committed" : "rolled back");
        TempDataDir dir;
        auto fon = freshTable(dir, "QKfon");
        auto jnc = freshTable(dir, "QKjnc");
        WriterThread thread;
        std::optional<UnitOfWork> unit;
        ASSERT_EQ(thread
                      .run([&] {
                          unit.emplace(std::vector<Table *>{fon.get(), jnc.get()});
                          if (StoreError e = unit->begin(2))
                              return e;
                          if (StoreError e = fon->deferIndexUpkeep())
                              return e;
                          return jnc->deferIndexUpkeep();
                      })
                      .code,
                  0);
        {
            BulkInsert phones(*fon, 8);
            BulkInsert links(*jnc, 8);
            phones.setWriter(thread);
            links.setWriter(thread);
            constexpr int kRecords = 75; // full statements of 8 and a shorter last one
            for (int i = 0; i < kRecords; ++i) {
                fillPhone(phones.add(), i);
                fillLink(links.add(), i);
            }
            if (commit) {
                ASSERT_EQ(phones.flush().code, 0);
                ASSERT_EQ(links.flush().code, 0);
                ASSERT_EQ(thread.run([&] { return unit->commit(); }).code, 0);
            } else {
                phones.discard();
                links.discard();
                thread.run([&] {
                    unit->rollback();
                    return StoreError();
                });
            }
        }
        thread.run([&] {
            unit.reset();
            return StoreError();
        });
        EXPECT_EQ(fon->records(), commit ? 75 : 0);
        EXPECT_EQ(jnc->records(), commit ? 75 : 0);
        const QStringList findings = fon->searchIndexFindings();
        EXPECT_TRUE(findings.isEmpty()) << findings.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(searchHits(*fon, "home").isEmpty(), !commit);
        qint64 inFirst = 0;
        ASSERT_EQ(sqlite3_exec(
                      jnc->handle(), "SELECT ifnull(sum(n),0) FROM n_CAT_CTRL_KEY WHERE v=1",
                      [](void *out, int, char **values, char **) {
                          *static_cast<qint64 *>(out) = QByteArray(values[0]).toLongLong();
                          return 0;
                      },
                      &inFirst, nullptr),
                  SQLITE_OK);
        EXPECT_EQ(inFirst, commit ? 25 : 0); // every third link is in category 1
    }
}

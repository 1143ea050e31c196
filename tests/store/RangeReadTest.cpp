#include "store/TableTestSupport.h"

#include <sqlite3.h>

#include <algorithm>
#include <random>
#include <tuple>

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::freshTable;
using tabulo::test::keyOf;
using tabulo::test::TempDataDir;

namespace {

// One range over one key. Record k (from 0) has the number k + 1 and takes
// every combination of the fields' choices in turn, `copies` times over.
struct RangeCase {
    const char *label;
    const char *table;
    const char *key;
    std::vector<std::pair<const char *, std::vector<QVariant>>> fields;
    std::vector<QVariant> range;
    int copies = 1;
};

void PrintTo(const RangeCase &c, std::ostream *os) {
    *os << c.label;
}

std::vector<RangeCase> cases() {
    const std::vector<QVariant> last{QStringLiteral("smith"),     QStringLiteral("SMITH"),
                                     QStringLiteral("adams"),     QStringLiteral("\u00c9lan"),
                                     QStringLiteral("\u00e9lan"), QString()};
    const std::vector<QVariant> first{QStringLiteral("ann"), QStringLiteral("Ann"), QString()};
    const std::vector<QVariant> places{QStringLiteral("Home"), QStringLiteral("HOME"), QStringLiteral("work"),
                                       QString()};
    const QVariant home = QStringLiteral("hOME");
    // clang-format off
    return {
        // Case-insensitive text after the range, with many equal names.
        {"CategoryMembers", "QKjnc", "CAT_CTRL_KEY",
         {{"CAT_CTRL", {1, 2, 3}}, {"LNAME", last}, {"FNAME", first}}, {2}},
        {"EmptyCategory", "QKjnc", "CAT_CTRL_KEY", {{"CAT_CTRL", {1, 2, 3}}, {"LNAME", last}}, {9}},
        // Owner ascending, date descending.
        {"NotesOfOnePerson", "QKmem", "NAM_CTRL_KEY",
         {{"NAM_CTRL", {1, 2, 3}}, {"DATE", {100, 300, 0}}}, {2}, 3},
        // The range fixes the whole key, the descending date included; the
        // key leaves out empty entries, so the second range holds nothing.
        {"NotesOfCompanyOnDate", "QKmem", "CMP_CTRL_KEY",
         {{"CMP_CTRL", {0, 4}}, {"DATE", {0, 200}}}, {4, 200}, 4},
        {"EmptyEntriesLeftOut", "QKmem", "CMP_CTRL_KEY",
         {{"CMP_CTRL", {0, 4}}, {"DATE", {0, 200}}}, {0, 0}, 4},
        // The whole key fixed, a case-insensitive text among it.
        {"PhonesAtOneLocation", "QKfon", "NAM_CTRL_KEY",
         {{"NAM_CTRL", {7, 8}}, {"LOCATION", places}}, {7, home}, 3},
    };
    // clang-format on
}

using KeyValues = std::vector<sql::Value>;

// What a read must hand out is worked out here from the dictionary alone:
// key values folded or negated as the key says, sorted in memory, equal
// ones in the order they were added.
class RangeRead : public ::testing::TestWithParam<std::tuple<RangeCase, bool>> {
protected:
    struct Entry {
        qint64 ctrl;
        qint64 order;
        QString token;
        KeyValues key;
        Record values;
    };

    void SetUp() override {
        const auto &[c, filtered] = GetParam();
        m_table = freshTable(m_dir, c.table);
        m_key = &keyOf(*m_table, c.key);
        Record &r = m_table->record();
        std::vector<sql::Value> range; // raw field values, as a list passes them
        r.clear();
        for (size_t i = 0; i < c.range.size(); ++i) {
            const int field = m_key->components[i].field;
            r.setValue(field, c.range[i]);
            if (m_table->def().fields[static_cast<size_t>(field)].isText())
                range.emplace_back(r.utf8(field));
            else
                range.emplace_back(r.integer(field));
        }
        m_rangeKey = keyValues(r);
        m_rangeKey.resize(c.range.size());

        size_t combinations = 1;
        for (const auto &f : c.fields)
            combinations *= f.second.size();
        for (size_t k = 0; k < combinations * static_cast<size_t>(c.copies); ++k) {
            r.clear();
            r.setValue(QStringLiteral("CTRL_NBR"), static_cast<qint64>(k + 1));
            // Every link its own person: the links' person-and-category key is unique.
            if (QString::fromLatin1(c.table) == QLatin1String("QKjnc"))
                r.setValue(QStringLiteral("NAM_CTRL"), static_cast<qint64>(k + 1));
            size_t rest = k;
            for (const auto &[name, choices] : c.fields) {
                r.setValue(QString::fromLatin1(name), choices[rest % choices.size()]);
                rest /= choices.size();
            }
            ASSERT_EQ(m_table->insert().code, 0);
            Entry e{static_cast<qint64>(k + 1), static_cast<qint64>(k), m_table->position(), keyValues(r), r};
            if (inRange(e) && (!filtered || e.ctrl % 2 == 1))
                m_expected.push_back(e);
            m_all.push_back(std::move(e));
        }
        std::sort(m_expected.begin(), m_expected.end(), [](const Entry &a, const Entry &b) {
            return std::tie(a.key, a.order) < std::tie(b.key, b.order);
        });

        m_cursor = std::make_unique<Cursor>(*m_table);
        m_cursor->setOrder(m_key);
        m_cursor->setRange(std::move(range));
        if (filtered) {
            m_cursor->setFilter("f_CTRL_NBR % ? = 1", [](sql::Statement &stmt, int p) {
                stmt.bind(p, qint64{2});
                return p + 1;
            });
        }
        // Small batches, so reads also go on from a row they handed out.
        m_cursor->setReadAhead(3);
    }

    KeyValues keyValues(const Record &r) const {
        KeyValues out;
        for (const KeyComponent &k : m_key->components) {
            if (r.def().fields[static_cast<size_t>(k.field)].isText()) {
                const QString s = r.text(k.field);
                out.emplace_back((m_key->caseInsensitive ? s.toCaseFolded() : s).toStdString());
            } else {
                out.emplace_back(k.descending ? -r.integer(k.field) : r.integer(k.field));
            }
        }
        return out;
    }

    bool inRange(const Entry &e) const {
        if (!std::equal(m_rangeKey.begin(), m_rangeKey.end(), e.key.begin()))
            return false;
        const bool empty = std::all_of(e.key.begin(), e.key.end(), [](const sql::Value &v) {
            return v == sql::Value(qint64{0}) || v == sql::Value(std::string());
        });
        return !(m_key->excludesEmpty && empty);
    }

    std::vector<qint64> readOn(bool forward) {
        std::vector<qint64> out;
        StoreError e;
        while (!(e = forward ? m_cursor->next() : m_cursor->previous()))
            out.push_back(m_table->record().integer(0));
        EXPECT_EQ(e.code, Code::EndOfFile);
        return out;
    }

    template <typename Keep> std::vector<qint64> expected(bool forward, Keep keep) const {
        std::vector<qint64> out;
        for (const Entry &e : m_expected) {
            if (keep(e))
                out.push_back(e.ctrl);
        }
        if (!forward)
            std::reverse(out.begin(), out.end());
        return out;
    }

    TempDataDir m_dir;
    std::unique_ptr<Table> m_table;
    const KeyDef *m_key = nullptr;
    std::unique_ptr<Cursor> m_cursor;
    KeyValues m_rangeKey;
    std::vector<Entry> m_all;
    std::vector<Entry> m_expected;
};

TEST_P(RangeRead, ReadsTheRangeFromEitherEndAndCountsIt) {
    const auto all = [](const Entry &) { return true; };
    qint64 records = -1;
    ASSERT_EQ(m_cursor->count(records).code, 0);
    EXPECT_EQ(records, static_cast<qint64>(m_expected.size()));
    ASSERT_EQ(m_cursor->toStart().code, 0);
    std::vector<qint64> read;
    if (m_cursor->next().ok())
        read.push_back(m_table->record().integer(0));
    // Counting in the middle of a read leaves the position where it was.
    ASSERT_EQ(m_cursor->count(records).code, 0);
    for (qint64 ctrl : readOn(true))
        read.push_back(ctrl);
    EXPECT_EQ(read, expected(true, all));
    ASSERT_EQ(m_cursor->toEnd().code, 0);
    EXPECT_EQ(m_cursor->next().code, Code::EndOfFile);
    EXPECT_EQ(readOn(false), expected(false, all));
}

TEST_P(RangeRead, ReadsOnFromThePositionOfAnyRecord) {
    // Records outside the range too: all of it lies on one side of them.
    for (const Entry &at : m_all) {
        for (bool forward : {true, false}) {
            ASSERT_EQ(m_cursor->toPosition(at.token).code, 0);
            const auto from = std::tie(at.key, at.order);
            EXPECT_EQ(readOn(forward), expected(forward,
                                                [&](const Entry &e) {
                                                    return forward ? std::tie(e.key, e.order) >= from
                                                                   : std::tie(e.key, e.order) <= from;
                                                }))
                << "from record " << at.ctrl << (forward ? " forward" : " backward");
        }
    }
}

TEST_P(RangeRead, ReadsOnFromNotBelowValues) {
    for (const Entry &at : m_all) {
        for (bool forward : {true, false}) {
            m_table->record() = at.values;
            ASSERT_EQ(m_cursor->toNotBelow(m_table->record()).code, 0);
            EXPECT_EQ(readOn(forward),
                      expected(forward,
                               [&](const Entry &e) { return forward ? e.key >= at.key : e.key <= at.key; }))
                << "from the values of record " << at.ctrl << (forward ? " forward" : " backward");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, RangeRead,
                         ::testing::Combine(::testing::ValuesIn(cases()), ::testing::Bool()),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).label) +
                                    (std::get<1>(info.param) ? "Filtered" : "");
                         });

std::string planOf(sqlite3 *db, const std::string &sql) {
    std::string plan;
    sqlite3_stmt *stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &stmt, nullptr), SQLITE_OK)
        << sql;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        plan += std::string(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 3))) + "\n";
    sqlite3_finalize(stmt);
    return plan;
}

// The range's components are equalities and the position one row value over
// the rest of the key and the row id, so SQLite seeks straight to a page in
// the key's order, wherever it lies in the range.
TEST(RangeReadPlan, SeeksOnTheRangeAndThePositionTogether) {
    enum At { Start, NotBelow, AfterRead };
    struct Plan {
        const char *table;
        const char *key;
        std::vector<QVariant> range;
        At at;
        bool forward;
        const char *search;
    };
    const QVariant home = QStringLiteral("Home");
    // clang-format off
    const Plan plans[] = {
        {"QKjnc", "CAT_CTRL_KEY", {2}, Start, true, "k_CAT_CTRL_KEY (f_CAT_CTRL=?)"},
        {"QKjnc", "CAT_CTRL_KEY", {2}, NotBelow, true,
         "k_CAT_CTRL_KEY (f_CAT_CTRL=? AND (i_LNAME,i_FNAME)>(?,?))"},
        {"QKjnc", "CAT_CTRL_KEY", {2}, AfterRead, true,
         "k_CAT_CTRL_KEY (f_CAT_CTRL=? AND (i_LNAME,i_FNAME,rowid)>(?,?,?))"},
        {"QKjnc", "CAT_CTRL_KEY", {2}, AfterRead, false,
         "k_CAT_CTRL_KEY (f_CAT_CTRL=? AND (i_LNAME,i_FNAME,rowid)<(?,?,?))"},
        {"QKjnc", "CAT_CTRL_KEY", {}, AfterRead, true,
         "k_CAT_CTRL_KEY ((f_CAT_CTRL,i_LNAME,i_FNAME,rowid)>(?,?,?,?))"},
        {"QKmem", "NAM_CTRL_KEY", {2}, AfterRead, false,
         "k_NAM_CTRL_KEY (f_NAM_CTRL=? AND (d_DATE,rowid)<(?,?))"},
        {"QKmem", "CMP_CTRL_KEY", {4, 200}, NotBelow, true, "k_CMP_CTRL_KEY (f_CMP_CTRL=? AND d_DATE=?)"},
        {"QKfon", "NAM_CTRL_KEY", {7, home}, AfterRead, true,
         "k_NAM_CTRL_KEY (f_NAM_CTRL=? AND i_LOCATION=? AND rowid>?)"},
    };
    // clang-format on
    for (const Plan &p : plans) {
        TempDataDir dir;
        auto table = freshTable(dir, p.table);
        const KeyDef &key = keyOf(*table, p.key);
        // One record in the range to stand on.
        std::vector<sql::Value> range;
        for (size_t i = 0; i < p.range.size(); ++i) {
            table->record().setValue(key.components[i].field, p.range[i]);
            if (p.range[i].typeId() == QMetaType::QString)
                range.emplace_back(p.range[i].toString().toStdString());
            else
                range.emplace_back(p.range[i].toLongLong());
        }
        ASSERT_EQ(table->insert().code, 0);
        Cursor cursor(*table);
        cursor.setOrder(&key);
        cursor.setRange(range);
        if (p.at == NotBelow) {
            ASSERT_EQ(cursor.toNotBelow(table->record()).code, 0);
        } else {
            ASSERT_EQ(cursor.toStart().code, 0);
            if (p.at == AfterRead) {
                ASSERT_EQ(cursor.next().code, 0);
            }
            cursor.discardBatch();
        }
        const std::string plan = planOf(table->handle(), cursor.readSql(p.forward));
        EXPECT_NE(plan.find(std::string("SEARCH rec USING INDEX ") + p.search + "\n"), std::string::npos)
            << p.table << " " << p.key << ": " << plan;
        EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan; // never sorted afterwards
    }
}

TEST(RangeReadPlan, CountsOverTheKeyAloneAndInFileOrder) {
    TempDataDir dir;
    auto jnc = freshTable(dir, "QKjnc");
    Cursor cursor(*jnc);
    cursor.setOrder(&keyOf(*jnc, "CAT_CTRL_KEY"));
    cursor.setRange({qint64{2}});
    EXPECT_EQ(planOf(jnc->handle(), cursor.countSql()),
              "SCAN CONSTANT ROW\nSCALAR SUBQUERY 1\nSEARCH n_CAT_CTRL_KEY USING PRIMARY KEY (v=?)\n")
        << "a category's count is the running one the file keeps";
    cursor.setFilter("f_NAM_CTRL > 0", {});
    EXPECT_EQ(planOf(jnc->handle(), cursor.countSql()),
              "SEARCH rec USING INDEX k_CAT_CTRL_KEY (f_CAT_CTRL=?)\n")
        << "a filtered count goes over the key";
    // Without a key the filter alone decides.
    for (int i = 1; i <= 4; ++i) {
        jnc->record().setValue(QStringLiteral("CTRL_NBR"), i);
        jnc->record().setValue(QStringLiteral("NAM_CTRL"), i);
        ASSERT_EQ(jnc->insert().code, 0);
    }
    Cursor fileOrder(*jnc);
    fileOrder.setFilter("f_CTRL_NBR > ?", [](sql::Statement &stmt, int p) {
        stmt.bind(p, qint64{1});
        return p + 1;
    });
    qint64 records = 0;
    ASSERT_EQ(fileOrder.count(records).code, 0);
    EXPECT_EQ(records, 3);
}

// A batch's catch-up of the running counts reads the rows it added, not the
// whole key: its time does not grow with the file.
TEST(RangeReadPlan, CountsCatchUpReadsOnlyTheNewRows) {
    int kept = 0;
    for (const char *name : {"QKjnc", "QKnam", "QKfon", "QKmem", "QKcmp", "QKjcg"}) {
        TempDataDir dir;
        auto table = freshTable(dir, name);
        for (const auto &ks : table->schema().keys()) {
            if (ks.countsTable.empty())
                continue;
            ++kept;
            EXPECT_EQ(planOf(table->handle(), ks.countsCatchUpSql).rfind("SEARCH rec USING INTEGER PRIMARY KEY (rowid>?)\n", 0), 0u)
                << name << " " << ks.countsTable << ": " << planOf(table->handle(), ks.countsCatchUpSql);
        }
    }
    EXPECT_GT(kept, 0) << "no table keeps a running count";
}

} // namespace

namespace {

// A category's count is kept until someone writes: this connection, or
// another station through its own.
TEST(RangeCount, AKeptCountFollowsEveryWriteToTheFile) {
    TempDataDir dir;
    auto here = freshTable(dir, "QKjnc");
    Table there(here->def(), dir.path());
    ASSERT_TRUE(there.open().ok());
    qint64 number = 0;
    auto add = [&number](Table &t, qint64 category) {
        t.record().clear();
        t.record().setValue(QStringLiteral("CTRL_NBR"), ++number);
        t.record().setValue(QStringLiteral("NAM_CTRL"), number);
        t.record().setValue(QStringLiteral("CAT_CTRL"), category);
        EXPECT_TRUE(t.insert().ok());
    };
    for (int i = 0; i < 3; ++i)
        add(*here, 5);
    add(*here, 6);
    Cursor members(*here);
    members.setOrder(&keyOf(*here, "CAT_CTRL_KEY"));
    members.setRange({sql::Value(qint64(5))});
    auto count = [&members] {
        qint64 n = -1;
        EXPECT_TRUE(members.count(n).ok());
        return n;
    };
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(count(), 3);
    add(*here, 5);
    EXPECT_EQ(count(), 4) << "after this connection's insert";
    add(there, 5);
    EXPECT_EQ(count(), 5) << "after another station's insert";
    there.record().setValue(QStringLiteral("CTRL_NBR"), number);
    ASSERT_TRUE(there.fetch(keyOf(there, "CTRL_KEY")).ok());
    ASSERT_TRUE(there.remove().ok());
    EXPECT_EQ(count(), 4) << "after another station's delete";
    members.setRange({sql::Value(qint64(6))});
    EXPECT_EQ(count(), 1) << "another range";
}

} // namespace

namespace {

qint64 countByKey(Table &t, qint64 category) {
    sql::Statement stmt(t.handle(), "SELECT count(*) FROM rec WHERE f_CAT_CTRL=?");
    stmt.bind(1, category);
    return stmt.step() == SQLITE_ROW ? stmt.int64(0) : -1;
}

qint64 runningCount(Table &t, qint64 category) {
    Cursor members(t);
    members.setOrder(&keyOf(t, "CAT_CTRL_KEY"));
    members.setRange({sql::Value(category)});
    EXPECT_TRUE(members.countsFromFile());
    qint64 n = -1;
    EXPECT_TRUE(members.count(n).ok());
    return n;
}

// The running counts follow inserts, deletes, and changes that move a
// record between categories or leave it where it is, in transactions
// committed or rolled back; so too when a writer defers their upkeep to its
// commit (changes and removals then catch up first). A file made without
// them, or with damaged ones, gets right ones.
TEST(RunningCount, AgreesWithTheKeyAfterEveryKindOfWrite) {
    for (const bool deferred : {false, true}) {
        SCOPED_TRACE(deferred ? "upkeep deferred" : "upkeep by the triggers");
        TempDataDir dir;
        auto jnc = freshTable(dir, "QKjnc");
        std::mt19937 rng(5);
        qint64 number = 0;
        Table &t = *jnc;
        auto beginBatch = [&] {
            ASSERT_TRUE(t.begin(2).ok());
            if (deferred) {
                ASSERT_TRUE(t.deferIndexUpkeep().ok());
            }
        };
        beginBatch();
        for (int step = 0; step < 300; ++step) {
            if (step % 25 == 24) {
                // One batch in four is rolled back: the triggers are on again
                // for what follows, whether deferred again or not.
                if (rng() % 4) {
                    ASSERT_TRUE(t.commit().ok());
                } else {
                    t.rollback(); // it hands back the last failure reported, if any
                }
                beginBatch();
            }
            const int what = static_cast<int>(rng() % 4);
            if (what < 2 || number == 0) {
                t.record().clear();
                t.record().setValue(QStringLiteral("CTRL_NBR"), ++number);
                t.record().setValue(QStringLiteral("NAM_CTRL"), number);
                t.record().setValue(QStringLiteral("CAT_CTRL"), static_cast<qint64>(rng() % 4));
                t.record().setValue(QStringLiteral("LNAME"), QStringLiteral("Name %1").arg(number));
                ASSERT_TRUE(t.insert().ok());
                continue;
            }
            t.record().setValue(QStringLiteral("CTRL_NBR"), static_cast<qint64>(1 + rng() % number));
            if (!t.fetch(keyOf(t, "CTRL_KEY")).ok())
                continue;
            if (what == 2) {
                ASSERT_TRUE(t.remove().ok());
            } else {
                if (rng() % 2)
                    t.record().setValue(QStringLiteral("CAT_CTRL"), static_cast<qint64>(rng() % 4));
                else
                    t.record().setValue(QStringLiteral("LNAME"), QStringLiteral("Renamed"));
                ASSERT_TRUE(t.change().ok());
            }
        }
        // The last batch only adds records.
        for (int i = 0; i < 20; ++i) {
            t.record().clear();
            t.record().setValue(QStringLiteral("CTRL_NBR"), ++number);
            t.record().setValue(QStringLiteral("NAM_CTRL"), number);
            t.record().setValue(QStringLiteral("CAT_CTRL"), static_cast<qint64>(i % 3));
            ASSERT_TRUE(t.insert().ok());
        }
        ASSERT_TRUE(t.commit().ok());
        for (qint64 category = 0; category < 5; ++category)
            EXPECT_EQ(runningCount(*jnc, category), countByKey(*jnc, category)) << "category " << category;
        if (deferred)
            continue;

        // A file without them (made by an earlier version), and one whose counts
        // were tampered with, repaired by the key rebuild.
        ASSERT_EQ(sqlite3_exec(jnc->handle(),
                               "DROP TRIGGER n_CAT_CTRL_KEY_add;DROP TRIGGER n_CAT_CTRL_KEY_take;"
                               "DROP TRIGGER n_CAT_CTRL_KEY_move;DROP TABLE n_CAT_CTRL_KEY",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        jnc->close();
        ASSERT_TRUE(jnc->open().ok());
        for (qint64 category = 0; category < 4; ++category)
            EXPECT_EQ(runningCount(*jnc, category), countByKey(*jnc, category)) << "remade, category " << category;
        ASSERT_EQ(sqlite3_exec(jnc->handle(), "UPDATE n_CAT_CTRL_KEY SET n=n+7", nullptr, nullptr, nullptr), SQLITE_OK);
        ASSERT_TRUE(jnc->rebuildKeys().ok());
        ASSERT_TRUE(jnc->open().ok());
        for (qint64 category = 0; category < 4; ++category)
            EXPECT_EQ(runningCount(*jnc, category), countByKey(*jnc, category)) << "rebuilt, category " << category;
    }
}

} // namespace

namespace {

// The calls not returned have a key of their own: a file made before it gets
// it when opened, it holds only those calls, newest first, and a call leaves
// it once returned.
TEST(AddedKey, HoldsOnlyItsRecordsAndIsMadeForOlderFiles) {
    TempDataDir dir;
    auto inc = freshTable(dir, "QKinc");
    ASSERT_EQ(sqlite3_exec(inc->handle(), "DROP INDEX k_NOTRETURNED_KEY", nullptr, nullptr, nullptr), SQLITE_OK);
    inc->close();
    ASSERT_TRUE(inc->open().ok()) << "a missing added key is no damage";
    const struct {
        int number, date, returned;
    } calls[] = {{1, 100, 0}, {2, 300, 0}, {3, 200, 205}, {4, 250, 0}, {5, 400, 400}};
    for (const auto &c : calls) {
        inc->record().clear();
        inc->record().setValue(QStringLiteral("CTRL_NBR"), c.number);
        inc->record().setValue(QStringLiteral("CALLERDATE"), c.date);
        inc->record().setValue(QStringLiteral("RETURNEDDATE"), c.returned);
        ASSERT_TRUE(inc->insert().ok());
    }
    auto listed = [&inc] {
        Cursor cursor(*inc);
        cursor.setOrder(&keyOf(*inc, "NOTRETURNED_KEY"));
        std::vector<qint64> numbers;
        while (cursor.next().ok())
            numbers.push_back(inc->record().value(QStringLiteral("CTRL_NBR")).toLongLong());
        return numbers;
    };
    EXPECT_EQ(listed(), (std::vector<qint64>{2, 4, 1}));
    inc->record().setValue(QStringLiteral("CTRL_NBR"), 4);
    ASSERT_TRUE(inc->fetch(keyOf(*inc, "CTRL_KEY")).ok());
    inc->record().setValue(QStringLiteral("RETURNEDDATE"), 260);
    ASSERT_TRUE(inc->change().ok());
    EXPECT_EQ(listed(), (std::vector<qint64>{2, 1}));

    Cursor cursor(*inc);
    cursor.setOrder(&keyOf(*inc, "NOTRETURNED_KEY"));
    EXPECT_NE(planOf(inc->handle(), cursor.readSql(true)).find("USING INDEX k_NOTRETURNED_KEY"), std::string::npos);
}

} // namespace

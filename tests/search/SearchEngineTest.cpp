// The search over real table files: the matching rules, the index kept by
// every writer (another process, one killed mid-transaction), a data
// directory made before the index, a damaged index, and --find.
#include "search/SearchEngine.h"
#include "host/BatchCommands.h"
#include "search/SearchCommands.h"
#include "search/SearchIndexBuild.h"
#include "search/SearchText.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/UnitOfWork.h"
#include "support/ChildProcess.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <set>
#include <sqlite3.h>
#include <unistd.h>

using namespace tabulo;
using namespace tabulo::search;
using store::Table;
using store::tableDef;
using test::TempDataDir;

namespace {

// A field's value as a test writes it: a number or a text.
struct Value {
    QVariant v;
    Value(int i)
        : v(i) {}
    Value(const char *text)
        : v(QString::fromUtf8(text)) {}
    Value(const QString &text)
        : v(text) {}
};
using Fields = std::vector<std::pair<const char *, Value>>;

void put(Table &t, const Fields &fields, const QString &memo = {}) {
    t.record().clear();
    for (const auto &[name, value] : fields)
        t.record().setValue(QString::fromLatin1(name), value.v);
    if (!memo.isEmpty())
        t.record().setMemo(memo);
    ASSERT_EQ(t.insert().code, 0) << t.def().name.toStdString();
}

// Five table files with a few records each, made as the program makes them.
struct Directory {
    TempDataDir dir;
    Table nam{tableDef("QKnam"), dir.path()};
    Table cmp{tableDef("QKcmp"), dir.path()};
    Table mem{tableDef("QKmem"), dir.path()};
    Table fon{tableDef("QKfon"), dir.path()};
    Table inc{tableDef("QKinc"), dir.path()};

    Directory() {
        for (Table *t : {&nam, &cmp, &mem, &fon, &inc}) {
            EXPECT_EQ(t->create().code, 0);
            EXPECT_EQ(t->open().code, 0);
        }
        put(nam, {{"NAM:CTRL_NBR", 1},
                  {"NAM:LNAME", "Smith"},
                  {"NAM:FNAME", "John"},
                  {"NAM:ADDR1", "12 Elm Street"},
                  {"NAM:CITY", "Columbus"},
                  {"NAM:EMAILADDRESS", "jo.s@example.com"}});
        put(nam,
            {{"NAM:CTRL_NBR", 2}, {"NAM:LNAME", "Müller"}, {"NAM:FNAME", "Anna"}, {"NAM:CITY", "Dayton"}});
        put(nam, {{"NAM:CTRL_NBR", 3}, {"NAM:LNAME", "Jones"}, {"NAM:FNAME", "Smita"}});
        put(cmp, {{"CMP:CTRL_NBR", 1},
                  {"CMP:NAME", "Acme Widgets"},
                  {"CMP:BUSINESS", "Sprockets and gears"},
                  {"CMP:WEBADDRESS", "www.acme-widgets.com"}});
        put(mem, {{"MEM:CTRL_NBR", 1}, {"MEM:NAM_CTRL", 2}},
            QStringLiteral("Met at the harvest fair;\nshe plays chess."));
        put(mem, {{"MEM:CTRL_NBR", 2}, {"MEM:CMP_CTRL", 1}}, QStringLiteral("Quarterly order of gaskets."));
        put(fon, {{"FON:CTRL_NBR", 1},
                  {"FON:NUMBER", "6145551234"},
                  {"FON:LOCATION", "Home"},
                  {"FON:NAM_CTRL", 1}});
        put(fon, {{"FON:CTRL_NBR", 2},
                  {"FON:NUMBER", "9375550000"},
                  {"FON:LOCATION", "Sales"},
                  {"FON:CMP_CTRL", 1}});
        put(fon, {{"FON:CTRL_NBR", 3},
                  {"FON:NUMBER", "2125557788"},
                  {"FON:JUSTPHONESBYTE", 100},
                  {"FON:JUSTPHONESNAME", "Pizza Palace"}});
        put(inc,
            {{"INC:CTRL_NBR", 1},
             {"INC:LASTNAME", "Brown"},
             {"INC:FIRSTNAME", "Carl"},
             {"INC:NUMBER", "4155551999"},
             {"INC:SOURCE", "Referral"}},
            QStringLiteral("Wants a quote for turbines."));
    }
};

// "person 1" for each hit, in the results' order.
QStringList found(const SearchResults &r) {
    QStringList out;
    for (const SearchHit &h : r.hits)
        out << hitKindWord(h.kind) + QLatin1Char(' ') + QString::number(h.ctrl);
    return out;
}

QString q(const char *text) {
    return QString::fromUtf8(text);
}

QStringList list(const std::vector<const char *> &texts) {
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

QString marked(const QString &text, const std::vector<std::pair<int, int>> &marks) {
    QString out = text;
    for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
        out.insert(it->first + it->second, QLatin1Char(']'));
        out.insert(it->first, QLatin1Char('['));
    }
    return out;
}

} // namespace

TEST(SearchText, QueriesSplitIntoTermsAndPhoneNumbersIntoTheirDigits) {
    struct Case {
        const char *query;
        std::vector<const char *> texts;
        std::vector<const char *> digits;
    };
    const std::vector<Case> cases = {
        {"smi jo", {"smi", "jo"}, {"", ""}},
        {"  (614) 555-1234 ", {"(614) 555-1234"}, {"6145551234"}},
        {"555-1234 smith", {"555-1234", "smith"}, {"5551234", ""}},
        {"- smith --", {"smith"}, {""}},
        {"12 Elm", {"12", "Elm"}, {"", ""}},
        {"   ", {}, {}},
    };
    for (const Case &c : cases) {
        const auto terms = parseQuery(q(c.query));
        QStringList texts;
        QStringList digits;
        for (const SearchTerm &t : terms) {
            texts << t.text;
            digits << t.digits;
        }
        EXPECT_EQ(texts, list(c.texts)) << c.query;
        EXPECT_EQ(digits, list(c.digits)) << c.query;
    }
    // A quote in a word is the word's, not the query language's.
    EXPECT_EQ(wordsExpression(parseQuery(QStringLiteral("o\"brien jo"))),
              std::string("\"o\"\"brien\"* AND \"jo\"*"));
}

TEST(SearchText, MarksWordStartsIgnoringCaseAndAccentsAndDigitsAcrossPunctuation) {
    struct Case {
        const char *shown;
        const char *query;
        const char *expected;
    };
    const std::vector<Case> cases = {
        {"Smith, John", "jo smi", "[Smi]th, [Jo]hn"},
        {"Müller, Anna", "MULL", "[Müll]er, Anna"},
        {"(614) 555-1234 Home", "5551234", "(614) [555-1234] Home"},
        {"jsmith@example.com", "mple.c", "jsmith@exa[mple.c]om"},
        {"Osmith", "smi", "O[smi]th"}, // no word starts so: anywhere
        {"Osmith", "sm", "Osmith"},    // two letters only at a word's start
    };
    for (const Case &c : cases)
        EXPECT_EQ(marked(q(c.shown), findMarks(q(c.shown), parseQuery(q(c.query)))), q(c.expected))
            << c.query;
}

TEST(Search, FindsEachKindByTheRulesOfMatching) {
    Directory data;
    SearchEngine engine(data.dir.path());
    struct Case {
        const char *query;
        std::vector<const char *> expected;
    };
    const std::vector<Case> cases = {
        {"smi joh", {"person 1"}}, // words in any order, each a prefix
        {"joh smi", {"person 1"}},
        {"smi jo", {"person 3", "person 1"}}, // Jones, Smita too; by name
        {"smi", {"person 3", "person 1"}},
        {"muller", {"person 2"}}, // accents ignored
        {"MÜLLER anna", {"person 2"}},
        {"5551234", {"person 1"}}, // a run of a number's digits
        {"(614) 555-1234", {"person 1"}},
        {"555", {"person 1", "company 1", "call 1", "phone 3"}},
        {"ample.co", {"person 1"}}, // an e-mail address by any part
        {"example", {"person 1"}},
        {"widgets", {"company 1"}},
        {"gears", {"company 1"}},
        {"harv chess", {"note 1"}}, // a note's words
        {"gaskets", {"note 2"}},
        {"turbines", {"call 1"}}, // a call's about text
        {"referral brown", {"call 1"}},
        {"pizza", {"phone 3"}}, // the directory
        {"elm columbus", {"person 1"}},
        {"elm dayton", {}}, // every word must match
        {"zzz", {}},
    };
    for (const Case &c : cases) {
        const SearchResults r = engine.search(q(c.query));
        EXPECT_EQ(found(r), list(c.expected)) << c.query;
        EXPECT_TRUE(r.failures.isEmpty()) << r.failures.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(r.missingIndex.isEmpty());
    }
}

TEST(Search, HitsSayWhatMatchedAndWhoseNoteItIs) {
    Directory data;
    SearchEngine engine(data.dir.path());
    SearchResults r = engine.search(QStringLiteral("614 555"));
    ASSERT_EQ(r.hits.size(), 1u);
    EXPECT_EQ(r.hits[0].title, QStringLiteral("Smith, John"));
    EXPECT_EQ(marked(r.hits[0].matched, r.hits[0].marks), QStringLiteral("([614) 555]-1234 Home"));

    r = engine.search(QStringLiteral("chess"));
    ASSERT_EQ(r.hits.size(), 1u);
    EXPECT_EQ(r.hits[0].ownerKind, HitKind::Person);
    EXPECT_EQ(r.hits[0].ownerCtrl, 2);
    EXPECT_EQ(r.hits[0].title, QStringLiteral("Müller, Anna"));
    EXPECT_EQ(marked(r.hits[0].matched, r.hits[0].marks),
              QStringLiteral("Met at the harvest fair; she plays [chess]."));

    r = engine.search(QStringLiteral("gaskets"));
    ASSERT_EQ(r.hits.size(), 1u);
    EXPECT_EQ(r.hits[0].ownerKind, HitKind::Company);
    EXPECT_EQ(r.hits[0].title, QStringLiteral("Acme Widgets"));
}

TEST(Search, KeepsAtMostTheAskedNumberOfEachKindAndSaysThereIsMore) {
    Directory data;
    ASSERT_EQ(data.nam.begin(10).code, 0);
    for (int i = 0; i < 30; ++i)
        put(data.nam, {{"NAM:CTRL_NBR", 100 + i}, {"NAM:LNAME", QStringLiteral("Walker%1").arg(i)}});
    ASSERT_EQ(data.nam.commit().code, 0);
    SearchEngine engine(data.dir.path());
    const SearchResults r = engine.search(QStringLiteral("walker"), 10);
    EXPECT_EQ(r.count(HitKind::Person), 10);
    EXPECT_TRUE(r.more[static_cast<size_t>(HitKind::Person)]);
    EXPECT_FALSE(r.more[static_cast<size_t>(HitKind::Company)]);
    EXPECT_FALSE(engine.search(QStringLiteral("walker"), 30).more[0]);
}

TEST(Search, TheIndexFollowsChangesAndDeletesOfThisConnection) {
    Directory data;
    SearchEngine engine(data.dir.path());
    data.nam.record().clear();
    data.nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 3);
    ASSERT_EQ(data.nam.fetch(*data.nam.def().key(QStringLiteral("CTRL_KEY"))).code, 0);
    data.nam.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Okafor"));
    ASSERT_EQ(data.nam.change().code, 0);
    EXPECT_EQ(found(engine.search(QStringLiteral("okafor"))), QStringList{QStringLiteral("person 3")});
    EXPECT_EQ(found(engine.search(QStringLiteral("jones"))), QStringList());
    ASSERT_EQ(data.nam.remove().code, 0);
    EXPECT_EQ(found(engine.search(QStringLiteral("okafor"))), QStringList());
    EXPECT_TRUE(data.nam.searchIndexFindings().isEmpty());
}

namespace {

const bool childRoles = [] {
    // Renames person 1 in a process of its own.
    test::registerChildRole("search-rename", [](int argc, char **argv) {
        if (argc < 2)
            return 10;
        Table nam(tableDef("QKnam"), QString::fromLocal8Bit(argv[0]));
        if (nam.open().code != 0)
            return 11;
        nam.record().clear();
        nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 1);
        if (nam.fetch(*nam.def().key(QStringLiteral("CTRL_KEY"))).code != 0)
            return 12;
        nam.record().setValue(QStringLiteral("NAM:LNAME"), QString::fromLocal8Bit(argv[1]));
        return nam.change().code == 0 ? 0 : 13;
    });
    // Writes people in transactions of fifty and is killed in the middle of one.
    test::registerChildRole("search-write-until-killed", [](int argc, char **argv) {
        if (argc < 1)
            return 10;
        Table nam(tableDef("QKnam"), QString::fromLocal8Bit(argv[0]));
        if (nam.open().code != 0)
            return 11;
        for (int batch = 0;; ++batch) {
            if (nam.begin(10).code != 0)
                return 12;
            for (int i = 0; i < 50; ++i) {
                nam.record().clear();
                nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 1000 + batch * 50 + i);
                nam.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Batch%1").arg(batch));
                nam.record().setValue(QStringLiteral("NAM:FNAME"), QStringLiteral("Row%1").arg(i));
                if (nam.insert().code != 0)
                    return 13;
                if (batch == 3 && i == 25) {
                    std::printf("midway\n");
                    std::fflush(stdout);
                    ::pause(); // the parent kills us here, inside the transaction
                }
            }
            if (nam.commit().code != 0)
                return 14;
        }
    });
    return true;
}();

} // namespace

TEST(Search, ARecordChangedByAnotherProcessIsFoundUnderItsNewTextOnly) {
    Directory data;
    SearchEngine engine(data.dir.path());
    ASSERT_EQ(found(engine.search(QStringLiteral("smith"))), QStringList{QStringLiteral("person 1")});
    data.nam.close();
    QProcess child;
    child.start(test::selfPath(), {QStringLiteral("--child"), QStringLiteral("search-rename"),
                                   data.dir.path(), QStringLiteral("Zimmermann")});
    ASSERT_TRUE(child.waitForFinished(30000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    EXPECT_EQ(found(engine.search(QStringLiteral("zimmer"))), QStringList{QStringLiteral("person 1")});
    EXPECT_EQ(found(engine.search(QStringLiteral("smith"))), QStringList());
}

TEST(Search, AWriterKilledInTheMiddleOfATransactionLeavesRecordsAndIndexAgreeing) {
    Directory data;
    data.nam.close();
    QProcess child;
    child.start(test::selfPath(),
                {QStringLiteral("--child"), QStringLiteral("search-write-until-killed"), data.dir.path()});
    ASSERT_TRUE(child.waitForReadyRead(30000));
    ASSERT_EQ(child.readLine().trimmed(), QByteArray("midway"));
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished(10000);

    // The next opener rolls the torn transaction back; then every stored
    // last name is found exactly on its own records.
    Table nam(tableDef("QKnam"), data.dir.path());
    ASSERT_EQ(nam.open().code, 0);
    std::map<QString, std::set<qint64>> byName;
    ASSERT_EQ(nam.setStart(nullptr).code, 0);
    while (nam.next().code == 0)
        byName[nam.record().text(1)].insert(nam.record().integer(0));
    EXPECT_EQ(byName.size(), 3u + 3u); // the three people and three whole batches
    EXPECT_EQ(byName.count(QStringLiteral("Batch3")), 0u);
    SearchEngine engine(data.dir.path());
    for (const auto &[name, ctrls] : byName) {
        std::set<qint64> hits;
        for (const SearchHit &h : engine.search(name, 1000).hits) {
            if (h.kind == HitKind::Person && h.title.startsWith(name))
                hits.insert(h.ctrl);
        }
        EXPECT_EQ(hits, ctrls) << name.toStdString();
    }
    EXPECT_EQ(found(engine.search(QStringLiteral("batch3"))), QStringList());
    EXPECT_TRUE(nam.searchIndexFindings().isEmpty());
}

TEST(Search, ADirectoryWithoutTheIndexGetsItBuiltOnceWithProgress) {
    Directory data;
    // As a program before the index left the files.
    for (Table *t : {&data.nam, &data.cmp, &data.fon}) {
        for (const std::string &drop : t->schema().search().dropSql)
            ASSERT_EQ(sqlite3_exec(t->handle(), drop.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        t->close();
    }
    store::Store store(data.dir.path());
    EXPECT_EQ(tablesWithoutSearchIndex(store), list({"QKnam", "QKcmp", "QKfon"}));
    SearchEngine engine(data.dir.path());
    SearchResults r = engine.search(QStringLiteral("smith"));
    EXPECT_EQ(r.missingIndex, list({"QKNAM.db", "QKCMP.db", "QKFON.db"}));
    EXPECT_TRUE(r.hits.empty());

    // Giving up leaves the files as they were.
    IndexBuildOutcome outcome =
        buildMissingSearchIndexes(store, [](const QString &, double) { return false; });
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(tablesWithoutSearchIndex(store).size(), 3);

    std::vector<double> steps;
    outcome = buildMissingSearchIndexes(store, [&steps](const QString &, double done) {
        steps.push_back(done);
        return true;
    });
    EXPECT_TRUE(outcome.ok());
    EXPECT_EQ(outcome.built, list({"QKNAM.db", "QKCMP.db", "QKFON.db"}));
    EXPECT_EQ(outcome.records, 3 + 1 + 3);
    EXPECT_EQ(outcome.text(), QStringLiteral("The search index was built: 7 records in 3 files."));
    ASSERT_FALSE(steps.empty());
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_DOUBLE_EQ(steps.back(), 1.0);
    EXPECT_TRUE(tablesWithoutSearchIndex(store).isEmpty());
    EXPECT_EQ(found(engine.search(QStringLiteral("smith"))), QStringList{QStringLiteral("person 1")});
    EXPECT_EQ(found(engine.search(QStringLiteral("5551234"))), QStringList{QStringLiteral("person 1")});
    // Once only.
    EXPECT_TRUE(buildMissingSearchIndexes(store).built.isEmpty());
    store.closeAll();
}

TEST(Search, ADamagedIndexIsReportedAndTheRepairRebuildsIt) {
    Directory data;
    // Words of the index lost behind the records' back.
    ASSERT_EQ(sqlite3_exec(data.nam.handle(), "DELETE FROM s_w_data WHERE id>10", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_FALSE(data.nam.searchIndexFindings().isEmpty());
    data.nam.close();
    QStringList problems;
    ASSERT_EQ(data.nam.check(problems).code, 0);
    EXPECT_TRUE(problems.join(QLatin1Char(' ')).contains(QStringLiteral("search index is damaged")))
        << problems.join(QLatin1Char('\n')).toStdString();
    SearchEngine engine(data.dir.path());
    const SearchResults r = engine.search(QStringLiteral("smith"));
    EXPECT_TRUE(r.damaged);
    EXPECT_EQ(r.damagedFile, QStringLiteral("QKNAM.db"));

    Table::RepairOutcome outcome;
    ASSERT_EQ(data.nam.repair(outcome).code, 0);
    ASSERT_EQ(data.nam.check(problems).code, 0);
    EXPECT_EQ(problems, QStringList());
    EXPECT_EQ(found(engine.search(QStringLiteral("smith"))), QStringList{QStringLiteral("person 1")});
}

TEST(Search, FindCommandPrintsOneMatchPerLine) {
    Directory data;
    for (Table *t : {&data.nam, &data.cmp, &data.mem, &data.fon, &data.inc})
        t->close();
    store::Store::instance().setDirectory(data.dir.path());
    registerSearchCommands();
    const host::BatchCommand *command = host::findBatchCommand(QStringLiteral("find"));
    ASSERT_NE(command, nullptr);
    struct Case {
        const char *query;
        std::vector<const char *> options;
        int status;
        const char *out;
    };
    const std::vector<Case> cases = {
        {"555 1234", {}, 0, "person\t1\tSmith, John: (614) 555-1234 Home\n"},
        {"harvest", {}, 0, "note\t1\tMüller, Anna: Met at the harvest fair; she plays chess.\n"},
        {"nothing-like-it", {}, 0, ""},
        {"", {}, 2, ""},
        {"smi", {"limit", "0"}, 2, ""},
        {"smi", {"limit", "1"}, 0, "person\t1\tSmith, John\n"},
    };
    for (const Case &c : cases) {
        host::BatchRequest request;
        request.value = q(c.query);
        const QStringList options = list(c.options);
        if (!options.isEmpty())
            request.options[options[0]] = options[1];
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        EXPECT_EQ(command->run(request, outStream, errStream), c.status) << c.query << err.toStdString();
        outStream.flush();
        if (c.status == 0)
            EXPECT_EQ(out, q(c.out)) << c.query;
        else
            EXPECT_FALSE(err.isEmpty());
    }
    store::Store::instance().closeAll();
}

namespace {

// Makes the person of that number the table's current record.
int fetchPerson(Table &nam, int ctrl) {
    nam.record().clear();
    nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), ctrl);
    return nam.fetch(*nam.def().key(QStringLiteral("CTRL_KEY"))).code;
}

// Begins a batch with the search index deferred, adding Deferred (10) and
// Dropped (11).
void beginDeferredBatch(Table &nam) {
    ASSERT_EQ(nam.begin(10).code, 0);
    ASSERT_EQ(nam.deferIndexUpkeep().code, 0);
    put(nam, {{"NAM:CTRL_NBR", 10}, {"NAM:LNAME", "Deferred"}});
    put(nam, {{"NAM:CTRL_NBR", 11}, {"NAM:LNAME", "Dropped"}});
}

} // namespace

TEST(Search, RecordsAddedWhileTheIndexIsDeferredJoinItAtTheCommitAndARollBackLeavesNoMark) {
    Directory data;
    Table &nam = data.nam;
    SearchEngine engine(data.dir.path());
    beginDeferredBatch(nam);
    ASSERT_EQ(fetchPerson(nam, 10), 0); // a deferred record changed before it is indexed
    nam.record().setValue(QStringLiteral("NAM:FNAME"), QStringLiteral("Renamed"));
    ASSERT_EQ(nam.change().code, 0);
    ASSERT_EQ(fetchPerson(nam, 11), 0); // and one removed
    ASSERT_EQ(nam.remove().code, 0);
    ASSERT_EQ(fetchPerson(nam, 3), 0); // a record indexed before, changed meanwhile
    nam.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Earlier"));
    ASSERT_EQ(nam.change().code, 0);
    ASSERT_EQ(nam.commit().code, 0);
    // The batch merged its index segments its own way; other writers merge
    // as usual again.
    auto expectUsualMerging = [&nam] {
        for (const char *index : {"s_w", "s_t"}) {
            store::sql::Statement merging(nam.handle(), std::string("SELECT v FROM ") + index +
                                                            "_config WHERE k='automerge'");
            ASSERT_EQ(merging.step(), SQLITE_ROW) << index;
            EXPECT_EQ(merging.int64(0), 4) << index;
        }
    };
    expectUsualMerging();

    EXPECT_EQ(found(engine.search(QStringLiteral("deferred renamed"))),
              QStringList{QStringLiteral("person 10")});
    EXPECT_EQ(found(engine.search(QStringLiteral("dropped"))), QStringList());
    EXPECT_EQ(found(engine.search(QStringLiteral("earlier"))), QStringList{QStringLiteral("person 3")});
    EXPECT_EQ(found(engine.search(QStringLiteral("jones"))), QStringList());
    EXPECT_TRUE(nam.searchIndexFindings().isEmpty())
        << nam.searchIndexFindings().join(QLatin1Char('\n')).toStdString();

    // A roll-back takes the mark with it: what is added next is indexed at once.
    ASSERT_EQ(nam.begin(10).code, 0);
    ASSERT_EQ(nam.deferIndexUpkeep().code, 0);
    put(nam, {{"NAM:CTRL_NBR", 12}, {"NAM:LNAME", "Undone"}});
    ASSERT_EQ(nam.rollback().code, 0);
    expectUsualMerging();
    put(nam, {{"NAM:CTRL_NBR", 13}, {"NAM:LNAME", "Afterwards"}});
    EXPECT_EQ(found(engine.search(QStringLiteral("afterwards"))), QStringList{QStringLiteral("person 13")});
    EXPECT_EQ(found(engine.search(QStringLiteral("undone"))), QStringList());
    EXPECT_TRUE(nam.searchIndexFindings().isEmpty());
    // Deferring belongs inside a transaction.
    EXPECT_NE(nam.deferIndexUpkeep().code, 0);
}

namespace {

qint64 searchMark(Table &t) {
    store::sql::Statement mark(t.handle(), "SELECT ifnull(min(from_rid),-1) FROM s_defer");
    return mark.step() == SQLITE_ROW ? mark.int64(0) : -2;
}

// Adds a person inside a unit of work over the names and notes that leaves
// the search index until after its commit; the mark the commit leaves, or -1.
qint64 addLeavingSearchBehind(Directory &data, int ctrl, const char *last) {
    store::UnitOfWork unit({&data.nam, &data.mem});
    EXPECT_EQ(unit.begin(10).code, 0);
    for (Table *t : {&data.nam, &data.mem})
        EXPECT_EQ(t->deferIndexUpkeep(Table::SearchUpkeep::AfterCommit).code, 0);
    put(data.nam, {{"NAM:CTRL_NBR", ctrl}, {"NAM:LNAME", last}});
    EXPECT_EQ(unit.commit().code, 0);
    return searchMark(data.nam);
}

} // namespace

TEST(Search, ACatchUpThatFindsTheFileLockedSaysSoAndTheNextOpenRunsIt) {
    Directory data;
    SearchEngine engine(data.dir.path());
    EXPECT_GE(addLeavingSearchBehind(data, 10, "Waiting"), 0);
    // Another station writes the names file meanwhile (its own open would
    // run the catch-up first).
    sqlite3 *station = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(data.nam.filePath()).constData(), &station), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(station, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const int wait = Table::defaultWaitMs();
    Table::setDefaultWaitMs(100);
    const store::StoreError e = Table::catchUpSearchIndexes({&data.nam, &data.mem});
    Table::setDefaultWaitMs(wait);
    EXPECT_EQ(e.code, store::Code::Locked);
    sqlite3_exec(station, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(station);
    EXPECT_GE(searchMark(data.nam), 0) << "the mark stays for a later catch-up";
    EXPECT_EQ(found(engine.search(q("waiting"))), QStringList());
    data.nam.close();
    ASSERT_EQ(data.nam.open().code, 0);
    EXPECT_EQ(found(engine.search(q("waiting"))), QStringList{q("person 10")});
    EXPECT_EQ(searchMark(data.nam), -1);
}

TEST(Search, RecordsAUnitLeavesBehindJoinTheIndexAfterItsCommitAtTheNextOpenOrTheNextDeferredWrite) {
    Directory data;
    SearchEngine engine(data.dir.path());
    const auto expectWhole = [&data] {
        EXPECT_EQ(searchMark(data.nam), -1);
        EXPECT_TRUE(data.nam.searchIndexFindings().isEmpty());
    };

    // After the commit, until the catch-up: the records are stored, the
    // mark is in the file, and a station's write meanwhile waits with them.
    EXPECT_GE(addLeavingSearchBehind(data, 10, "Deferred"), 0);
    EXPECT_EQ(found(engine.search(q("deferred"))), QStringList());
    put(data.nam, {{"NAM:CTRL_NBR", 11}, {"NAM:LNAME", "Between"}});
    EXPECT_EQ(found(engine.search(q("between"))), QStringList());
    ASSERT_EQ(Table::catchUpSearchIndexes({&data.nam, &data.mem}).code, 0);
    EXPECT_EQ(found(engine.search(q("deferred"))), QStringList{q("person 10")});
    EXPECT_EQ(found(engine.search(q("between"))), QStringList{q("person 11")});
    expectWhole();

    // Stopped before the catch-up: the next open of the file runs it.
    EXPECT_GE(addLeavingSearchBehind(data, 12, "Stranded"), 0);
    data.nam.close();
    ASSERT_EQ(data.nam.open().code, 0);
    EXPECT_EQ(found(engine.search(q("stranded"))), QStringList{q("person 12")});
    expectWhole();

    // A writer that defers its own upkeep meanwhile starts at the earlier mark.
    EXPECT_GE(addLeavingSearchBehind(data, 13, "Forgotten"), 0);
    ASSERT_EQ(data.nam.begin(10).code, 0);
    ASSERT_EQ(data.nam.deferIndexUpkeep().code, 0);
    put(data.nam, {{"NAM:CTRL_NBR", 14}, {"NAM:LNAME", "Later"}});
    ASSERT_EQ(data.nam.commit().code, 0);
    EXPECT_EQ(found(engine.search(q("forgotten"))), QStringList{q("person 13")});
    EXPECT_EQ(found(engine.search(q("later"))), QStringList{q("person 14")});
    expectWhole();

    // A unit that indexes inside itself leaves no mark behind.
    {
        store::UnitOfWork unit({&data.nam, &data.mem});
        ASSERT_EQ(unit.begin(10).code, 0);
        for (Table *t : {&data.nam, &data.mem})
            ASSERT_EQ(t->deferIndexUpkeep().code, 0);
        put(data.nam, {{"NAM:CTRL_NBR", 15}, {"NAM:LNAME", "Inside"}});
        ASSERT_EQ(unit.commit().code, 0);
    }
    EXPECT_EQ(found(engine.search(q("inside"))), QStringList{q("person 15")});
    expectWhole();
}

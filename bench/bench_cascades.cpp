// The writes that span several tables, each timed as one whole user-level
// operation through the routine the windows call: deleting a person (with 5
// category links, 3 phones and 2 notes) or a company (3 phones, 2 notes, 5
// category links), moving 100 tagged people to another category, renaming
// a person whose name is copied into 5 links, and importing 1,000 vCards.
// Every case runs in a fresh data directory that already holds 10,000
// people and 1,000 companies, so the tables are not trivially small, and
// checks afterwards that the work was done (the records gone, the links
// moved or renamed, no failure shown); if not, the case reports an error
// instead of a time. Times are wall-clock: the writes wait for the disk.
#include "BenchSupport.h"

#include "companies/CompanyRecords.h"
#include "engine/Globals.h"
#include "exchange/ContactImport.h"
#include "exchange/VCard.h"
#include "people/Membership.h"
#include "people/PersonRecords.h"
#include "people/TagStore.h"
#include "store/ChangeRules.h"
#include "store/Messages.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace tabulo;
using bench::CountingMessages;

namespace {

constexpr int kBackgroundPeople = 10'000;
constexpr int kBackgroundCompanies = 1'000;
constexpr int kCategories = 4; // besides "All": every built person can link to all of them
constexpr qint32 kMoveFrom = 1;
constexpr qint32 kMoveTo = 2;
constexpr int kTagged = 100;
constexpr int kCards = 1'000;

const QStringList kTables{QStringLiteral("QKnam"), QStringLiteral("QKjnc"), QStringLiteral("QKfon"),
                          QStringLiteral("QKmem"), QStringLiteral("QKcat"), QStringLiteral("QKcmp"),
                          QStringLiteral("QKjcg"), QStringLiteral("QKgrp")};

// A fresh data directory for one run of a case, under a temporary folder
// removed at exit; the store is pointed at it for as long as it lives.
class Scratch final {
public:
    Scratch() {
        static QTemporaryDir root(QDir::temp().filePath(QStringLiteral("tabulo-bench-cascades-XXXXXX")));
        static int runs = 0;
        m_dir = QDir(root.path()).filePath(QString::number(++runs));
        QDir().mkpath(m_dir);
        store::Store::instance().setDirectory(m_dir);
    }
    ~Scratch() {
        store::Store::instance().closeAll();
        QDir(m_dir).removeRecursively();
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
    QString dir() const { return m_dir; }

private:
    QString m_dir;
};

// The records of the tables a cascade touches.
struct Counts {
    qint64 people, links, phones, notes, companies, groupLinks;
};

// The tables in use for a whole case, as a window holds them, and the
// builders of what the cases work on, numbering on from what is there.
struct Data {
    store::TableUse use{kTables};
    store::Table &nam = use[QStringLiteral("QKnam")];
    store::Table &jnc = use[QStringLiteral("QKjnc")];
    store::Table &fon = use[QStringLiteral("QKfon")];
    store::Table &mem = use[QStringLiteral("QKmem")];
    store::Table &cat = use[QStringLiteral("QKcat")];
    store::Table &cmp = use[QStringLiteral("QKcmp")];
    store::Table &jcg = use[QStringLiteral("QKjcg")];
    store::Table &grp = use[QStringLiteral("QKgrp")];
    qint64 people = 0, links = 0, phones = 0, notes = 0, companies = 0, groupLinks = 0;

    // The categories, the company categories and the background records.
    void background() {
        lock();
        for (qint64 c = 1; c <= kCategories; ++c) {
            bench::insert(cat, {{"CAT:CTRL_NBR", c}, {"CAT:CATEGORY", QStringLiteral("Category %1").arg(c)}});
            bench::insert(grp, {{"GRP:CTRL_NBR", c}, {"GRP:GROUP", QStringLiteral("Group %1").arg(c)}});
        }
        for (int i = 0; i < kBackgroundPeople; ++i)
            person(i % 3 == 0 ? 1 : 0, 2, 1);
        for (int i = 0; i < kBackgroundCompanies; ++i)
            company(1, 1, 0);
        unlock();
    }

    // Batches the builders' writes.
    void lock() {
        for (store::Table *t : {&nam, &jnc, &fon, &mem, &cat, &cmp, &jcg, &grp})
            t->lock(60);
    }
    void unlock() {
        for (store::Table *t : {&nam, &jnc, &fon, &mem, &cat, &cmp, &jcg, &grp})
            t->unlock();
    }

    // A person linked to "All" and to the first `categoryLinks` categories.
    qint64 person(int categoryLinks, int phoneCount, int noteCount) {
        const qint64 n = ++people;
        const QString last = QStringLiteral("Last%1").arg(n);
        const QString first = QStringLiteral("First%1").arg(n % 97);
        bench::addPerson(nam, n, last, first, {{"NAM:CITY", QStringLiteral("Springfield")}});
        for (int c = 0; c <= categoryLinks; ++c)
            bench::addNameLink(jnc, ++links, n, c, last, first);
        for (int p = 0; p < phoneCount; ++p) {
            const qint64 number = ++phones;
            bench::addPhone(fon, number, "FON:NAM_CTRL", n,
                            p ? QStringLiteral("Work") : QStringLiteral("Home"),
                            QStringLiteral("614%1").arg(1'000'000 + number));
        }
        for (int m = 0; m < noteCount; ++m)
            bench::addNote(mem, ++notes, "MEM:NAM_CTRL", n,
                           QStringLiteral("Note %1 about %2.").arg(m).arg(last));
        return n;
    }

    // A company linked to "All" and to the first `groupLinkCount - 1` categories.
    qint64 company(int groupLinkCount, int phoneCount, int noteCount) {
        const qint64 n = ++companies;
        const QString name = QStringLiteral("Company %1").arg(n);
        bench::addCompany(cmp, n, name, {{"CMP:CITY", QStringLiteral("Springfield")}});
        for (int g = 0; g < groupLinkCount; ++g)
            bench::addGroupLink(jcg, ++groupLinks, n, g, name);
        for (int p = 0; p < phoneCount; ++p) {
            const qint64 number = ++phones;
            bench::addPhone(fon, number, "FON:CMP_CTRL", n,
                            p ? QStringLiteral("Sales") : QStringLiteral("Office"),
                            QStringLiteral("380%1").arg(1'000'000 + number));
        }
        for (int m = 0; m < noteCount; ++m)
            bench::addNote(mem, ++notes, "MEM:CMP_CTRL", n,
                           QStringLiteral("Note %1 about %2.").arg(m).arg(name));
        return n;
    }

    Counts counts() {
        return {nam.records(), jnc.records(), fon.records(), mem.records(), cmp.records(), jcg.records()};
    }

    // Makes the record with this control number the table's current one,
    // as highlighting it in a list does.
    bool read(store::Table &t, qint64 number) {
        t.record().clear();
        t.record().setInteger(0, number);
        return t.fetch(*t.def().key(QStringLiteral("CTRL_KEY"))).ok();
    }
};

// Ends a case with an error unless no box was shown and `ok` holds.
bool verify(benchmark::State &state, const CountingMessages &messages, bool ok, const char *what) {
    std::string error;
    if (messages.shown() > 0)
        error = "a failure was reported: " + messages.lastText().toStdString();
    else if (!ok)
        error = std::string("the work was not done: ") + what;
    if (error.empty())
        return true;
    state.SkipWithError(error.c_str());
    return false;
}

// Deleting a person with 5 category links, 3 phones and 2 notes, from a pool
// built before the timing. Arg 0: the names list's Delete
// (people::deletePersonWhole: the person, phones, notes and links). Arg 1:
// the delete rule a form's Delete runs (store::deleteRecord: the person with
// its phones and notes; the links are left to the caller).
void BM_PersonDelete(benchmark::State &state) {
    const bool wholeFromList = state.range(0) == 0;
    state.SetLabel(wholeFromList ? "people::deletePersonWhole" : "store::deleteRecord");
    Scratch scratch;
    CountingMessages messages;
    Data data;
    data.background();
    const qint64 first = data.people + 1;
    data.lock();
    for (benchmark::IterationCount i = 0; i < state.max_iterations; ++i)
        data.person(kCategories, 3, 2);
    data.unlock();
    const Counts before = data.counts();

    qint64 person = first;
    for (auto _ : state) {
        if (wholeFromList) {
            if (const store::StoreError e = people::deletePersonWhole(person)) {
                state.SkipWithError(store::errorText(e).toStdString().c_str());
                break;
            }
        } else {
            state.PauseTiming();
            const bool found = data.read(data.nam, person);
            state.ResumeTiming();
            if (!found || store::deleteRecord(data.nam) != store::ChangeResult::Done) {
                state.SkipWithError("the person could not be deleted");
                break;
            }
        }
        ++person;
    }
    const qint64 deleted = person - first;
    const Counts after = data.counts();
    verify(state, messages,
           deleted == state.max_iterations && after.people == before.people - deleted &&
               after.phones == before.phones - 3 * deleted && after.notes == before.notes - 2 * deleted &&
               after.links == before.links - (wholeFromList ? 5 * deleted : 0) && !data.read(data.nam, first),
           "people, phones, notes or links left behind");
}
BENCHMARK(BM_PersonDelete)->Arg(0)->Arg(1)->Iterations(200)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Deleting a company with 3 phones, 2 notes and 5 category links as the
// companies list and the company form do: store::deleteRecord (the company
// with its phones and notes), then companies::deleteGroupLinks.
void BM_CompanyDelete(benchmark::State &state) {
    Scratch scratch;
    CountingMessages messages;
    Data data;
    data.background();
    const qint64 first = data.companies + 1;
    data.lock();
    for (benchmark::IterationCount i = 0; i < state.max_iterations; ++i)
        data.company(kCategories + 1, 3, 2);
    data.unlock();
    const Counts before = data.counts();

    qint64 company = first;
    for (auto _ : state) {
        state.PauseTiming();
        const bool found = data.read(data.cmp, company);
        state.ResumeTiming();
        if (!found || store::deleteRecord(data.cmp) != store::ChangeResult::Done) {
            state.SkipWithError("the company could not be deleted");
            break;
        }
        if (const store::StoreError e = companies::deleteGroupLinks(company)) {
            state.SkipWithError(store::errorText(e).toStdString().c_str());
            break;
        }
        ++company;
    }
    const qint64 deleted = company - first;
    const Counts after = data.counts();
    verify(state, messages,
           deleted == state.max_iterations && after.companies == before.companies - deleted &&
               after.phones == before.phones - 3 * deleted && after.notes == before.notes - 2 * deleted &&
               after.groupLinks == before.groupLinks - 5 * deleted && !data.read(data.cmp, first),
           "companies, phones, notes or links left behind");
}
BENCHMARK(BM_CompanyDelete)->Iterations(200)->UseRealTime()->Unit(benchmark::kMicrosecond);

// "Move" of 100 tagged people from one category to another, as the names
// list runs it once the target is picked: the tagged links looked up
// (TagStore::taggedControlNumbers), people::runMembership, the tags cleared.
// The iterations move them back and forth; the tags are set again between
// them, untimed.
void BM_MoveTagged100(benchmark::State &state) {
    Scratch scratch;
    CountingMessages messages;
    Data data;
    data.background();
    people::TagStore &tags = people::TagStore::instance();
    std::vector<qint64> movingLinks; // their control numbers
    std::vector<qint64> pointers;    // what the tags point at
    data.lock();
    for (int i = 0; i < kTagged; ++i) {
        data.person(kMoveFrom, 1, 0);
        movingLinks.push_back(data.links); // the person's last link: the one to kMoveFrom
    }
    data.unlock();
    for (qint64 link : movingLinks) {
        data.read(data.jnc, link);
        pointers.push_back(data.jnc.record().value(QStringLiteral("CAT_CTRL")).toLongLong() == kMoveFrom
                               ? data.jnc.position().toLongLong()
                               : 0);
    }
    auto tagAll = [&] {
        tags.beginBatch();
        for (qint64 p : pointers)
            tags.setTag(people::TagTable::NameLinks, p);
        tags.endBatch();
    };
    engine::setCurrentCategory(kMoveFrom, QStringLiteral("Category 1"));

    qint32 target = kMoveTo;
    bool ranOnce = false;
    for (auto _ : state) {
        state.PauseTiming();
        tagAll();
        data.read(data.jnc, movingLinks.front()); // the highlighted link
        state.ResumeTiming();
        const std::vector<qint32> tagged = tags.taggedControlNumbers(people::TagTable::NameLinks, data.jnc);
        people::runMembership(people::MembershipOp::Move, target, tagged);
        tags.clearAllTags(people::TagTable::NameLinks, false);
        state.PauseTiming();
        if (!ranOnce && tagged.size() != size_t(kTagged)) {
            state.SkipWithError("the tagged links were not found");
            break;
        }
        ranOnce = true;
        target = target == kMoveTo ? kMoveFrom : kMoveTo;
        state.ResumeTiming();
    }
    const qint32 moved = target == kMoveTo ? kMoveFrom : kMoveTo; // where the last iteration put them
    int inPlace = 0;
    for (qint64 link : movingLinks)
        if (data.read(data.jnc, link) &&
            data.jnc.record().value(QStringLiteral("CAT_CTRL")).toLongLong() == moved)
            ++inPlace;
    verify(state, messages, ranOnce && inPlace == kTagged && !tags.anyTags(people::TagTable::NameLinks),
           "the links are not all in the target category, or tags are left");
}
BENCHMARK(BM_MoveTagged100)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);

// Renaming a person whose name is copied into 5 category links, as leaving
// the changed last-name field in the names list does: store::changeRecord
// of the person, then people::rewriteLinkNames.
void BM_Rename5Links(benchmark::State &state) {
    Scratch scratch;
    CountingMessages messages;
    Data data;
    data.background();
    data.lock();
    const qint64 person = data.person(kCategories, 3, 2);
    data.unlock();
    const int lname = data.nam.def().fieldIndex(QStringLiteral("LNAME"));
    const int fname = data.nam.def().fieldIndex(QStringLiteral("FNAME"));

    QString last;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        data.read(data.nam, person);
        data.nam.watch();
        last = QStringLiteral("Renamed%1").arg(++round);
        state.ResumeTiming();
        data.nam.record().setText(lname, last);
        const QString first = data.nam.record().text(fname);
        if (store::changeRecord(data.nam, store::ConflictMessage::Short) != store::ChangeResult::Done) {
            state.SkipWithError("the person could not be saved");
            break;
        }
        if (const store::StoreError e = people::rewriteLinkNames(person, last, first)) {
            state.SkipWithError(store::errorText(e).toStdString().c_str());
            break;
        }
    }
    bool renamed = data.read(data.nam, person) && data.nam.record().text(lname).trimmed() == last;
    for (int c = 0; c <= kCategories; ++c) {
        data.jnc.record().clear();
        data.jnc.record().setValue(QStringLiteral("NAM_CTRL"), person);
        data.jnc.record().setValue(QStringLiteral("CAT_CTRL"), c);
        renamed = renamed && data.jnc.fetch(*data.jnc.def().key(QStringLiteral("NAM_CTRL_KEY"))).ok() &&
                  data.jnc.record().value(QStringLiteral("LNAME")).toString().trimmed() == last;
    }
    verify(state, messages, round > 0 && renamed, "the person or a link does not carry the new name");
}
BENCHMARK(BM_Rename5Links)->Iterations(200)->UseRealTime()->Unit(benchmark::kMicrosecond);

// 1,000 cards, each a person with a company, two categories, two phones and
// a note; `batch` makes the names differ from every other batch's, so none
// is skipped as a duplicate.
QByteArray cards(int batch) {
    exchange::VCardWriter writer(exchange::VCardVersion::V4);
    for (int i = 0; i < kCards; ++i) {
        exchange::Contact c;
        c.lastName = QStringLiteral("Card%1x%2").arg(batch).arg(i);
        c.firstName = QStringLiteral("First%1").arg(i % 97);
        c.city = QStringLiteral("Columbus");
        c.company = QStringLiteral("Company %1").arg(i % 50);
        c.categories = {QStringLiteral("Friends"), QStringLiteral("Club %1").arg(i % 3)};
        c.phones = {
            {QStringLiteral("Home"), QStringLiteral("(614) 555-%1").arg(i, 4, 10, QLatin1Char('0')), {}, {}},
            {QStringLiteral("Mobile"), QStringLiteral("+1 380 %1").arg(batch * kCards + i), {}, {}}};
        c.notes = {{0, 0, QStringLiteral("Met at the fair, table %1.").arg(i)}};
        exchange::writeCard(writer, c);
    }
    return writer.bytes();
}

// Importing a file of 1,000 vCards into the data directory
// (exchange::importFile, as the command line's import and, after its own
// reading, the import window run it).
void BM_Import1000(benchmark::State &state) {
    Scratch scratch;
    CountingMessages messages;
    // The import uses the tables itself, as when no window holds them.
    const Counts before = [] {
        Data data;
        data.background();
        return data.counts();
    }();
    const QString file = QDir(scratch.dir()).filePath(QStringLiteral("cards.vcf"));

    int batch = 0;
    std::string failure;
    for (auto _ : state) {
        state.PauseTiming();
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(cards(++batch)) < 0) {
            state.SkipWithError("the card file could not be written");
            break;
        }
        out.close();
        state.ResumeTiming();
        const exchange::ImportSummary summary = exchange::importFile(file);
        if (!summary.ok() || summary.peopleAdded != kCards) {
            failure = summary.text().toStdString();
            break;
        }
    }
    if (!failure.empty()) {
        state.SkipWithError(("the import failed: " + failure).c_str());
        return;
    }
    state.counters["cards/s"] = benchmark::Counter(double(batch) * kCards, benchmark::Counter::kIsRate);
    const Counts after = Data().counts();
    // Each card: a person, a link to "All" and to its two categories, two
    // phones and a note.
    verify(state, messages,
           batch == state.max_iterations && after.people == before.people + batch * kCards &&
               after.links == before.links + 3 * batch * kCards &&
               after.phones == before.phones + 2 * batch * kCards &&
               after.notes == before.notes + batch * kCards,
           "people, links, phones or notes missing after the import");
}
BENCHMARK(BM_Import1000)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    store::Store::instance().closeAll();
    return 0;
}

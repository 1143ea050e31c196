// Writes cards into the tables an import fills.
#include "exchange/ContactWriter.h"

#include "base/Clock.h"
#include "engine/RecordRoutines.h"
#include "store/BulkInsert.h"
#include "store/ReadScope.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"
#include "store/WriterThread.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace tabulo::exchange {

using store::Record;
using store::StoreError;
using store::Table;

namespace {

constexpr int kLockSeconds = 10;
// Records of one table written by one statement. Several to a statement
// save the statement's own work per record; many more save nothing further,
// while preparing the statement (again on each import's new connection)
// costs as much as the records it writes.
constexpr int kRowsPerStatement = 64;
// From this many cards on, an import indexes its records for the search
// after its batches are stored rather than inside each.
constexpr int kSearchAfterCommitCards = 5000;

int characters(const QString &text) {
    int n = 0;
    for (const QChar c : text) {
        if (!c.isLowSurrogate())
            ++n;
    }
    return n;
}

QString digitsOf(const QString &text) {
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (c.isDigit())
            digits += c;
    }
    return digits;
}

// The text as a field of that width keeps it: trimmed, cut at a character
// boundary, without trailing blanks; in UTF-8, into `out`.
void fittedInto(const QString &text, int width, std::string &out) {
    store::utf8Into(text.trimmed(), out);
    size_t n = store::cutLength(out, width);
    while (n > 0 && out[n - 1] == ' ')
        --n;
    out.resize(n);
}

QString lookupKey(const QString &name, int width) {
    thread_local std::string fitted;
    fittedInto(name, width, fitted);
    return QString::fromUtf8(fitted.data(), static_cast<qsizetype>(fitted.size())).toCaseFolded();
}

int fieldOf(const Table &t, const char *field) {
    return t.def().fieldIndex(QString::fromLatin1(field));
}

// The tables an import writes, apart from the store's: a batch is written
// on the import's own thread, through that thread's connection for units of
// work, and the program's windows (which read on the store's connections)
// see it at its commit, as they see another station's.
class ImportTables final {
public:
    ImportTables()
        : m_use(names()) {
        for (const QString &name : names())
            m_tables.push_back(std::make_unique<Table>(m_use[name].def(), store::Store::instance().directory()));
    }
    static QStringList names() {
        return {QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem"), QStringLiteral("QKcat"),
                QStringLiteral("QKjnc"), QStringLiteral("QKcmp"), QStringLiteral("QKgrp"), QStringLiteral("QKjcg")};
    }
    Table &operator[](const char *name) const {
        return *m_tables[static_cast<size_t>(names().indexOf(QLatin1String(name)))];
    }
    StoreError open() {
        for (const auto &t : m_tables) {
            if (StoreError e = t->open())
                return e;
            // Written on a thread of its own: a failure reported elsewhere
            // in the program does not end the import's batch under it.
            t->setEndsItsOwnTransactions(true);
        }
        return {};
    }

private:
    // The program's own use first: the guarded open makes a missing file
    // and offers the repair of a damaged one.
    store::TableUse m_use;
    std::vector<std::unique_ptr<Table>> m_tables;
};

// For the connection a batch is written on, once its files are attached: a
// batch's pages stay in memory until its commit. A page cache that
// overflows mid-batch would write and sync the journal each time.
void keepPagesInMemory(sqlite3 *db) {
    std::vector<std::string> files;
    {
        store::sql::Statement list(db, "PRAGMA database_list");
        while (list.step() == SQLITE_ROW) {
            if (list.text(1) != "temp")
                files.push_back(list.text(1));
        }
    }
    for (const std::string &file : files) {
        const std::string pragma = "PRAGMA " + store::sql::quoteIdentifier(file) + ".cache_size=-65536";
        sqlite3_exec(db, pragma.c_str(), nullptr, nullptr, nullptr);
    }
}

} // namespace

// Writes cards into the tables, each batch one unit of work over all of
// them: a kill, a full disk or a lock leaves a batch whole or absent. The
// caller turns cards into records while the writer's thread writes the
// records queued before; that thread alone uses the batch's connection
// (which has no mutex of its own), so every read and write of the tables
// goes through it. The cards stay alive while the writer works (it keeps
// pointers to the people it added, for the duplicate check).
class ContactWriter::Impl final {
public:
    explicit Impl(ImportSummary &summary)
        : m_summary(summary)
        , m_nam(m_tables["QKnam"])
        , m_fon(m_tables["QKfon"])
        , m_mem(m_tables["QKmem"])
        , m_cat(m_tables["QKcat"])
        , m_jnc(m_tables["QKjnc"])
        , m_cmp(m_tables["QKcmp"])
        , m_grp(m_tables["QKgrp"])
        , m_jcg(m_tables["QKjcg"])
        , m_today(dates::Clock::current().today()) {}
    Impl(const Impl &) = delete;
    Impl &operator=(const Impl &) = delete;
    // A batch left open (the caller stopped on a failure) is undone.
    ~Impl() { rollbackBatch(); }

    StoreError open() {
        if (StoreError e = m_tables.open())
            return e;
        // The people stored before this import are read on connections of
        // the caller's own, beside the writer's: what the import added is
        // known without reading it back.
        const QString directory = QFileInfo(m_nam.filePath()).absolutePath();
        m_namReader = std::make_unique<Table>(m_nam.def(), directory);
        m_fonReader = std::make_unique<Table>(m_fon.def(), directory);
        if (StoreError e = m_namReader->open())
            return e;
        if (StoreError e = m_fonReader->open())
            return e;
        m_byName.emplace(*m_namReader);
        m_byName->setOrder(m_nam.def().key(QStringLiteral("LNAME_KEY")));
        m_phonesOf.emplace(*m_fonReader);
        m_phonesOf->setOrder(m_fon.def().key(QStringLiteral("NAM_CTRL_KEY")));
        m_namRows.emplace(m_nam, kRowsPerStatement);
        m_fonRows.emplace(m_fon, kRowsPerStatement);
        m_memRows.emplace(m_mem, kRowsPerStatement);
        m_jncRows.emplace(m_jnc, kRowsPerStatement);
        m_catRows.emplace(m_cat, kRowsPerStatement);
        m_cmpRows.emplace(m_cmp, kRowsPerStatement);
        m_grpRows.emplace(m_grp, kRowsPerStatement);
        m_jcgRows.emplace(m_jcg, kRowsPerStatement);
        for (store::BulkInsert *b : bulk())
            b->setWriter(m_thread);
        return {};
    }

    std::vector<Table *> tables() { return {&m_nam, &m_fon, &m_mem, &m_cat, &m_jnc, &m_cmp, &m_grp, &m_jcg}; }

    StoreError beginBatch() {
        StoreError e = m_thread.run([this] { return beginHere(); });
        if (e) {
            rollbackBatch();
            return e;
        }
        // The duplicate check's reads share one read lock for the batch
        // rather than taking one, and looking for a journal, per card. No
        // other station can commit meanwhile (the batch holds its tables),
        // and the lock ends before the batch commits, which needs the files
        // to itself.
        m_reading.emplace(std::vector<Table *>{m_namReader.get(), m_fonReader.get()});
        return e;
    }

    StoreError commitBatch() {
        m_reading.reset();
        // Each table's last rows, then the commit of them all (which brings
        // the search indexes and key counts up to date first).
        StoreError failure;
        for (store::BulkInsert *b : bulk()) {
            if (StoreError e = b->flush()) {
                failure = e;
                break;
            }
        }
        if (failure.ok()) {
            failure = m_thread.run([this] {
                StoreError e = m_unit->commit();
                m_unit.reset();
                return e;
            });
        }
        if (failure)
            rollbackBatch();
        return failure;
    }

    // The search indexes of what the batches stored, each table's on a
    // thread of its own, once the batches are committed.
    StoreError catchUpSearch() { return Table::catchUpSearchIndexes(tables()); }

    void rollbackBatch() {
        m_reading.reset();
        // The writers are made at open(), which may have failed before.
        if (m_jcgRows) {
            for (store::BulkInsert *b : bulk())
                b->discard();
        }
        m_thread.run([this] {
            // Its destructor rolls back what was not committed.
            m_unit.reset();
            return StoreError();
        });
    }

    // Stores one card; `added` tells whether it was stored or skipped.
    StoreError write(const Contact &c, bool addDuplicates, bool &added, int &cut) {
        added = false;
        cut = 0;
        m_cut = &cut;
        if (c.isCompany) {
            const QString key = lookupKey(c.company, m_f.cmpNameWidth);
            if (!addDuplicates && m_companies.count(key))
                return {};
            qint64 company = 0;
            if (StoreError e = addCompany(c, company))
                return e;
            added = true;
            return queuedFailure();
        }
        if (!addDuplicates) {
            bool duplicate = false;
            if (m_onlyOwnPeople) {
                duplicate = isOwnDuplicate(c);
            } else {
                // Those this import added, then those stored before.
                duplicate = isOwnDuplicate(c) || storedDuplicate(c);
            }
            if (duplicate)
                return {};
        }
        if (StoreError e = addPerson(c))
            return e;
        added = true;
        return queuedFailure();
    }

    int companiesAdded() const { return m_companiesAdded; }
    // A large import's search indexes are brought up to date after its
    // batches, each table's beside the others' (see catchUpSearch); a small
    // one's inside its batch, which saves each file a commit of its own.
    void setCardCount(int cards) {
        m_searchUpkeep = cards >= kSearchAfterCommitCards ? Table::SearchUpkeep::AfterCommit
                                                          : Table::SearchUpkeep::InTransaction;
    }

private:
    // On the writer's thread: the unit of work of a batch and what it
    // reads first.
    StoreError beginHere() {
        m_unit.emplace(tables());
        if (StoreError e = m_unit->begin(kLockSeconds))
            return e;
        keepPagesInMemory(m_nam.db());
        // The batch's records join the search index and the key counts at
        // its commit, in one statement per table rather than one per record.
        // The triggers are off on the whole connection meanwhile: every
        // table it writes defers, and the unit catches each one up.
        for (Table *t : tables()) {
            if (StoreError e = t->deferIndexUpkeep(m_searchUpkeep))
                return e;
        }
        // Numbers are taken inside the unit, so no other station can take
        // the same ones meanwhile.
        for (Table *t : tables()) {
            qint64 next = 1;
            if (StoreError e = engine::nextControlNumber(*t, next))
                return e;
            nextOf(*t) = next;
        }
        if (StoreError e = loadNames(m_cat, m_f.catName, m_f.catWidth, m_categories))
            return e;
        if (StoreError e = loadNames(m_grp, m_f.grpName, m_f.grpWidth, m_groups))
            return e;
        // The table holds only what this import added: its own index serves.
        m_onlyOwnPeople = m_nam.records() == m_peopleAdded;
        if (!m_companiesLoaded) {
            if (StoreError e = loadNames(m_cmp, m_f.cmpName, m_f.cmpNameWidth, m_companies))
                return e;
            m_companiesLoaded = true;
        }
        return {};
    }

    // Every table, several records to a statement.
    std::array<store::BulkInsert *, 8> bulk() {
        return {&*m_namRows, &*m_fonRows, &*m_memRows, &*m_jncRows,
                &*m_catRows, &*m_cmpRows, &*m_grpRows, &*m_jcgRows};
    }
    // A queued write that failed ends the batch at the card that follows it.
    StoreError queuedFailure() {
        for (store::BulkInsert *b : bulk()) {
            if (b->pendingFailure())
                return b->flush();
        }
        return {};
    }

    // The fields the writer fills, looked up once.
    struct Fields {
        explicit Fields(const Impl &w)
            : namLast(fieldOf(w.m_nam, "LNAME"))
            , namFirst(fieldOf(w.m_nam, "FNAME"))
            , namAddr1(fieldOf(w.m_nam, "ADDR1"))
            , namAddr2(fieldOf(w.m_nam, "ADDR2"))
            , namCity(fieldOf(w.m_nam, "CITY"))
            , namState(fieldOf(w.m_nam, "STATE"))
            , namZip(fieldOf(w.m_nam, "ZIP"))
            , namCountry(fieldOf(w.m_nam, "COUNTRY"))
            , namEmail(fieldOf(w.m_nam, "EMAILADDRESS"))
            , namBirthday(fieldOf(w.m_nam, "DOB"))
            , namCompany(fieldOf(w.m_nam, "CMP_CTRL"))
            , cmpName(fieldOf(w.m_cmp, "NAME"))
            , cmpBusiness(fieldOf(w.m_cmp, "BUSINESS"))
            , cmpAddr1(fieldOf(w.m_cmp, "ADDR1"))
            , cmpAddr2(fieldOf(w.m_cmp, "ADD2"))
            , cmpCity(fieldOf(w.m_cmp, "CITY"))
            , cmpState(fieldOf(w.m_cmp, "STATE"))
            , cmpZip(fieldOf(w.m_cmp, "ZIP"))
            , cmpCountry(fieldOf(w.m_cmp, "COUNTRY"))
            , cmpEmail(fieldOf(w.m_cmp, "EMAILADDRESS"))
            , cmpWeb(fieldOf(w.m_cmp, "WEBADDRESS"))
            , cmpNotes(fieldOf(w.m_cmp, "NOTES"))
            , cmpPhone(fieldOf(w.m_cmp, "FON_CTRL"))
            , fonLocation(fieldOf(w.m_fon, "LOCATION"))
            , fonName(fieldOf(w.m_fon, "NAME"))
            , fonNumber(fieldOf(w.m_fon, "NUMBER"))
            , fonArea(fieldOf(w.m_fon, "AREA"))
            , fonExt(fieldOf(w.m_fon, "EXT"))
            , fonPerson(fieldOf(w.m_fon, "NAM_CTRL"))
            , fonCompany(fieldOf(w.m_fon, "CMP_CTRL"))
            , memPerson(fieldOf(w.m_mem, "NAM_CTRL"))
            , memCompany(fieldOf(w.m_mem, "CMP_CTRL"))
            , memDate(fieldOf(w.m_mem, "DATE"))
            , memUpdated(fieldOf(w.m_mem, "UPDATE"))
            , memOrder(fieldOf(w.m_mem, "ORDER"))
            , catName(fieldOf(w.m_cat, "CATEGORY"))
            , grpName(fieldOf(w.m_grp, "GROUP"))
            , jncLast(fieldOf(w.m_jnc, "LNAME"))
            , jncFirst(fieldOf(w.m_jnc, "FNAME"))
            , jncPerson(fieldOf(w.m_jnc, "NAM_CTRL"))
            , jncCategory(fieldOf(w.m_jnc, "CAT_CTRL"))
            , jcgCompany(fieldOf(w.m_jcg, "COMPANY"))
            , jcgCompanyNumber(fieldOf(w.m_jcg, "CMP_CTRL"))
            , jcgGroup(fieldOf(w.m_jcg, "GRP_CTRL"))
            , namLastWidth(width(w.m_nam, namLast))
            , namFirstWidth(width(w.m_nam, namFirst))
            , cmpNameWidth(width(w.m_cmp, cmpName))
            , fonNumberWidth(width(w.m_fon, fonNumber))
            , catWidth(width(w.m_cat, catName))
            , grpWidth(width(w.m_grp, grpName)) {}
        static int width(const Table &t, int field) {
            return t.def().fields[static_cast<size_t>(field)].width;
        }

        int namLast, namFirst, namAddr1, namAddr2, namCity, namState, namZip, namCountry, namEmail,
            namBirthday, namCompany;
        int cmpName, cmpBusiness, cmpAddr1, cmpAddr2, cmpCity, cmpState, cmpZip, cmpCountry, cmpEmail, cmpWeb,
            cmpNotes, cmpPhone;
        int fonLocation, fonName, fonNumber, fonArea, fonExt, fonPerson, fonCompany;
        int memPerson, memCompany, memDate, memUpdated, memOrder;
        int catName, grpName;
        int jncLast, jncFirst, jncPerson, jncCategory;
        int jcgCompany, jcgCompanyNumber, jcgGroup;
        int namLastWidth, namFirstWidth, cmpNameWidth, fonNumberWidth, catWidth, grpWidth;
    };

    // A text field from the card, trimmed; a text longer than the field is
    // counted as cut.
    void put(Record &r, int field, const QString &value) {
        const QString v = value.trimmed();
        if (characters(v) > r.def().fields[static_cast<size_t>(field)].width)
            ++*m_cut;
        r.setText(field, v);
    }

    qint64 &nextOf(const Table &t) {
        const auto all = tables();
        return m_next[static_cast<size_t>(std::find(all.begin(), all.end(), &t) - all.begin())];
    }
    // Each table's next number, in the order of tables().
    qint64 take(size_t table) { return m_next[table]++; }
    enum : size_t { Nam, Fon, Mem, Cat, Jnc, Cmp, Grp, Jcg, TableCount };

    StoreError loadNames(Table &t, int f, int w, std::unordered_map<QString, qint64> &names) {
        names.clear();
        store::Cursor cursor(t);
        cursor.setReadAhead(1000);
        cursor.toStart();
        for (;;) {
            const StoreError e = cursor.next();
            if (e.code == store::Code::EndOfFile)
                break;
            if (e)
                return e;
            names.emplace(lookupKey(t.record().text(f), w), t.record().integer(0));
        }
        return {};
    }

    static QStringList numbersOf(const Contact &c) {
        QStringList numbers;
        for (const ContactPhone &p : c.phones) {
            const QString d = digitsOf(storedPhoneNumber(p.number).number);
            if (!d.isEmpty())
                numbers.append(d);
        }
        return numbers;
    }

    // The last and first name as stored, a line break between: the key of
    // the people this import added.
    std::string nameKey(const Contact &c) const {
        thread_local std::string first;
        std::string key;
        fittedInto(c.lastName, m_f.namLastWidth, key);
        fittedInto(c.firstName, m_f.namFirstWidth, first);
        key += '\n';
        key += first;
        return key;
    }

    // While the table holds only what this import added.
    bool isOwnDuplicate(const Contact &c) {
        const auto found = m_added.find(nameKey(c));
        if (found == m_added.end())
            return false;
        const QString email = c.email.trimmed();
        const QStringList numbers = numbersOf(c);
        for (const Contact *a : found->second) {
            if (!email.isEmpty() && a->email.trimmed().compare(email, Qt::CaseInsensitive) == 0)
                return true;
            const QStringList added = numbersOf(*a);
            for (const QString &n : numbers)
                if (added.contains(n))
                    return true;
        }
        return false;
    }

    // Among the people stored when the batch began (read on the caller's
    // connections: the batch's own are not among them, nor need to be).
    bool storedDuplicate(const Contact &c) {
        std::string last, first;
        fittedInto(c.lastName, m_f.namLastWidth, last);
        fittedInto(c.firstName, m_f.namFirstWidth, first);
        m_byName->setRange({store::sql::Value(std::move(last)), store::sql::Value(std::move(first))});
        m_byName->toStart();
        std::vector<std::pair<qint64, QString>> candidates;
        while (m_byName->next().ok())
            candidates.emplace_back(m_namReader->record().integer(0), m_namReader->record().text(m_f.namEmail));
        if (candidates.empty())
            return false;
        const QStringList numbers = numbersOf(c);
        const QString email = c.email.trimmed();
        for (const auto &[person, storedEmail] : candidates) {
            if (!email.isEmpty() && storedEmail.compare(email, Qt::CaseInsensitive) == 0)
                return true;
            if (numbers.isEmpty())
                continue;
            m_phonesOf->setRange({store::sql::Value(person)});
            m_phonesOf->toStart();
            while (m_phonesOf->next().ok()) {
                if (numbers.contains(digitsOf(m_fonReader->record().text(m_f.fonNumber))))
                    return true;
            }
        }
        return false;
    }

    StoreError addPhone(const ContactPhone &p, qint64 person, qint64 company) {
        Record &r = m_fonRows->add();
        r.setInteger(0, take(Fon));
        put(r, m_f.fonLocation, p.location);
        put(r, m_f.fonName, p.name);
        const StoredNumber stored = storedPhoneNumber(p.number, m_f.fonNumberWidth);
        if (stored.cut)
            ++*m_cut;
        r.setText(m_f.fonNumber, stored.number);
        r.setText(m_f.fonArea, stored.area);
        put(r, m_f.fonExt, p.ext);
        r.setInteger(m_f.fonPerson, person);
        r.setInteger(m_f.fonCompany, company);
        return {};
    }

    StoreError addNotes(const std::vector<ContactNote> &notes, qint64 person, qint64 company) {
        int order = 0;
        for (const ContactNote &n : notes) {
            Record &r = m_memRows->add();
            r.setInteger(0, take(Mem));
            r.setInteger(m_f.memPerson, person);
            r.setInteger(m_f.memCompany, company);
            r.setInteger(m_f.memDate, n.date > 0 ? n.date : m_today);
            r.setInteger(m_f.memUpdated, n.updated);
            r.setInteger(m_f.memOrder, ++order);
            if (characters(n.text) > m_mem.def().memoSize)
                ++*m_cut;
            r.setMemo(n.text);
        }
        return {};
    }

    // The category's number, made when it is missing.
    void category(store::BulkInsert &rows, size_t table, int field, int width,
                  std::unordered_map<QString, qint64> &names, const QString &name, qint64 &number) {
        QString key = lookupKey(name, width);
        if (const auto found = names.find(key); found != names.end()) {
            number = found->second;
            return;
        }
        Record &r = rows.add();
        number = take(table);
        r.setInteger(0, number);
        put(r, field, name);
        names.emplace(std::move(key), number);
    }

    StoreError addCompany(const Contact &c, qint64 &company) {
        Record &r = m_cmpRows->add();
        company = take(Cmp);
        r.setInteger(0, company);
        put(r, m_f.cmpName, c.company);
        put(r, m_f.cmpBusiness, c.business);
        put(r, m_f.cmpAddr1, c.addr1);
        put(r, m_f.cmpAddr2, c.addr2);
        put(r, m_f.cmpCity, c.city);
        put(r, m_f.cmpState, c.state);
        put(r, m_f.cmpZip, c.zip);
        put(r, m_f.cmpCountry, c.country);
        put(r, m_f.cmpEmail, c.email);
        put(r, m_f.cmpWeb, c.web);
        r.setInteger(m_f.cmpNotes, static_cast<qint64>(c.notes.size()));
        // The main phone is the first one; its number is known before it is stored.
        r.setInteger(m_f.cmpPhone, c.phones.empty() ? 0 : m_next[Fon]);
        const QString name = r.text(m_f.cmpName);
        m_companies.emplace(lookupKey(name, m_f.cmpNameWidth), company);
        ++m_companiesAdded;
        std::vector<qint64> groups = {0};
        for (const QString &g : c.categories) {
            qint64 number = 0;
            category(*m_grpRows, Grp, m_f.grpName, m_f.grpWidth, m_groups, g, number);
            if (std::find(groups.begin(), groups.end(), number) == groups.end())
                groups.push_back(number);
        }
        for (const qint64 g : groups) {
            Record &l = m_jcgRows->add();
            l.setInteger(0, take(Jcg));
            l.setText(m_f.jcgCompany, name);
            l.setInteger(m_f.jcgCompanyNumber, company);
            l.setInteger(m_f.jcgGroup, g);
        }
        for (const ContactPhone &p : c.phones) {
            if (StoreError e = addPhone(p, 0, company))
                return e;
        }
        return addNotes(c.notes, 0, company);
    }

    StoreError addPerson(const Contact &c) {
        qint64 company = 0;
        if (!c.company.trimmed().isEmpty()) {
            const QString key = lookupKey(c.company, m_f.cmpNameWidth);
            if (const auto found = m_companies.find(key); found != m_companies.end()) {
                company = found->second;
            } else {
                Contact only;
                only.isCompany = true;
                only.company = c.company;
                if (StoreError e = addCompany(only, company))
                    return e;
            }
        }
        Record &r = m_namRows->add();
        const qint64 person = take(Nam);
        r.setInteger(0, person);
        put(r, m_f.namLast, c.lastName);
        put(r, m_f.namFirst, c.firstName);
        put(r, m_f.namAddr1, c.addr1);
        put(r, m_f.namAddr2, c.addr2);
        put(r, m_f.namCity, c.city);
        put(r, m_f.namState, c.state);
        put(r, m_f.namZip, c.zip);
        put(r, m_f.namCountry, c.country);
        put(r, m_f.namEmail, c.email);
        r.setInteger(m_f.namBirthday, c.birthday);
        r.setInteger(m_f.namCompany, company);
        // The links repeat the names as stored.
        m_last = r.utf8(m_f.namLast);
        m_first = r.utf8(m_f.namFirst);
        ++m_peopleAdded;
        m_added[nameKey(c)].push_back(&c);
        std::vector<qint64> categories = {0};
        for (const QString &name : c.categories) {
            qint64 number = 0;
            category(*m_catRows, Cat, m_f.catName, m_f.catWidth, m_categories, name, number);
            if (std::find(categories.begin(), categories.end(), number) == categories.end())
                categories.push_back(number);
        }
        for (const qint64 cat : categories) {
            Record &l = m_jncRows->add();
            l.setInteger(0, take(Jnc));
            l.setUtf8(m_f.jncLast, m_last);
            l.setUtf8(m_f.jncFirst, m_first);
            l.setInteger(m_f.jncPerson, person);
            l.setInteger(m_f.jncCategory, cat);
        }
        for (const ContactPhone &p : c.phones) {
            if (StoreError e = addPhone(p, person, 0))
                return e;
        }
        return addNotes(c.notes, person, 0);
    }

    ImportTables m_tables;
    ImportSummary &m_summary;
    Table &m_nam, &m_fon, &m_mem, &m_cat, &m_jnc, &m_cmp, &m_grp, &m_jcg;
    const Fields m_f{*this};
    // Every use of the tables' connection during a batch runs here; it ends
    // after the writers and cursors below, and before the tables close.
    store::WriterThread m_thread;
    // The batch's; made, committed and undone on the writer's thread.
    std::optional<store::UnitOfWork> m_unit;
    // Made at open(), and gone before the tables close.
    std::unique_ptr<Table> m_namReader;
    std::unique_ptr<Table> m_fonReader;
    std::optional<store::Cursor> m_byName;
    std::optional<store::Cursor> m_phonesOf;
    // The readers' one read lock during a batch.
    std::optional<store::ReadScope> m_reading;
    std::optional<store::BulkInsert> m_namRows, m_fonRows, m_memRows, m_jncRows, m_catRows, m_cmpRows, m_grpRows,
        m_jcgRows;
    int m_today;
    Table::SearchUpkeep m_searchUpkeep = Table::SearchUpkeep::InTransaction;
    int *m_cut = nullptr;
    bool m_onlyOwnPeople = false;
    qint64 m_peopleAdded = 0;
    // The people this import added, by name, while the table holds no one
    // else: then the duplicate check needs no query.
    std::unordered_map<std::string, std::vector<const Contact *>> m_added;
    int m_companiesAdded = 0;
    bool m_companiesLoaded = false;
    qint64 m_next[TableCount] = {};
    std::string m_last, m_first;
    std::unordered_map<QString, qint64> m_categories, m_groups, m_companies;
};


StoredNumber storedPhoneNumber(const QString &typed, int width) {
    StoredNumber result;
    const QString trimmed = typed.trimmed();
    QString digits = digitsOf(trimmed);
    if (digits.size() == 11 && digits.startsWith(QLatin1Char('1')))
        digits = digits.mid(1);
    if (digits.size() == 10) {
        result.number = digits;
        result.area = digits.left(3);
        return result;
    }
    if (characters(trimmed) <= width) {
        result.number = trimmed;
        return result;
    }
    QString kept = trimmed.startsWith(QLatin1Char('+')) ? QStringLiteral("+") + digits : digits;
    if (kept.size() > width) {
        kept = kept.left(width);
        result.cut = true;
    }
    result.number = kept;
    return result;
}

ContactWriter::ContactWriter(ImportSummary &summary)
    : m(std::make_unique<Impl>(summary)) {}
ContactWriter::~ContactWriter() = default;
StoreError ContactWriter::open() { return m->open(); }
StoreError ContactWriter::beginBatch() { return m->beginBatch(); }
StoreError ContactWriter::commitBatch() { return m->commitBatch(); }
void ContactWriter::rollbackBatch() { m->rollbackBatch(); }
StoreError ContactWriter::catchUpSearch() { return m->catchUpSearch(); }
StoreError ContactWriter::write(const Contact &c, bool addDuplicates, bool &added, int &cut) {
    return m->write(c, addDuplicates, added, cut);
}
int ContactWriter::companiesAdded() const { return m->companiesAdded(); }
void ContactWriter::setCardCount(int cards) { m->setCardCount(cards); }

} // namespace tabulo::exchange

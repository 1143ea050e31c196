#include "exchange/ContactImport.h"

#include "base/Clock.h"
#include "exchange/Csv.h"
#include "exchange/VCard.h"
#include "people/PersonRecords.h"
#include "store/Store.h"

#include <QFile>

#include <algorithm>
#include <unordered_map>

namespace tabulo::exchange {

using store::Record;
using store::StoreError;
using store::Table;

namespace {

constexpr int kLockSeconds = 10;

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
    for (const QChar c : text) {
        if (c.isDigit())
            digits += c;
    }
    return digits;
}

QString lookupKey(const QString &name, int width) {
    return QString::fromStdString(store::fitText(name.trimmed().toStdString(), width)).toCaseFolded();
}

// Writes cards into the tables, one transaction per table for each batch.
class ContactWriter final {
public:
    explicit ContactWriter(ImportSummary &summary)
        : m_use({QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem"),
                 QStringLiteral("QKcat"), QStringLiteral("QKjnc"), QStringLiteral("QKcmp"),
                 QStringLiteral("QKgrp"), QStringLiteral("QKjcg")})
        , m_summary(summary)
        , m_nam(m_use[QStringLiteral("QKnam")])
        , m_fon(m_use[QStringLiteral("QKfon")])
        , m_mem(m_use[QStringLiteral("QKmem")])
        , m_cat(m_use[QStringLiteral("QKcat")])
        , m_jnc(m_use[QStringLiteral("QKjnc")])
        , m_cmp(m_use[QStringLiteral("QKcmp")])
        , m_grp(m_use[QStringLiteral("QKgrp")])
        , m_jcg(m_use[QStringLiteral("QKjcg")])
        , m_byName(m_nam)
        , m_phonesOf(m_fon)
        , m_today(dates::Clock::current().today()) {
        m_byName.setOrder(m_nam.def().key(QStringLiteral("LNAME_KEY")));
        m_phonesOf.setOrder(m_fon.def().key(QStringLiteral("NAM_CTRL_KEY")));
        // A batch's pages stay in memory until its commit: a page cache
        // that overflows mid-batch would write and sync the journal each time.
        for (Table *t : tables())
            sqlite3_exec(t->handle(), "PRAGMA cache_size=-32768", nullptr, nullptr, nullptr);
    }
    ~ContactWriter() {
        for (Table *t : tables()) {
            if (t->handle())
                sqlite3_exec(t->handle(), "PRAGMA cache_size=-2000", nullptr, nullptr, nullptr);
        }
    }
    ContactWriter(const ContactWriter &) = delete;
    ContactWriter &operator=(const ContactWriter &) = delete;

    std::vector<Table *> tables() { return {&m_nam, &m_fon, &m_mem, &m_cat, &m_jnc, &m_cmp, &m_grp, &m_jcg}; }

    StoreError beginBatch() {
        std::vector<Table *> begun;
        for (Table *t : tables()) {
            if (StoreError e = t->begin(kLockSeconds)) {
                for (Table *b : begun)
                    b->rollback();
                return e;
            }
            begun.push_back(t);
        }
        // Numbers are taken inside the transactions, so no other station
        // can take the same ones meanwhile.
        for (Table *t : tables()) {
            qint64 next = 1;
            if (StoreError e = people::nextControlNumber(t->def().name, next)) {
                rollbackBatch();
                return e;
            }
            m_next[t] = next;
        }
        if (StoreError e = loadNames(m_cat, "CATEGORY", m_categories))
            return e;
        if (StoreError e = loadNames(m_grp, "GROUP", m_groups))
            return e;
        // The table holds only what this import added: its own index serves.
        m_onlyOwnPeople = m_nam.records() == m_peopleAdded;
        if (!m_onlyOwnPeople)
            m_added.clear();
        if (!m_companiesLoaded) {
            if (StoreError e = loadNames(m_cmp, "NAME", m_companies))
                return e;
            m_companiesLoaded = true;
        }
        return {};
    }

    StoreError commitBatch() {
        for (Table *t : tables()) {
            if (StoreError e = t->commit()) {
                rollbackBatch();
                return e;
            }
        }
        return {};
    }

    void rollbackBatch() {
        for (Table *t : tables())
            t->rollback();
    }

    // Stores one card; `added` tells whether it was stored or skipped.
    StoreError write(const Contact &c, bool addDuplicates, bool &added, int &cut) {
        added = false;
        cut = 0;
        m_cut = &cut;
        if (c.isCompany) {
            const QString key = lookupKey(c.company, width(m_cmp, "NAME"));
            if (!addDuplicates && m_companies.count(key))
                return {};
            qint64 company = 0;
            if (StoreError e = addCompany(c, company))
                return e;
            added = true;
            return {};
        }
        if (!addDuplicates && isDuplicate(c))
            return {};
        if (StoreError e = addPerson(c))
            return e;
        added = true;
        return {};
    }

    int companiesAdded() const { return m_companiesAdded; }

private:
    static int width(const Table &t, const char *field) {
        return t.def().field(QString::fromLatin1(field))->width;
    }
    static int index(const Table &t, const char *field) {
        return t.def().fieldIndex(QString::fromLatin1(field));
    }

    void put(Record &r, const Table &t, const char *field, const QString &value) {
        const int i = index(t, field);
        const QString v = value.trimmed();
        if (characters(v) > t.def().fields[static_cast<size_t>(i)].width)
            ++*m_cut;
        r.setText(i, v);
    }

    qint64 take(Table &t) { return m_next[&t]++; }

    StoreError loadNames(Table &t, const char *field, std::unordered_map<QString, qint64> &names) {
        names.clear();
        const int f = index(t, field);
        const int w = width(t, field);
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

    // People this import added, by name, while the table holds no one else:
    // then the duplicate check needs no query.
    struct Added {
        QString email;
        QStringList numbers;
    };

    static QStringList numbersOf(const Contact &c) {
        QStringList numbers;
        for (const ContactPhone &p : c.phones) {
            const QString d = digitsOf(storedPhoneNumber(p.number).number);
            if (!d.isEmpty())
                numbers.append(d);
        }
        return numbers;
    }

    QString nameKey(const Contact &c) const {
        return QString::fromStdString(store::fitText(c.lastName.trimmed().toStdString(), m_lnameWidth)) +
               QLatin1Char('\n') +
               QString::fromStdString(store::fitText(c.firstName.trimmed().toStdString(), m_fnameWidth));
    }

    bool isDuplicate(const Contact &c) {
        if (m_onlyOwnPeople) {
            const auto found = m_added.find(nameKey(c));
            if (found == m_added.end())
                return false;
            const QString email = c.email.trimmed();
            const QStringList numbers = numbersOf(c);
            for (const Added &a : found->second) {
                if (!email.isEmpty() && a.email.compare(email, Qt::CaseInsensitive) == 0)
                    return true;
                for (const QString &n : numbers)
                    if (a.numbers.contains(n))
                        return true;
            }
            return false;
        }
        return storedDuplicate(c);
    }

    bool storedDuplicate(const Contact &c) {
        const int lw = width(m_nam, "LNAME"), fw = width(m_nam, "FNAME");
        m_byName.setRange({store::sql::Value(store::fitText(c.lastName.trimmed().toStdString(), lw)),
                           store::sql::Value(store::fitText(c.firstName.trimmed().toStdString(), fw))});
        m_byName.toStart();
        std::vector<std::pair<qint64, QString>> candidates;
        while (m_byName.next().ok())
            candidates.emplace_back(m_nam.record().integer(0),
                                    m_nam.record().text(index(m_nam, "EMAILADDRESS")));
        if (candidates.empty())
            return false;
        QStringList numbers;
        for (const ContactPhone &p : c.phones) {
            const QString d = digitsOf(storedPhoneNumber(p.number).number);
            if (!d.isEmpty())
                numbers.append(d);
        }
        const QString email = c.email.trimmed();
        for (const auto &[person, storedEmail] : candidates) {
            if (!email.isEmpty() && storedEmail.compare(email, Qt::CaseInsensitive) == 0)
                return true;
            if (numbers.isEmpty())
                continue;
            m_phonesOf.setRange({store::sql::Value(person)});
            m_phonesOf.toStart();
            while (m_phonesOf.next().ok()) {
                if (numbers.contains(digitsOf(m_fon.record().text(index(m_fon, "NUMBER")))))
                    return true;
            }
        }
        return false;
    }

    StoreError addPhone(const ContactPhone &p, qint64 person, qint64 company, qint64 &number) {
        Record &r = m_fon.record();
        r.clear();
        number = take(m_fon);
        r.setInteger(0, number);
        put(r, m_fon, "LOCATION", p.location);
        put(r, m_fon, "NAME", p.name);
        const StoredNumber stored = storedPhoneNumber(p.number, width(m_fon, "NUMBER"));
        if (stored.cut)
            ++*m_cut;
        r.setText(index(m_fon, "NUMBER"), stored.number);
        r.setText(index(m_fon, "AREA"), stored.area);
        put(r, m_fon, "EXT", p.ext);
        r.setInteger(index(m_fon, "NAM_CTRL"), person);
        r.setInteger(index(m_fon, "CMP_CTRL"), company);
        return m_fon.insert();
    }

    StoreError addNotes(const std::vector<ContactNote> &notes, qint64 person, qint64 company) {
        int order = 0;
        for (const ContactNote &n : notes) {
            Record &r = m_mem.record();
            r.clear();
            r.setInteger(0, take(m_mem));
            r.setInteger(index(m_mem, "NAM_CTRL"), person);
            r.setInteger(index(m_mem, "CMP_CTRL"), company);
            r.setInteger(index(m_mem, "DATE"), n.date > 0 ? n.date : m_today);
            r.setInteger(index(m_mem, "UPDATE"), n.updated);
            r.setInteger(index(m_mem, "ORDER"), ++order);
            if (characters(n.text) > m_mem.def().memoSize)
                ++*m_cut;
            r.setMemo(n.text);
            if (StoreError e = m_mem.insert())
                return e;
        }
        return {};
    }

    // The category's number, made when it is missing.
    StoreError category(Table &t, const char *field, std::unordered_map<QString, qint64> &names,
                        const QString &name, qint64 &number) {
        const QString key = lookupKey(name, width(t, field));
        if (const auto found = names.find(key); found != names.end()) {
            number = found->second;
            return {};
        }
        Record &r = t.record();
        r.clear();
        number = take(t);
        r.setInteger(0, number);
        put(r, t, field, name);
        if (StoreError e = t.insert())
            return e;
        names.emplace(key, number);
        return {};
    }

    StoreError addCompany(const Contact &c, qint64 &company) {
        Record &r = m_cmp.record();
        r.clear();
        company = take(m_cmp);
        r.setInteger(0, company);
        put(r, m_cmp, "NAME", c.company);
        put(r, m_cmp, "BUSINESS", c.business);
        put(r, m_cmp, "ADDR1", c.addr1);
        put(r, m_cmp, "ADD2", c.addr2);
        put(r, m_cmp, "CITY", c.city);
        put(r, m_cmp, "STATE", c.state);
        put(r, m_cmp, "ZIP", c.zip);
        put(r, m_cmp, "COUNTRY", c.country);
        put(r, m_cmp, "EMAILADDRESS", c.email);
        put(r, m_cmp, "WEBADDRESS", c.web);
        r.setInteger(index(m_cmp, "NOTES"), static_cast<qint64>(c.notes.size()));
        // The main phone is the first one; its number is known before it is stored.
        r.setInteger(index(m_cmp, "FON_CTRL"), c.phones.empty() ? 0 : m_next[&m_fon]);
        const QString name = r.text(index(m_cmp, "NAME"));
        if (StoreError e = m_cmp.insert())
            return e;
        m_companies.emplace(lookupKey(name, width(m_cmp, "NAME")), company);
        ++m_companiesAdded;
        std::vector<qint64> groups = {0};
        for (const QString &g : c.categories) {
            qint64 number = 0;
            if (StoreError e = category(m_grp, "GROUP", m_groups, g, number))
                return e;
            if (std::find(groups.begin(), groups.end(), number) == groups.end())
                groups.push_back(number);
        }
        for (const qint64 g : groups) {
            Record &l = m_jcg.record();
            l.clear();
            l.setInteger(0, take(m_jcg));
            l.setText(index(m_jcg, "COMPANY"), name);
            l.setInteger(index(m_jcg, "CMP_CTRL"), company);
            l.setInteger(index(m_jcg, "GRP_CTRL"), g);
            if (StoreError e = m_jcg.insert())
                return e;
        }
        for (const ContactPhone &p : c.phones) {
            qint64 number = 0;
            if (StoreError e = addPhone(p, 0, company, number))
                return e;
        }
        return addNotes(c.notes, 0, company);
    }

    StoreError addPerson(const Contact &c) {
        qint64 company = 0;
        if (!c.company.trimmed().isEmpty()) {
            const QString key = lookupKey(c.company, width(m_cmp, "NAME"));
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
        Record &r = m_nam.record();
        r.clear();
        const qint64 person = take(m_nam);
        r.setInteger(0, person);
        put(r, m_nam, "LNAME", c.lastName);
        put(r, m_nam, "FNAME", c.firstName);
        put(r, m_nam, "ADDR1", c.addr1);
        put(r, m_nam, "ADDR2", c.addr2);
        put(r, m_nam, "CITY", c.city);
        put(r, m_nam, "STATE", c.state);
        put(r, m_nam, "ZIP", c.zip);
        put(r, m_nam, "COUNTRY", c.country);
        put(r, m_nam, "EMAILADDRESS", c.email);
        r.setInteger(index(m_nam, "DOB"), c.birthday);
        r.setInteger(index(m_nam, "CMP_CTRL"), company);
        const QString last = r.text(index(m_nam, "LNAME"));
        const QString first = r.text(index(m_nam, "FNAME"));
        if (StoreError e = m_nam.insert())
            return e;
        ++m_peopleAdded;
        if (m_onlyOwnPeople)
            m_added[nameKey(c)].push_back({c.email.trimmed(), numbersOf(c)});
        std::vector<qint64> categories = {0};
        for (const QString &name : c.categories) {
            qint64 number = 0;
            if (StoreError e = category(m_cat, "CATEGORY", m_categories, name, number))
                return e;
            if (std::find(categories.begin(), categories.end(), number) == categories.end())
                categories.push_back(number);
        }
        for (const qint64 cat : categories) {
            Record &l = m_jnc.record();
            l.clear();
            l.setInteger(0, take(m_jnc));
            l.setText(index(m_jnc, "LNAME"), last);
            l.setText(index(m_jnc, "FNAME"), first);
            l.setInteger(index(m_jnc, "NAM_CTRL"), person);
            l.setInteger(index(m_jnc, "CAT_CTRL"), cat);
            if (StoreError e = m_jnc.insert())
                return e;
        }
        for (const ContactPhone &p : c.phones) {
            qint64 number = 0;
            if (StoreError e = addPhone(p, person, 0, number))
                return e;
        }
        return addNotes(c.notes, person, 0);
    }

    store::TableUse m_use;
    ImportSummary &m_summary;
    Table &m_nam, &m_fon, &m_mem, &m_cat, &m_jnc, &m_cmp, &m_grp, &m_jcg;
    store::Cursor m_byName;
    store::Cursor m_phonesOf;
    int m_today;
    int *m_cut = nullptr;
    int m_lnameWidth = width(m_nam, "LNAME");
    int m_fnameWidth = width(m_nam, "FNAME");
    bool m_onlyOwnPeople = false;
    qint64 m_peopleAdded = 0;
    std::unordered_map<QString, std::vector<Added>> m_added;
    int m_companiesAdded = 0;
    bool m_companiesLoaded = false;
    std::unordered_map<const Table *, qint64> m_next;
    std::unordered_map<QString, qint64> m_categories, m_groups, m_companies;
};

QString failureText(const StoreError &e) {
    QString text = e.text;
    if (!e.file.isEmpty())
        text = e.file + QStringLiteral(": ") + text;
    return QStringLiteral("Storing failed (%1); the cards of the unfinished batch were not stored.")
        .arg(text);
}

} // namespace

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

QString ImportSummary::text() const {
    QString t;
    t += QStringLiteral("Cards read: %1\n").arg(cardsRead);
    t += QStringLiteral("People added: %1\n").arg(peopleAdded);
    t += QStringLiteral("Companies added: %1\n").arg(companiesAdded);
    t += QStringLiteral("Duplicates skipped: %1\n").arg(duplicatesSkipped);
    t += QStringLiteral("Fields cut: %1\n").arg(fieldsCut);
    t += QStringLiteral("Cards that could not be read: %1\n").arg(problems.size());
    for (const ImportProblem &p : problems)
        t += QStringLiteral("  line %1: %2\n").arg(p.line).arg(p.text);
    if (cancelled)
        t += QStringLiteral("The import was cancelled; the cards stored before stay.\n");
    if (!failure.isEmpty())
        t += failure + QLatin1Char('\n');
    return t;
}

ParsedContacts parseContacts(const QByteArray &data, const std::optional<CsvMapping> &mapping) {
    ParsedContacts parsed;
    if (looksLikeVCard(data)) {
        const VCardFile file = readVCards(data);
        parsed.contacts.reserve(file.cards.size());
        for (const VCardCard &card : file.cards)
            parsed.contacts.push_back(contactFromCard(card));
        for (const VCardProblem &p : file.problems)
            parsed.problems.push_back({p.line, p.text});
        return parsed;
    }
    parsed.isCsv = true;
    const CsvTable table = readCsv(data);
    if (table.binary || table.rows.empty()) {
        parsed.failure = table.binary ? QStringLiteral("The file is neither a vCard nor a CSV text file.")
                                      : QStringLiteral("The file is empty.");
        return parsed;
    }
    parsed.header = table.rows.front().fields;
    std::optional<CsvMapping> used = mapping ? mapping : recognizeCsvHeader(parsed.header);
    if (!used) {
        parsed.needsMapping = true;
        parsed.failure =
            QStringLiteral("The file is neither a vCard nor a CSV file with known column headers.");
        return parsed;
    }
    const qsizetype columns = parsed.header.size();
    for (size_t i = 1; i < table.rows.size(); ++i) {
        const CsvRow &row = table.rows[i];
        if (row.fields.size() != columns) {
            parsed.problems.push_back(
                {row.line,
                 QStringLiteral("%1 columns where the header has %2").arg(row.fields.size()).arg(columns)});
            continue;
        }
        Contact c = contactFromCsvRow(row.fields, *used);
        c.line = row.line;
        parsed.contacts.push_back(std::move(c));
    }
    if (table.unterminatedLine > 0)
        parsed.problems.push_back(
            {table.unterminatedLine, QStringLiteral("quoted field not closed (file cut short?)")});
    return parsed;
}

ImportSummary importContacts(std::vector<Contact> contacts, const ImportOptions &options) {
    ImportSummary summary;
    // Companies first, so that people find theirs whatever the file's order.
    std::stable_partition(contacts.begin(), contacts.end(), [](const Contact &c) { return c.isCompany; });
    ContactWriter writer(summary);
    const int total = static_cast<int>(contacts.size());
    const int batch = std::max(1, options.batchSize);
    int done = 0;
    while (done < total && !summary.cancelled) {
        if (StoreError e = writer.beginBatch()) {
            summary.failure = failureText(e);
            break;
        }
        ImportSummary batchCounts;
        int batchCompanies = writer.companiesAdded();
        const int start = done;
        bool failed = false;
        for (int i = start; i < total && i < start + batch; ++i) {
            if (options.progress && !options.progress(i, total)) {
                summary.cancelled = true;
                break;
            }
            bool added = false;
            int cut = 0;
            const Contact &c = contacts[static_cast<size_t>(i)];
            if (StoreError e = writer.write(c, options.addDuplicates, added, cut)) {
                summary.failure = failureText(e);
                failed = true;
                break;
            }
            ++batchCounts.cardsRead;
            if (added) {
                if (!c.isCompany)
                    ++batchCounts.peopleAdded;
                batchCounts.fieldsCut += cut;
            } else {
                ++batchCounts.duplicatesSkipped;
            }
            ++done;
        }
        if (failed) {
            writer.rollbackBatch();
            break;
        }
        if (StoreError e = writer.commitBatch()) {
            summary.failure = failureText(e);
            break;
        }
        summary.cardsRead += batchCounts.cardsRead;
        summary.peopleAdded += batchCounts.peopleAdded;
        summary.duplicatesSkipped += batchCounts.duplicatesSkipped;
        summary.fieldsCut += batchCounts.fieldsCut;
        summary.companiesAdded += writer.companiesAdded() - batchCompanies;
    }
    if (options.progress && !summary.cancelled && summary.ok())
        options.progress(total, total);
    return summary;
}

ImportSummary importFile(const QString &path, const ImportOptions &options,
                         const std::optional<CsvMapping> &mapping) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ImportSummary summary;
        summary.failure = QStringLiteral("The file %1 cannot be read: %2").arg(path, file.errorString());
        return summary;
    }
    const ParsedContacts parsed = parseContacts(file.readAll(), mapping);
    if (!parsed.failure.isEmpty()) {
        ImportSummary summary;
        summary.failure = parsed.failure;
        return summary;
    }
    ImportSummary summary = importContacts(parsed.contacts, options);
    summary.problems.insert(summary.problems.begin(), parsed.problems.begin(), parsed.problems.end());
    std::sort(summary.problems.begin(), summary.problems.end(),
              [](const ImportProblem &a, const ImportProblem &b) { return a.line < b.line; });
    return summary;
}

} // namespace tabulo::exchange

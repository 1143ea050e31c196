#include "store/Cascades.h"

#include "companies/CompanyRecords.h"
#include "exchange/ContactImport.h"
#include "people/Membership.h"
#include "people/PersonRecords.h"
#include "people/TagStore.h"
#include "store/ChangeRules.h"
#include "store/Store.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <map>
#include <set>
#include <unistd.h>

namespace tabulo::test::cascades {

using namespace tabulo::store;

namespace {

int field(const Table &t, const char *name) {
    return t.def().fieldIndex(QString::fromLatin1(name));
}

const KeyDef &key(const Table &t, const char *name) {
    return *t.def().key(QString::fromLatin1(name));
}

Table &table(const char *name) {
    return Store::instance().table(QString::fromLatin1(name));
}

const char *token(Kind kind) {
    switch (kind) {
    case Kind::PersonDelete:
        return "person-delete";
    case Kind::CompanyDelete:
        return "company-delete";
    case Kind::TaggedMove:
        return "tagged-move";
    case Kind::Rename:
        return "rename";
    case Kind::Import:
        return "import";
    }
    return "?";
}

QString renamedLast(qint64 person) {
    return QStringLiteral("Renamed%1").arg(person);
}
const QString kRenamedFirst = QStringLiteral("After");

// The records a change needs are written under one lock per table, so
// making a hundred people costs one commit per table, not two hundred.
class SetupWrites final {
public:
    explicit SetupWrites(const QStringList &names) {
        for (const QString &name : names) {
            Table &t = Store::instance().table(name);
            if (StoreError e = t.lock(5)) {
                m_failure = e;
                return;
            }
            m_locked.push_back(&t);
        }
    }
    ~SetupWrites() {
        for (Table *t : m_locked)
            t->rollback();
    }
    SetupWrites(const SetupWrites &) = delete;
    SetupWrites &operator=(const SetupWrites &) = delete;

    StoreError failure() const { return m_failure; }
    StoreError commit() {
        for (Table *t : m_locked) {
            if (StoreError e = t->unlock())
                return e;
        }
        m_locked.clear();
        return {};
    }

private:
    std::vector<Table *> m_locked;
    StoreError m_failure;
};

StoreError nextNumber(const char *name, qint64 &number) {
    return people::nextControlNumber(QString::fromLatin1(name), number);
}

StoreError addPerson(const QString &last, const QString &first, qint64 &number) {
    Table &nam = table("QKnam");
    if (StoreError e = nextNumber("QKnam", number))
        return e;
    nam.record().clear();
    nam.record().setInteger(field(nam, "CTRL_NBR"), number);
    nam.record().setText(field(nam, "LNAME"), last);
    nam.record().setText(field(nam, "FNAME"), first);
    return nam.insert();
}

StoreError addCompany(const QString &name, qint64 &number) {
    Table &cmp = table("QKcmp");
    if (StoreError e = nextNumber("QKcmp", number))
        return e;
    cmp.record().clear();
    cmp.record().setInteger(field(cmp, "CTRL_NBR"), number);
    cmp.record().setText(field(cmp, "NAME"), name);
    return cmp.insert();
}

// A phone or note of a person ("NAM_CTRL") or company ("CMP_CTRL").
StoreError addOwned(const char *name, const char *ownerField, qint64 owner, int index) {
    Table &t = table(name);
    qint64 number = 0;
    if (StoreError e = nextNumber(name, number))
        return e;
    t.record().clear();
    t.record().setInteger(field(t, "CTRL_NBR"), number);
    t.record().setInteger(field(t, ownerField), owner);
    if (QLatin1String(name) == QLatin1String("QKfon")) {
        t.record().setText(field(t, "LOCATION"), QStringLiteral("Place %1").arg(index));
        t.record().setText(field(t, "NUMBER"), QStringLiteral("212555%1").arg(index, 4, 10, QLatin1Char('0')));
    } else {
        t.record().setInteger(field(t, "DATE"), 80000 + index);
        t.record().setMemo(QStringLiteral("note %1").arg(index));
    }
    return t.insert();
}

StoreError addLink(qint64 person, qint64 category, const QString &last, const QString &first, qint64 &number) {
    Table &jnc = table("QKjnc");
    if (StoreError e = nextNumber("QKjnc", number))
        return e;
    jnc.record().clear();
    jnc.record().setInteger(field(jnc, "CTRL_NBR"), number);
    jnc.record().setInteger(field(jnc, "NAM_CTRL"), person);
    jnc.record().setInteger(field(jnc, "CAT_CTRL"), category);
    jnc.record().setText(field(jnc, "LNAME"), last);
    jnc.record().setText(field(jnc, "FNAME"), first);
    return jnc.insert();
}

StoreError addGroupLink(qint64 company, qint64 group, const QString &name) {
    Table &jcg = table("QKjcg");
    qint64 number = 0;
    if (StoreError e = nextNumber("QKjcg", number))
        return e;
    jcg.record().clear();
    jcg.record().setInteger(field(jcg, "CTRL_NBR"), number);
    jcg.record().setInteger(field(jcg, "CMP_CTRL"), company);
    jcg.record().setInteger(field(jcg, "GRP_CTRL"), group);
    jcg.record().setText(field(jcg, "COMPANY"), name);
    return jcg.insert();
}

// A person with links to the five categories, each carrying the name.
StoreError addLinkedPerson(const QString &last, const QString &first, qint64 &person) {
    if (StoreError e = addPerson(last, first, person))
        return e;
    for (qint64 category : kLinkCategories) {
        qint64 link = 0;
        if (StoreError e = addLink(person, category, last, first, link))
            return e;
    }
    return {};
}

// The import's cards as a vCard file would hold them: a person with two
// phones and a note each.
QByteArray importCards(const QString &prefix, int cards) {
    QByteArray text;
    for (int i = 0; i < cards; ++i) {
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        text += QStringLiteral("N:%1%2;Card;;;\r\nFN:Card %1%2\r\n").arg(prefix).arg(i).toUtf8();
        text += QStringLiteral("TEL;TYPE=HOME:212555%1\r\n").arg(i, 4, 10, QLatin1Char('0')).toUtf8();
        text += QStringLiteral("TEL;TYPE=WORK:718555%1\r\n").arg(i, 4, 10, QLatin1Char('0')).toUtf8();
        text += QStringLiteral("NOTE:card %1\r\n").arg(i).toUtf8();
        text += "END:VCARD\r\n";
    }
    return text;
}

// Everything a checker needs of a directory, read after its writer is gone.
struct Snapshot {
    struct Person {
        QString last;
        QString first;
    };
    struct Owned {
        qint64 person = 0;
        qint64 company = 0;
    };
    struct Link {
        qint64 number = 0;
        qint64 person = 0;
        qint64 category = 0;
        QString last;
        QString first;
    };
    std::map<qint64, Person> people;
    std::set<qint64> companies;
    std::vector<Owned> phones;
    std::vector<Owned> notes;
    std::vector<Link> links;
    std::vector<qint64> groupLinkOwners;
    QStringList damage;

    // Counts per owner, made once the tables are read: a check of ten
    // thousand changes looks each one up rather than scan every table.
    std::map<qint64, int> phonesOfPerson, phonesOfCompany, notesOfPerson, notesOfCompany, linksOfPerson,
        groupLinksOfCompany;
    void index() {
        for (const Owned &o : phones) {
            ++phonesOfPerson[o.person];
            ++phonesOfCompany[o.company];
        }
        for (const Owned &o : notes) {
            ++notesOfPerson[o.person];
            ++notesOfCompany[o.company];
        }
        for (const Link &l : links)
            ++linksOfPerson[l.person];
        for (qint64 owner : groupLinkOwners)
            ++groupLinksOfCompany[owner];
    }
    static int at(const std::map<qint64, int> &counts, qint64 owner) {
        const auto it = counts.find(owner);
        return it == counts.end() ? 0 : it->second;
    }
    int phonesOf(qint64 person, qint64 company) const {
        return person ? at(phonesOfPerson, person) : at(phonesOfCompany, company);
    }
    int notesOf(qint64 person, qint64 company) const {
        return person ? at(notesOfPerson, person) : at(notesOfCompany, company);
    }
    int linksOf(qint64 person) const { return at(linksOfPerson, person); }
    int groupLinksOf(qint64 company) const { return at(groupLinksOfCompany, company); }
};

// Opens a table file on its own connection (rolling back a hot journal as
// the program's next start would), hands every record to `each`, closes it
// and runs the store's check over the file.
void readTable(const QString &directory, const char *name, const std::function<void(const Record &)> &each,
               QStringList &damage) {
    Table t(tableDef(name), directory);
    if (!QFileInfo::exists(t.filePath()))
        return; // never made: holds nothing
    if (StoreError e = t.open()) {
        damage << QStringLiteral("%1 does not open: %2").arg(QLatin1String(name), e.text);
        return;
    }
    {
        Cursor cursor(t);
        cursor.setOrder(nullptr);
        StoreError e = cursor.toStart();
        while (e.ok()) {
            e = cursor.next();
            if (e.ok())
                each(t.record());
        }
        if (e.code != Code::EndOfFile)
            damage << QStringLiteral("%1 cannot be read: %2").arg(QLatin1String(name), e.text);
    }
    t.close();
    QStringList problems;
    if (StoreError e = t.check(problems))
        damage << QStringLiteral("%1 cannot be checked: %2").arg(QLatin1String(name), e.text);
    for (const QString &p : problems)
        damage << QStringLiteral("%1 is damaged: %2").arg(QLatin1String(name), p);
}

Snapshot readSnapshot(const QString &directory) {
    Snapshot s;
    const TableDef &nam = tableDef("QKnam");
    readTable(
        directory, "QKnam",
        [&](const Record &r) {
            s.people[r.integer(nam.fieldIndex(QStringLiteral("CTRL_NBR")))] = {
                r.text(nam.fieldIndex(QStringLiteral("LNAME"))).trimmed(),
                r.text(nam.fieldIndex(QStringLiteral("FNAME"))).trimmed()};
        },
        s.damage);
    const TableDef &cmp = tableDef("QKcmp");
    readTable(
        directory, "QKcmp",
        [&](const Record &r) { s.companies.insert(r.integer(cmp.fieldIndex(QStringLiteral("CTRL_NBR")))); },
        s.damage);
    for (const char *name : {"QKfon", "QKmem"}) {
        const TableDef &def = tableDef(name);
        auto &into = QLatin1String(name) == QLatin1String("QKfon") ? s.phones : s.notes;
        readTable(
            directory, name,
            [&](const Record &r) {
                into.push_back({r.integer(def.fieldIndex(QStringLiteral("NAM_CTRL"))),
                                r.integer(def.fieldIndex(QStringLiteral("CMP_CTRL")))});
            },
            s.damage);
    }
    const TableDef &jnc = tableDef("QKjnc");
    readTable(
        directory, "QKjnc",
        [&](const Record &r) {
            s.links.push_back({r.integer(jnc.fieldIndex(QStringLiteral("CTRL_NBR"))),
                               r.integer(jnc.fieldIndex(QStringLiteral("NAM_CTRL"))),
                               r.integer(jnc.fieldIndex(QStringLiteral("CAT_CTRL"))),
                               r.text(jnc.fieldIndex(QStringLiteral("LNAME"))).trimmed(),
                               r.text(jnc.fieldIndex(QStringLiteral("FNAME"))).trimmed()});
        },
        s.damage);
    const TableDef &jcg = tableDef("QKjcg");
    readTable(
        directory, "QKjcg",
        [&](const Record &r) { s.groupLinkOwners.push_back(r.integer(jcg.fieldIndex(QStringLiteral("CMP_CTRL")))); },
        s.damage);
    for (const char *name : {"QKcat", "TagFile_"}) {
        readTable(directory, name, [](const Record &) {}, s.damage);
    }
    s.index();
    return s;
}

// Children whose owner names no person or company, counted per table.
QStringList orphans(const Snapshot &s) {
    int phones = 0;
    int notes = 0;
    int links = 0;
    int groupLinks = 0;
    const auto orphaned = [&s](const Snapshot::Owned &o) {
        return (o.person != 0 && !s.people.count(o.person)) || (o.company != 0 && !s.companies.count(o.company));
    };
    for (const auto &o : s.phones)
        phones += orphaned(o);
    for (const auto &o : s.notes)
        notes += orphaned(o);
    for (const auto &l : s.links)
        links += !s.people.count(l.person);
    for (qint64 owner : s.groupLinkOwners)
        groupLinks += owner != 0 && !s.companies.count(owner);
    QStringList found;
    if (phones || notes || links || groupLinks)
        found << QStringLiteral("orphans: %1 phones, %2 notes, %3 category links, %4 group links")
                     .arg(phones)
                     .arg(notes)
                     .arg(links)
                     .arg(groupLinks);
    return found;
}

QString wholeness(const Snapshot &s, const Identity &c) {
    const qint64 n = c.numbers.empty() ? 0 : c.numbers.front();
    switch (c.kind) {
    case Kind::PersonDelete: {
        const bool present = s.people.count(n);
        const int phones = s.phonesOf(n, 0);
        const int notes = s.notesOf(n, 0);
        const int links = s.linksOf(n);
        const bool whole = present ? phones == 3 && notes == 2 && links == 5 : phones + notes + links == 0;
        if (whole)
            return {};
        return QStringLiteral("person delete %1: person %2 with %3 phones, %4 notes, %5 links")
            .arg(n)
            .arg(QLatin1String(present ? "present" : "gone"))
            .arg(phones)
            .arg(notes)
            .arg(links);
    }
    case Kind::CompanyDelete: {
        const bool present = s.companies.count(n);
        const int phones = s.phonesOf(0, n);
        const int notes = s.notesOf(0, n);
        const int links = s.groupLinksOf(n);
        const bool whole = present ? phones == 2 && notes == 2 && links == 2 : phones + notes + links == 0;
        if (whole)
            return {};
        return QStringLiteral("company delete %1: company %2 with %3 phones, %4 notes, %5 group links")
            .arg(n)
            .arg(QLatin1String(present ? "present" : "gone"))
            .arg(phones)
            .arg(notes)
            .arg(links);
    }
    case Kind::TaggedMove: {
        const qint64 first = c.numbers.at(0);
        const qint64 last = c.numbers.at(1);
        int from = 0;
        int to = 0;
        for (const auto &l : s.links) {
            if (l.number >= first && l.number <= last) {
                from += l.category == kMoveFrom;
                to += l.category == kMoveTo;
            }
        }
        const int size = static_cast<int>(last - first + 1);
        if ((from == size && to == 0) || (to == size && from == 0))
            return {};
        return QStringLiteral("tagged move of links %1-%2: %3 in the first category, %4 in the second, %5 elsewhere")
            .arg(first)
            .arg(last)
            .arg(from)
            .arg(to)
            .arg(size - from - to);
    }
    case Kind::Rename: {
        const auto person = s.people.find(n);
        if (person == s.people.end())
            return QStringLiteral("rename %1: the person is gone").arg(n);
        int links = 0;
        int stale = 0;
        for (const auto &l : s.links) {
            if (l.person != n)
                continue;
            ++links;
            stale += l.last != person->second.last || l.first != person->second.first;
        }
        if (links == 5 && stale == 0)
            return {};
        return QStringLiteral("rename %1: person named \"%2 %3\", %4 of its %5 links carry another name")
            .arg(n)
            .arg(person->second.first, person->second.last)
            .arg(stale)
            .arg(links);
    }
    case Kind::Import: {
        int people = 0;
        int lacking = 0;
        for (const auto &[number, person] : s.people) {
            if (!person.last.startsWith(c.prefix))
                continue;
            ++people;
            lacking += s.phonesOf(number, 0) != 2 || s.notesOf(number, 0) != 1 || s.linksOf(number) != 1;
        }
        if (people % c.import.batch == 0 && lacking == 0)
            return {};
        return QStringLiteral("import %1: %2 people stored (batches of %3), %4 of them without all their phones, "
                              "notes or links")
            .arg(c.prefix)
            .arg(people)
            .arg(c.import.batch)
            .arg(lacking);
    }
    }
    return {};
}

} // namespace

QString kindName(Kind kind) {
    return QString::fromLatin1(token(kind));
}

QString Identity::line() const {
    QStringList parts{kindName(kind)};
    for (qint64 n : numbers)
        parts << QString::number(n);
    if (kind == Kind::Import)
        parts << prefix << QString::number(import.cards) << QString::number(import.batch);
    return parts.join(QLatin1Char(' '));
}

bool Identity::parse(const QString &line, Identity &out) {
    const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    out = {};
    bool known = false;
    for (Kind k : kAllKinds) {
        if (parts[0] == kindName(k)) {
            out.kind = k;
            known = true;
        }
    }
    if (!known)
        return false;
    if (out.kind == Kind::Import) {
        if (parts.size() != 4)
            return false;
        out.prefix = parts[1];
        out.import.cards = parts[2].toInt();
        out.import.batch = parts[3].toInt();
        return out.import.batch > 0;
    }
    for (int i = 1; i < parts.size(); ++i)
        out.numbers.push_back(parts[i].toLongLong());
    return out.numbers.size() == (out.kind == Kind::TaggedMove ? 2u : 1u);
}

int CountingMessages::show(const MessageBox &box) {
    ++shown;
    texts << QStringLiteral("%1: %2").arg(box.title, box.text);
    return box.defaultButton;
}

void CountingMessages::halt(const QString &text) {
    std::fprintf(stderr, "the store ended the program: %s\n", qPrintable(text));
    std::_Exit(70);
}

QStringList tableNames() {
    return {QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem"), QStringLiteral("QKjnc"),
            QStringLiteral("QKcat"), QStringLiteral("QKcmp"), QStringLiteral("QKjcg"), QStringLiteral("QKgrp"),
            QStringLiteral("TagFile_")};
}

bool makeBase(QString &failure) {
    TableUse use(tableNames());
    Table &cat = use[QStringLiteral("QKcat")];
    SetupWrites writes({QStringLiteral("QKcat")});
    for (qint64 number : {kMoveFrom, kMoveTo, kLinkCategories[1], kLinkCategories[2], kLinkCategories[3],
                          kLinkCategories[4]}) {
        cat.record().clear();
        cat.record().setInteger(field(cat, "CTRL_NBR"), number);
        cat.record().setText(field(cat, "CATEGORY"), QStringLiteral("Category %1").arg(number));
        if (StoreError e = cat.insert()) {
            failure = e.text;
            return false;
        }
    }
    if (StoreError e = writes.commit()) {
        failure = e.text;
        return false;
    }
    return true;
}

bool prepare(Kind kind, int serial, const ImportSize &import, Identity &out, QString &failure) {
    TableUse use(tableNames());
    out = {};
    out.kind = kind;
    const auto failed = [&failure](const char *step, const StoreError &e) {
        failure = QStringLiteral("%1: %2").arg(QLatin1String(step), e.text);
        return false;
    };
    switch (kind) {
    case Kind::PersonDelete: {
        SetupWrites writes({QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem"),
                            QStringLiteral("QKjnc")});
        if (writes.failure())
            return failed("lock", writes.failure());
        qint64 person = 0;
        if (StoreError e = addLinkedPerson(QStringLiteral("Gone%1").arg(serial), QStringLiteral("Person"), person))
            return failed("person", e);
        for (int i = 0; i < 3; ++i) {
            if (StoreError e = addOwned("QKfon", "NAM_CTRL", person, i))
                return failed("phone", e);
        }
        for (int i = 0; i < 2; ++i) {
            if (StoreError e = addOwned("QKmem", "NAM_CTRL", person, i))
                return failed("note", e);
        }
        if (StoreError e = writes.commit())
            return failed("commit", e);
        out.numbers = {person};
        return true;
    }
    case Kind::CompanyDelete: {
        SetupWrites writes({QStringLiteral("QKcmp"), QStringLiteral("QKfon"), QStringLiteral("QKmem"),
                            QStringLiteral("QKjcg")});
        if (writes.failure())
            return failed("lock", writes.failure());
        const QString name = QStringLiteral("Company %1").arg(serial);
        qint64 company = 0;
        if (StoreError e = addCompany(name, company))
            return failed("company", e);
        for (int i = 0; i < 2; ++i) {
            if (StoreError e = addOwned("QKfon", "CMP_CTRL", company, i))
                return failed("phone", e);
            if (StoreError e = addOwned("QKmem", "CMP_CTRL", company, i))
                return failed("note", e);
            if (StoreError e = addGroupLink(company, i + 1, name))
                return failed("group link", e);
        }
        if (StoreError e = writes.commit())
            return failed("commit", e);
        out.numbers = {company};
        return true;
    }
    case Kind::TaggedMove: {
        std::vector<qint64> links;
        {
            SetupWrites writes({QStringLiteral("QKnam"), QStringLiteral("QKjnc")});
            if (writes.failure())
                return failed("lock", writes.failure());
            for (int i = 0; i < kMovedPeople; ++i) {
                const QString last = QStringLiteral("Move%1-%2").arg(serial).arg(i);
                qint64 person = 0;
                qint64 link = 0;
                if (StoreError e = addPerson(last, QStringLiteral("Tagged"), person))
                    return failed("person", e);
                if (StoreError e = addLink(person, kMoveFrom, last, QStringLiteral("Tagged"), link))
                    return failed("link", e);
                links.push_back(link);
            }
            if (StoreError e = writes.commit())
                return failed("commit", e);
        }
        // Tagged as the names list tags them: by each link's record.
        Table &jnc = use[QStringLiteral("QKjnc")];
        people::TagStore &tags = people::TagStore::instance();
        tags.beginBatch();
        for (qint64 link : links) {
            jnc.record().clear();
            jnc.record().setInteger(field(jnc, "CTRL_NBR"), link);
            if (StoreError e = jnc.fetch(key(jnc, "CTRL_KEY")))
                return failed("link read", e);
            if (StoreError e = tags.setTag(people::TagTable::NameLinks, jnc.currentRid()))
                return failed("tag", e);
        }
        if (StoreError e = tags.endBatch())
            return failed("tags", e);
        out.numbers = {links.front(), links.back()};
        return true;
    }
    case Kind::Rename: {
        SetupWrites writes({QStringLiteral("QKnam"), QStringLiteral("QKjnc")});
        if (writes.failure())
            return failed("lock", writes.failure());
        qint64 person = 0;
        if (StoreError e = addLinkedPerson(QStringLiteral("Before%1").arg(serial), QStringLiteral("First"), person))
            return failed("person", e);
        if (StoreError e = writes.commit())
            return failed("commit", e);
        out.numbers = {person};
        return true;
    }
    case Kind::Import:
        out.prefix = QStringLiteral("I%1-").arg(serial);
        out.import = import;
        return true;
    }
    return false;
}

bool preparePersonDeletes(int count, std::vector<Identity> &out, QString &failure) {
    TableUse use(tableNames());
    SetupWrites writes(
        {QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem"), QStringLiteral("QKjnc")});
    if (StoreError e = writes.failure()) {
        failure = e.text;
        return false;
    }
    for (int serial = 0; serial < count; ++serial) {
        qint64 person = 0;
        StoreError e = addLinkedPerson(QStringLiteral("Gone%1").arg(serial), QStringLiteral("Person"), person);
        for (int i = 0; i < 3 && e.ok(); ++i)
            e = addOwned("QKfon", "NAM_CTRL", person, i);
        for (int i = 0; i < 2 && e.ok(); ++i)
            e = addOwned("QKmem", "NAM_CTRL", person, i);
        if (e) {
            failure = e.text;
            return false;
        }
        Identity c;
        c.kind = Kind::PersonDelete;
        c.numbers = {person};
        out.push_back(c);
    }
    if (StoreError e = writes.commit()) {
        failure = e.text;
        return false;
    }
    return true;
}

Outcome run(const Identity &c, CountingMessages &messages) {
    MessageService *previous = MessageService::setCurrent(&messages);
    const int boxesBefore = messages.shown;
    Outcome o;
    {
        TableUse use(tableNames());
        const qint64 n = c.numbers.empty() ? 0 : c.numbers.front();
        switch (c.kind) {
        case Kind::PersonDelete: {
            // The names list's delete of the highlighted person.
            QString stage;
            if (StoreError e = people::deletePersonWhole(n, &stage))
                o.failure = QStringLiteral("%1: %2").arg(stage, e.text);
            else
                o.done = true;
            break;
        }
        case Kind::CompanyDelete: {
            // The companies list's delete: the rule's cascade and the links.
            Table &cmp = use[QStringLiteral("QKcmp")];
            cmp.record().clear();
            cmp.record().setInteger(field(cmp, "CTRL_NBR"), n);
            if (StoreError e = cmp.fetch(key(cmp, "CTRL_KEY"))) {
                o.failure = e.text;
                break;
            }
            o.done = deleteRecordWith(cmp, {&use[QStringLiteral("QKjcg")]},
                                      [n] { return companies::deleteGroupLinks(n); }) == ChangeResult::Done;
            break;
        }
        case Kind::TaggedMove: {
            // The names list's "move tagged": the tagged links, then the
            // tags cleared.
            people::TagStore &tags = people::TagStore::instance();
            const std::vector<qint32> tagged =
                tags.taggedControlNumbers(people::TagTable::NameLinks, use[QStringLiteral("QKjnc")]);
            people::runMembership(people::MembershipOp::Move, static_cast<qint32>(kMoveTo), tagged);
            // The routine answers nothing: a move that failed says so in a
            // box. Clearing the tags afterwards is a change of its own,
            // with its own message when it fails.
            o.done = messages.shown == boxesBefore;
            tags.clearAllTags(people::TagTable::NameLinks, false);
            break;
        }
        case Kind::Rename: {
            // A new name typed into the person's form: the person is saved
            // with the links' copies of the name.
            Table &nam = use[QStringLiteral("QKnam")];
            nam.record().clear();
            nam.record().setInteger(field(nam, "CTRL_NBR"), n);
            if (StoreError e = nam.fetch(key(nam, "CTRL_KEY"))) {
                o.failure = e.text;
                break;
            }
            nam.watch();
            nam.record().setText(field(nam, "LNAME"), renamedLast(n));
            nam.record().setText(field(nam, "FNAME"), kRenamedFirst);
            o.done = changeRecordWith(nam, ConflictMessage::Short, {&use[QStringLiteral("QKjnc")]}, [n] {
                         return people::rewriteLinkNames(n, renamedLast(n), kRenamedFirst);
                     }) == ChangeResult::Done;
            break;
        }
        case Kind::Import: {
            exchange::ParsedContacts parsed = exchange::parseContacts(importCards(c.prefix, c.import.cards));
            if (static_cast<int>(parsed.contacts.size()) != c.import.cards) {
                o.failure = QStringLiteral("%1 cards read of %2").arg(parsed.contacts.size()).arg(c.import.cards);
                break;
            }
            exchange::ImportOptions options;
            options.batchSize = c.import.batch;
            const exchange::ImportSummary summary = exchange::importContacts(std::move(parsed.contacts), options);
            o.failure = summary.failure;
            o.done = summary.ok() && summary.peopleAdded == c.import.cards;
            break;
        }
        }
    }
    o.boxes = messages.shown - boxesBefore;
    MessageService::setCurrent(previous);
    return o;
}

QStringList findHalfStates(const QString &directory, const std::vector<Identity> &changes) {
    const Snapshot s = readSnapshot(directory);
    QStringList found = s.damage;
    // A change made after another was deleted whole may be given the same
    // numbers again (the next number is the highest plus one): checked once.
    std::set<QString> checked;
    for (const Identity &c : changes) {
        if (!checked.insert(c.line()).second)
            continue;
        const QString half = wholeness(s, c);
        if (!half.isEmpty())
            found << half;
    }
    found << orphans(s);
    return found;
}

bool landed(const QString &directory, const Identity &c) {
    const Snapshot s = readSnapshot(directory);
    const qint64 n = c.numbers.empty() ? 0 : c.numbers.front();
    switch (c.kind) {
    case Kind::PersonDelete:
        return !s.people.count(n);
    case Kind::CompanyDelete:
        return !s.companies.count(n);
    case Kind::TaggedMove:
        for (const auto &l : s.links) {
            if (l.number == n)
                return l.category == kMoveTo;
        }
        return false;
    case Kind::Rename: {
        const auto person = s.people.find(n);
        return person != s.people.end() && person->second.last == renamedLast(n);
    }
    case Kind::Import: {
        int people = 0;
        for (const auto &entry : s.people)
            people += entry.second.last.startsWith(c.prefix);
        return people == c.import.cards;
    }
    }
    return false;
}

std::vector<Identity> readIdentities(const QString &path) {
    std::vector<Identity> all;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return all;
    for (const QByteArray &line : file.readAll().split('\n')) {
        Identity c;
        if (Identity::parse(QString::fromUtf8(line), c))
            all.push_back(c);
    }
    return all;
}

bool appendIdentity(const QString &path, const Identity &c) {
    const QByteArray line = c.line().toUtf8() + '\n';
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, line.constData(), static_cast<size_t>(line.size())) == line.size();
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return written && synced;
}

} // namespace tabulo::test::cascades

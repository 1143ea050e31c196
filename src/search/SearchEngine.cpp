#include "search/SearchEngine.h"

#include "engine/FieldText.h"
#include "search/SearchText.h"
#include "store/Dictionary.h"
#include "store/Sqlite.h"
#include "store/Table.h"
#include "store/TableSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <map>
#include <optional>

#include <sys/stat.h>

namespace tabulo::search {

using store::TableDef;
using store::TableSchema;

namespace {

// Per kind, in HitKind order: the group heading and the word --find prints.
struct KindNames
{
    const char *title;
    const char *word;
};
constexpr KindNames kKindNames[kHitKinds] = {
    {"People", "person"}, {"Companies", "company"}, {"Notes", "note"}, {"Calls", "call"}, {"Just Phones", "phone"},
};

} // namespace

QString hitKindTitle(HitKind kind)
{
    return QString::fromLatin1(kKindNames[static_cast<int>(kind)].title);
}

QString hitKindWord(HitKind kind)
{
    return QString::fromLatin1(kKindNames[static_cast<int>(kind)].word);
}

int SearchResults::count(HitKind kind) const
{
    return static_cast<int>(std::count_if(hits.begin(), hits.end(), [kind](const SearchHit &h) { return h.kind == kind; }));
}

namespace {

constexpr int kNoteWindow = 90;    // characters of a note shown around its first match
constexpr int kWaitMs = 2000;      // how long a search waits for another station's write

// A searched file, attached to the engine's connection under a schema name.
struct Source
{
    const TableDef *def = nullptr;
    std::unique_ptr<TableSchema> schema;
    std::string name; // "nam"
    QString file;     // "QKNAM.db"
    QString path;
    bool attached = false;
    // The file attached: a repair that makes the file anew replaces it,
    // and the next search attaches the new one.
    dev_t device = 0;
    ino_t inode = 0;

    std::string column(const char *field) const
    {
        return TableSchema::fieldColumn(*def->field(QString::fromLatin1(field)));
    }
};

QString trimmedText(const store::sql::Statement &s, int column)
{
    return QString::fromStdString(s.text(column)).trimmed();
}

QString personTitle(const QString &last, const QString &first)
{
    if (first.isEmpty())
        return last;
    if (last.isEmpty())
        return first;
    return last + QStringLiteral(", ") + first;
}

QString shownNumber(const QString &digits)
{
    const bool ten = digits.size() == 10 && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
    return ten ? engine::showValue(QStringLiteral("@P(###) ###-####P"), digits) : digits;
}

// The part of a long text around its first match, on one line.
QString passage(const QString &text, const std::vector<SearchTerm> &terms)
{
    QString flat = text.simplified();
    const auto marks = findMarks(flat, terms);
    // A short text whole; a long one from a little before its first match.
    int start = marks.empty() || flat.size() <= kNoteWindow ? 0 : std::max(0, marks.front().first - kNoteWindow / 4);
    if (start > 0) {
        // From the start of a word.
        const int blank = static_cast<int>(flat.lastIndexOf(QLatin1Char(' '), start));
        start = blank < 0 ? 0 : blank + 1;
    }
    QString out = flat.mid(start, kNoteWindow);
    if (start > 0)
        out.prepend(QStringLiteral("..."));
    if (start + kNoteWindow < flat.size())
        out += QStringLiteral("...");
    return out;
}

// The fields of a record that the query matched, joined: what a hit shows.
QString matchedFields(const QStringList &fields, const std::vector<SearchTerm> &terms)
{
    QStringList shown;
    for (const QString &f : fields) {
        if (!f.isEmpty() && !findMarks(f, terms).empty())
            shown << f;
    }
    return shown.join(QStringLiteral("; "));
}

} // namespace

struct SearchEngine::Impl
{
    QString directory;
    sqlite3 *db = nullptr;
    // The connection as interrupt() sees it from another thread.
    std::atomic<sqlite3 *> running{nullptr};
    std::vector<Source> sources;
    std::atomic<int> interrupts{0};
    std::map<std::string, store::sql::Statement> statements;

    Source *source(const char *table)
    {
        for (Source &s : sources) {
            if (s.def->name == QLatin1String(table))
                return &s;
        }
        return nullptr;
    }

    store::sql::Statement &statement(const std::string &sql)
    {
        // A statement that failed to prepare (an index not there yet) is
        // prepared again the next time.
        auto it = statements.find(sql);
        if (it != statements.end() && !it->second.valid()) {
            statements.erase(it);
            it = statements.end();
        }
        if (it == statements.end())
            it = statements.emplace(sql, store::sql::Statement(db, sql)).first;
        store::sql::Statement &s = it->second;
        if (s.valid()) {
            sqlite3_reset(s.get());
            sqlite3_clear_bindings(s.get());
        }
        return s;
    }

    bool open()
    {
        if (db)
            return true;
        if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(db);
            db = nullptr;
            return false;
        }
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, kWaitMs);
        running.store(db);
        for (const TableDef &def : store::Dictionary::instance().tables()) {
            if (!def.searched())
                continue;
            Source s;
            s.def = &def;
            s.schema = std::make_unique<TableSchema>(def);
            s.name = def.prefix.toLower().toStdString();
            s.file = store::Table::fileNameFor(def);
            s.path = QDir(directory).filePath(s.file);
            sources.push_back(std::move(s));
        }
        return true;
    }

    // Attaches the files that exist (read-only); a file made later is
    // attached by a later search.
    void attach()
    {
        for (Source &s : sources) {
            struct stat info = {};
            const bool exists = ::stat(QFile::encodeName(s.path).constData(), &info) == 0;
            if (s.attached && (!exists || info.st_dev != s.device || info.st_ino != s.inode)) {
                statements.clear();
                store::sql::Statement detach(db, "DETACH DATABASE " + s.name);
                if (detach.valid())
                    detach.step();
                s.attached = false;
            }
            if (s.attached || !exists)
                continue;
            s.device = info.st_dev;
            s.inode = info.st_ino;
            const QString uri = QUrl::fromLocalFile(QFileInfo(s.path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                                + QStringLiteral("?mode=ro");
            store::sql::Statement attach(db, "ATTACH DATABASE ?1 AS " + s.name);
            attach.bind(1, uri.toStdString());
            s.attached = attach.valid() && attach.step() == SQLITE_DONE;
        }
    }

    bool indexReady(const Source &s)
    {
        std::map<std::string, std::string> present;
        store::sql::Statement list(db, "SELECT name,sql FROM " + s.name + ".sqlite_master WHERE name LIKE 's\\_%' ESCAPE '\\'");
        while (list.valid() && list.step() == SQLITE_ROW)
            present[list.text(0)] = list.text(1);
        for (const auto &[name, sql] : s.schema->search().objects) {
            auto it = present.find(name);
            if (it == present.end() || it->second != sql)
                return false;
        }
        return true;
    }

    // What went wrong with a statement on a source's file; false when all went well.
    bool failed(int rc, const Source &s, SearchResults &out)
    {
        if (rc == SQLITE_DONE || rc == SQLITE_ROW || rc == SQLITE_OK)
            return false;
        if ((rc & 0xff) == SQLITE_INTERRUPT) {
            out.interrupted = true;
            return true;
        }
        const QString what = s.file + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db));
        if (!out.failures.contains(what))
            out.failures << what;
        if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB) {
            out.damaged = true;
            out.damagedFile = s.file;
        }
        return true;
    }

    // Row ids of the source's records that match every term, up to `limit`:
    // first those whose words match, then those that match only through a
    // run of characters inside a number or an address.
    std::vector<qint64> matches(const Source &s, const std::vector<SearchTerm> &terms, int limit, SearchResults &out)
    {
        std::vector<qint64> rids;
        const auto &search = s.schema->search();
        auto run = [&](const std::string &sql, const std::vector<std::string> &params) {
            store::sql::Statement &q = statement(sql);
            int p = 1;
            for (const std::string &v : params)
                q.bind(p++, v);
            q.bind(p, static_cast<qint64>(limit + 1));
            int rc = q.valid() ? SQLITE_ROW : q.prepareCode();
            while (rc == SQLITE_ROW && static_cast<int>(rids.size()) <= limit) {
                rc = q.step();
                if (rc == SQLITE_ROW) {
                    const qint64 rid = q.int64(0);
                    if (std::find(rids.begin(), rids.end(), rid) == rids.end())
                        rids.push_back(rid);
                }
            }
            if (q.valid())
                sqlite3_reset(q.get());
            return !failed(rc, s, out);
        };
        if (search.words()) {
            if (!run("SELECT rowid FROM " + s.name + ".s_w WHERE s_w MATCH ?1 LIMIT ?2", {wordsExpression(terms)}))
                return rids;
        }
        const bool anywhere = std::any_of(terms.begin(), terms.end(), [](const SearchTerm &t) { return t.anywhere(); });
        if (!search.parts() || !anywhere || static_cast<int>(rids.size()) > limit)
            return rids;
        if (terms.size() == 1) {
            run("SELECT rowid FROM " + s.name + ".s_t WHERE s_t MATCH ?1 LIMIT ?2", {partsExpression(terms.front())});
            return rids;
        }
        // Several terms: each matches a word or, when long enough, a run.
        std::string sql;
        std::vector<std::string> params;
        for (const SearchTerm &t : terms) {
            std::string one;
            if (search.words()) {
                one = "SELECT rowid FROM " + s.name + ".s_w WHERE s_w MATCH ?" + std::to_string(params.size() + 1);
                params.push_back(wordsExpression({t}));
            }
            if (t.anywhere()) {
                one += std::string(one.empty() ? "" : " UNION ") + "SELECT rowid FROM " + s.name + ".s_t WHERE s_t MATCH ?"
                       + std::to_string(params.size() + 1);
                params.push_back(partsExpression(t));
            }
            sql += std::string(sql.empty() ? "" : " INTERSECT ") + "SELECT * FROM (" + one + ")";
        }
        run(sql + " LIMIT ?" + std::to_string(params.size() + 1), params);
        return rids;
    }

    // The record of a row id, its chosen columns read by one statement.
    bool row(const Source &s, qint64 rid, const std::vector<std::string> &columns, std::vector<QString> &values,
             SearchResults &out)
    {
        std::string list;
        for (const std::string &c : columns)
            list += (list.empty() ? "" : ",") + c;
        store::sql::Statement &q = statement("SELECT " + list + " FROM " + s.name + ".rec WHERE rid=?1");
        q.bind(1, rid);
        const int rc = q.valid() ? q.step() : q.prepareCode();
        if (rc != SQLITE_ROW) {
            failed(rc, s, out);
            return false;
        }
        values.clear();
        for (int i = 0; i < static_cast<int>(columns.size()); ++i)
            values.push_back(trimmedText(q, i));
        sqlite3_reset(q.get());
        return true;
    }

    // A person's or company's name by control number ("" when it is gone).
    QString ownerName(HitKind kind, qint64 ctrl, SearchResults &out)
    {
        Source *s = source(kind == HitKind::Person ? store::Tables::Nam : store::Tables::Cmp);
        if (!s || !s->attached || ctrl == 0)
            return {};
        const TableSchema::KeySchema &key = s->schema->key(*s->def->primaryKey());
        const std::string names = kind == HitKind::Person ? s->column("LNAME") + "," + s->column("FNAME") : s->column("NAME");
        store::sql::Statement &q = statement("SELECT " + names + " FROM " + s->name + ".rec WHERE " + s->column("CTRL_NBR")
                                             + "=?1" + (key.emptyCondition.empty() ? "" : " AND " + key.emptyCondition));
        q.bind(1, ctrl);
        const int rc = q.valid() ? q.step() : q.prepareCode();
        QString name;
        if (rc == SQLITE_ROW)
            name = kind == HitKind::Person ? personTitle(trimmedText(q, 0), trimmedText(q, 1)) : trimmedText(q, 0);
        else
            failed(rc, *s, out);
        if (q.valid())
            sqlite3_reset(q.get());
        return name;
    }
};

SearchEngine::SearchEngine(QString directory)
    : d(std::make_unique<Impl>())
{
    d->directory = std::move(directory);
}

SearchEngine::~SearchEngine()
{
    d->running.store(nullptr);
    d->statements.clear();
    if (d->db)
        sqlite3_close_v2(d->db);
}

void SearchEngine::interrupt()
{
    d->interrupts.fetch_add(1);
    if (sqlite3 *db = d->running.load())
        sqlite3_interrupt(db);
}

SearchResults SearchEngine::search(const QString &text, int perKind)
{
    SearchResults out;
    const int started = d->interrupts.load();
    const std::vector<SearchTerm> terms = parseQuery(text);
    if (terms.empty() || perKind <= 0)
        return out;
    if (!d->open()) {
        out.failures << QStringLiteral("the search cannot start");
        return out;
    }
    d->attach();
    std::array<std::vector<SearchHit>, kHitKinds> found;
    auto hitsOf = [&](HitKind k) -> std::vector<SearchHit> & { return found[static_cast<size_t>(k)]; };
    auto stopped = [&] {
        if (d->interrupts.load() != started)
            out.interrupted = true;
        return out.interrupted;
    };
    // The searched fields of a record but those its title shows.
    auto fieldsOf = [](const Source &s, const std::vector<std::string> &title) {
        std::vector<std::string> columns;
        for (int f : s.def->searchWords) {
            if (f == TableDef::kMemo)
                continue;
            const std::string c = TableSchema::fieldColumn(s.def->fields[static_cast<size_t>(f)]);
            if (std::find(title.begin(), title.end(), c) == title.end())
                columns.push_back(c);
        }
        return columns;
    };
    // A person or company found through one of its phone numbers joins its
    // hit found by name, if any.
    auto addOwned = [&](HitKind kind, qint64 ctrl, const QString &shown) {
        auto &hits = hitsOf(kind);
        auto it = std::find_if(hits.begin(), hits.end(), [ctrl](const SearchHit &h) { return h.ctrl == ctrl; });
        if (it == hits.end()) {
            SearchHit h;
            h.kind = kind;
            h.ctrl = ctrl;
            h.title = d->ownerName(kind, ctrl, out);
            h.matched = shown;
            hits.push_back(std::move(h));
        } else if (!it->matched.contains(shown)) {
            it->matched += (it->matched.isEmpty() ? QString() : QStringLiteral("; ")) + shown;
        }
    };

    for (Source &s : d->sources) {
        if (stopped())
            break;
        if (!s.attached)
            continue;
        if (!d->indexReady(s)) {
            out.missingIndex << s.file;
            continue;
        }
        const QString &table = s.def->name;
        const int limit = table == QLatin1String(store::Tables::Fon) ? perKind * 3 : perKind;
        const std::vector<qint64> rids = d->matches(s, terms, limit, out);
        std::vector<QString> v;
        if (table == QLatin1String(store::Tables::Nam) || table == QLatin1String(store::Tables::Cmp)) {
            const bool person = table == QLatin1String(store::Tables::Nam);
            const std::vector<std::string> title = person ? std::vector<std::string>{s.column("LNAME"), s.column("FNAME")}
                                                          : std::vector<std::string>{s.column("NAME")};
            std::vector<std::string> columns{s.column("CTRL_NBR")};
            columns.insert(columns.end(), title.begin(), title.end());
            const size_t firstSearched = columns.size();
            const auto searched = fieldsOf(s, title);
            columns.insert(columns.end(), searched.begin(), searched.end());
            for (qint64 rid : rids) {
                if (stopped() || !d->row(s, rid, columns, v, out))
                    break;
                SearchHit h;
                h.kind = person ? HitKind::Person : HitKind::Company;
                h.ctrl = v[0].toLongLong();
                h.title = person ? personTitle(v[1], v[2]) : v[1];
                QStringList fields;
                for (size_t i = firstSearched; i < v.size(); ++i)
                    fields << v[i];
                h.matched = matchedFields(fields, terms);
                hitsOf(h.kind).push_back(std::move(h));
            }
        } else if (table == QLatin1String(store::Tables::Mem)) {
            const std::vector<std::string> columns{s.column("CTRL_NBR"), s.column("NAM_CTRL"), s.column("CMP_CTRL"), "memo"};
            for (qint64 rid : rids) {
                if (stopped() || !d->row(s, rid, columns, v, out))
                    break;
                SearchHit h;
                h.kind = HitKind::Note;
                h.ctrl = v[0].toLongLong();
                h.ownerKind = v[1].toLongLong() != 0 ? HitKind::Person : HitKind::Company;
                h.ownerCtrl = h.ownerKind == HitKind::Person ? v[1].toLongLong() : v[2].toLongLong();
                h.title = d->ownerName(h.ownerKind, h.ownerCtrl, out);
                h.matched = passage(v[3], terms);
                hitsOf(HitKind::Note).push_back(std::move(h));
            }
        } else if (table == QLatin1String(store::Tables::Inc)) {
            const std::vector<std::string> columns{s.column("CTRL_NBR"), s.column("LASTNAME"), s.column("FIRSTNAME"),
                                                   s.column("COMPANY"),  s.column("SOURCE"),   s.column("NUMBER"),
                                                   s.column("FAXNUMBER"), "memo"};
            for (qint64 rid : rids) {
                if (stopped() || !d->row(s, rid, columns, v, out))
                    break;
                SearchHit h;
                h.kind = HitKind::Call;
                h.ctrl = v[0].toLongLong();
                h.title = personTitle(v[1], v[2]);
                if (h.title.isEmpty())
                    h.title = !v[3].isEmpty() ? v[3] : shownNumber(v[5]);
                h.matched = matchedFields({v[1], v[2], v[3], v[4], shownNumber(v[5]), shownNumber(v[6])}, terms);
                if (!findMarks(v[7].simplified(), terms).empty())
                    h.matched += (h.matched.isEmpty() ? QString() : QStringLiteral("; ")) + passage(v[7], terms);
                hitsOf(HitKind::Call).push_back(std::move(h));
            }
        } else if (table == QLatin1String(store::Tables::Fon)) {
            const std::vector<std::string> columns{s.column("CTRL_NBR"), s.column("NAM_CTRL"), s.column("CMP_CTRL"),
                                                   s.column("NUMBER"),   s.column("LOCATION"), s.column("NAME"),
                                                   s.column("JUSTPHONESNAME")};
            for (qint64 rid : rids) {
                if (stopped() || !d->row(s, rid, columns, v, out))
                    break;
                QString shown = shownNumber(v[3]);
                for (const QString &extra : {v[4], v[5]}) {
                    if (!extra.isEmpty())
                        shown += QStringLiteral(" ") + extra;
                }
                const qint64 person = v[1].toLongLong();
                const qint64 company = v[2].toLongLong();
                if (person != 0) {
                    addOwned(HitKind::Person, person, shown);
                } else if (company != 0) {
                    addOwned(HitKind::Company, company, shown);
                } else {
                    SearchHit h;
                    h.kind = HitKind::JustPhone;
                    h.ctrl = v[0].toLongLong();
                    h.title = v[6];
                    h.matched = shown;
                    hitsOf(HitKind::JustPhone).push_back(std::move(h));
                }
            }
        }
    }

    d->statements.clear();
    for (int k = 0; k < kHitKinds; ++k) {
        auto &hits = found[static_cast<size_t>(k)];
        if (static_cast<int>(hits.size()) > perKind) {
            out.more[static_cast<size_t>(k)] = true;
            hits.resize(static_cast<size_t>(perKind));
        }
        std::stable_sort(hits.begin(), hits.end(), [](const SearchHit &a, const SearchHit &b) {
            const int c = QString::compare(a.title, b.title, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.ctrl < b.ctrl;
        });
        for (SearchHit &h : hits) {
            h.marks = findMarks(h.matched, terms);
            h.titleMarks = findMarks(h.title, terms);
            out.hits.push_back(std::move(h));
        }
    }
    return out;
}

} // namespace tabulo::search

#include "store/TableSchema.h"

#include <algorithm>

namespace tabulo::store {

namespace {
const char *typeLetter(FieldType t)
{
    switch (t) {
    case FieldType::Long:
        return "L";
    case FieldType::Short:
        return "S";
    case FieldType::Byte:
        return "B";
    case FieldType::Text:
        return "T";
    case FieldType::Date:
        return "D";
    case FieldType::Time:
        return "M";
    case FieldType::Decimal:
        return "P";
    }
    return "?";
}
} // namespace

std::string TableSchema::fieldColumn(const FieldDef &field)
{
    return "f_" + field.name.toStdString();
}

std::string TableSchema::fold(std::string_view utf8)
{
    std::string out;
    foldInto(utf8, out);
    return out;
}

void TableSchema::foldInto(std::string_view utf8, std::string &out)
{
    // Plain ASCII folds by its capitals alone (Unicode's folding maps no
    // other ASCII character), without a trip through UTF-16.
    if (std::none_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        out.assign(utf8.data(), utf8.size());
        for (char &c : out) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return;
    }
    const QString folded = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toCaseFolded();
    utf8Into(folded, out);
}

TableSchema::TableSchema(const TableDef &def)
    : m_def(&def)
    , m_folded(def.fields.size())
    , m_negated(def.fields.size())
{
    // Which derived columns the keys need.
    for (const KeyDef &k : def.keys) {
        for (const KeyComponent &c : k.components) {
            const FieldDef &f = def.fields[static_cast<size_t>(c.field)];
            if (f.isText() && k.caseInsensitive)
                m_folded[static_cast<size_t>(c.field)] = "i_" + f.name.toStdString();
            if (c.descending)
                m_negated[static_cast<size_t>(c.field)] = "d_" + f.name.toStdString();
        }
    }

    m_signature = "tabulo-table 1;" + def.name.toStdString() + ";" + std::to_string(def.recordLength);
    for (const FieldDef &f : def.fields) {
        m_columns.emplace_back(fieldColumn(f), f.isText() ? "TEXT" : "INTEGER");
        m_signature += ";" + f.name.toStdString() + ":" + typeLetter(f.type) + std::to_string(f.width);
    }
    if (def.hasMemo()) {
        m_columns.emplace_back("memo", "TEXT");
        m_signature += ";memo:" + def.memoName.toStdString() + ":" + std::to_string(def.memoSize);
    }
    for (size_t i = 0; i < def.fields.size(); ++i) {
        if (!m_folded[i].empty())
            m_columns.emplace_back(m_folded[i], "TEXT");
        if (!m_negated[i].empty())
            m_columns.emplace_back(m_negated[i], "INTEGER");
    }

    m_selectList = "rid,ver";
    for (const FieldDef &f : def.fields)
        m_selectList += "," + fieldColumn(f);
    if (def.hasMemo())
        m_selectList += ",memo";

    std::string names;
    std::string params;
    std::string sets;
    for (const auto &[column, type] : m_columns) {
        names += (names.empty() ? "" : ",") + column;
        params += params.empty() ? "?" : ",?";
        sets += (sets.empty() ? "" : ",") + column + "=?";
    }
    m_insertSql = "INSERT INTO rec(ver," + names + ") VALUES(1," + params + ")";
    m_updateSql = "UPDATE rec SET ver=ver+1," + sets + " WHERE rid=?";
    m_updateWatchedSql = m_updateSql + " AND ver=?";

    for (const KeyDef &k : def.keys) {
        KeySchema ks;
        ks.key = &k;
        ks.indexName = "k_" + k.name.toStdString();
        std::string cols;
        std::string empty;
        for (const KeyComponent &c : k.components) {
            const FieldDef &f = def.fields[static_cast<size_t>(c.field)];
            KeyColumn kc;
            kc.field = c.field;
            if (c.descending) {
                kc.kind = Kind::Negated;
                kc.column = m_negated[static_cast<size_t>(c.field)];
            } else if (f.isText() && k.caseInsensitive) {
                kc.kind = Kind::Folded;
                kc.column = m_folded[static_cast<size_t>(c.field)];
            } else {
                kc.column = fieldColumn(f);
            }
            ks.columns.push_back(kc);
            cols += (cols.empty() ? "" : ",") + kc.column;
            empty += (empty.empty() ? "" : " OR ") + fieldColumn(f) + (f.isText() ? "<>''" : "<>0");
            ks.orderDesc += kc.column + " DESC,";
        }
        ks.tuple = "(" + cols + ")";
        ks.tupleRid = "(" + cols + ",rid)";
        ks.orderAsc = cols + ",rid";
        ks.orderDesc += "rid DESC";
        if (k.excludesEmpty)
            ks.emptyCondition = "(" + empty + ")";
        if (k.onlyWhereField >= 0) {
            const FieldDef &f = def.fields[static_cast<size_t>(k.onlyWhereField)];
            const std::string only = fieldColumn(f) + "=" + (f.isText() ? std::string("''") : std::to_string(k.onlyWhereValue));
            ks.emptyCondition = ks.emptyCondition.empty() ? "(" + only + ")"
                                                          : "(" + ks.emptyCondition + " AND " + only + ")";
        }
        ks.createSql = std::string(k.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + ks.indexName + " ON rec("
                       + cols + ")" + (ks.emptyCondition.empty() ? std::string() : " WHERE " + ks.emptyCondition);
        if (k.countedByFirst)
            makeCounts(ks);
        m_keys.push_back(ks);
    }
    makeSearch();
}

const TableSchema::SearchSchema::Index *TableSchema::SearchSchema::words() const
{
    for (const Index &i : indexes) {
        if (i.table == "s_w")
            return &i;
    }
    return nullptr;
}

const TableSchema::SearchSchema::Index *TableSchema::SearchSchema::parts() const
{
    for (const Index &i : indexes) {
        if (i.table == "s_t")
            return &i;
    }
    return nullptr;
}

void TableSchema::makeSearch()
{
    auto columnsOf = [&](const std::vector<int> &fields) {
        std::vector<std::string> out;
        for (int f : fields)
            out.push_back(f == TableDef::kMemo ? std::string("memo") : fieldColumn(m_def->fields[static_cast<size_t>(f)]));
        return out;
    };
    auto make = [&](const char *name, const std::vector<int> &fields, const char *options) {
        if (fields.empty())
            return;
        SearchSchema::Index index;
        index.table = name;
        index.columns = columnsOf(fields);
        std::string list;
        std::string values;
        std::string oldValues;
        std::string changed;
        for (const std::string &c : index.columns) {
            list += "," + c;
            values += ",NEW." + c;
            oldValues += ",OLD." + c;
            changed += (changed.empty() ? "" : " OR ") + ("OLD." + c + " IS NOT NEW." + c);
        }
        const std::string n = index.table;
        const std::string add = "INSERT INTO " + n + "(rowid" + list + ") VALUES(NEW.rid" + values + ");";
        const std::string take = "INSERT INTO " + n + "(" + n + ",rowid" + list + ") VALUES('delete',OLD.rid" + oldValues + ");";
        index.fillSql = "INSERT INTO " + n + "(rowid" + list + ") SELECT rid" + list + " FROM rec WHERE rid>?1 AND rid<=?2";
        // A record added while the index is deferred (its row id above the
        // mark) joins it when the writer catches up, in the same transaction.
        const std::string now = "NOT EXISTS(SELECT 1 FROM s_defer WHERE ";
        m_search.objects.emplace_back(n, "CREATE VIRTUAL TABLE " + n + " USING fts5(" + list.substr(1)
                                              + ",content='rec',content_rowid='rid'," + options + ")");
        m_search.objects.emplace_back(n + "_add", "CREATE TRIGGER " + n + "_add AFTER INSERT ON rec WHEN " + now
                                                      + "NEW.rid>from_rid) BEGIN " + add + " END");
        m_search.objects.emplace_back(n + "_take", "CREATE TRIGGER " + n + "_take AFTER DELETE ON rec WHEN " + now
                                                       + "OLD.rid>from_rid) BEGIN " + take + " END");
        m_search.objects.emplace_back(n + "_move", "CREATE TRIGGER " + n + "_move AFTER UPDATE OF " + list.substr(1)
                                                       + " ON rec WHEN (" + changed + ") AND " + now
                                                       + "OLD.rid>from_rid) BEGIN " + take + add + " END");
        for (const char *what : {"_add", "_take", "_move"})
            m_search.dropSql.push_back("DROP TRIGGER IF EXISTS " + n + what);
        m_search.dropSql.push_back("DROP TABLE IF EXISTS " + n);
        m_search.indexes.push_back(std::move(index));
    };
    if (m_def->searchWords.empty() && m_def->searchParts.empty())
        return;
    // The mark of a deferred index (see Table::deferIndexUpkeep): no row
    // outside a writer's transaction.
    m_search.objects.emplace_back("s_defer", "CREATE TABLE s_defer(from_rid INTEGER NOT NULL)");
    make("s_w", m_def->searchWords, "tokenize='unicode61 remove_diacritics 2',prefix='1 2'");
    make("s_t", m_def->searchParts, "tokenize='trigram'");
    m_search.dropSql.push_back("DROP TABLE IF EXISTS s_defer");
}

void TableSchema::makeCounts(KeySchema &ks) const
{
    // A row counts when the key holds it: the key's empty-entry rule,
    // written over NEW or OLD.
    const std::string &first = ks.columns.front().column;
    ks.countsTable = "n_" + ks.key->name.toStdString();
    auto holds = [&](const char *row) {
        std::string cond;
        if (ks.key->excludesEmpty) {
            for (const KeyComponent &c : ks.key->components) {
                const FieldDef &f = m_def->fields[static_cast<size_t>(c.field)];
                cond += (cond.empty() ? "" : " OR ") + std::string(row) + "." + fieldColumn(f)
                        + (f.isText() ? "<>''" : "<>0");
            }
            cond = "(" + cond + ")";
        }
        if (ks.key->onlyWhereField >= 0) {
            const FieldDef &f = m_def->fields[static_cast<size_t>(ks.key->onlyWhereField)];
            cond += (cond.empty() ? "" : " AND ") + std::string(row) + "." + fieldColumn(f) + "="
                    + (f.isText() ? std::string("''") : std::to_string(ks.key->onlyWhereValue));
        }
        return cond.empty() ? std::string("1") : "(" + cond + ")";
    };
    const std::string &n = ks.countsTable;
    const std::string add = "INSERT INTO " + n + "(v,n) SELECT NEW." + first + ",1 WHERE " + holds("NEW")
                            + " ON CONFLICT(v) DO UPDATE SET n=n+1;";
    const std::string take = "UPDATE " + n + " SET n=n-1 WHERE v=OLD." + first + " AND " + holds("OLD") + ";";
    std::string watched;
    for (const KeyComponent &c : ks.key->components) {
        if (!watched.empty())
            watched += ',';
        watched += fieldColumn(m_def->fields[static_cast<size_t>(c.field)]);
    }
    if (ks.key->onlyWhereField >= 0)
        watched += "," + fieldColumn(m_def->fields[static_cast<size_t>(ks.key->onlyWhereField)]);
    watched += "," + first;
    // Only the rows after the mark, found by row id: left to itself SQLite
    // reads the whole key for its order, a cost that grows with the file.
    ks.countsCatchUpSql = "INSERT INTO " + n + "(v,n) SELECT " + first + ",count(*) FROM rec NOT INDEXED WHERE rid>?1"
                          + (ks.emptyCondition.empty() ? std::string() : " AND " + ks.emptyCondition) + " GROUP BY "
                          + first + " ON CONFLICT(v) DO UPDATE SET n=n+excluded.n";
    ks.countsCreateSql = {
        "CREATE TABLE " + n + "(v PRIMARY KEY,n INTEGER NOT NULL) WITHOUT ROWID",
        "CREATE TRIGGER " + n + "_add AFTER INSERT ON rec BEGIN " + add + " END",
        "CREATE TRIGGER " + n + "_take AFTER DELETE ON rec BEGIN " + take + " END",
        "CREATE TRIGGER " + n + "_move AFTER UPDATE OF " + watched + " ON rec WHEN OLD." + first + " IS NOT NEW."
            + first + " OR " + holds("OLD") + " IS NOT " + holds("NEW") + " BEGIN " + take + add + " END",
        "INSERT INTO " + n + "(v,n) SELECT " + first + ",count(*) FROM rec"
            + (ks.emptyCondition.empty() ? std::string() : " WHERE " + ks.emptyCondition) + " GROUP BY " + first,
    };
}

std::vector<std::string> TableSchema::createStatements() const
{
    std::string table = "CREATE TABLE rec(rid INTEGER PRIMARY KEY AUTOINCREMENT,ver INTEGER NOT NULL";
    for (const auto &[column, type] : m_columns)
        table += "," + column + " " + type + " NOT NULL DEFAULT " + (type == "TEXT" ? "''" : "0");
    table += ")";
    std::vector<std::string> out{
        "CREATE TABLE meta(name TEXT PRIMARY KEY NOT NULL,value TEXT NOT NULL)",
        table,
    };
    for (const KeySchema &k : m_keys) {
        out.push_back(k.createSql);
        out.insert(out.end(), k.countsCreateSql.begin(), k.countsCreateSql.end());
    }
    for (const auto &[name, sql] : m_search.objects)
        out.push_back(sql);
    return out;
}

int TableSchema::bindStored(sql::Statement &stmt, const Record &record) const
{
    int p = 1;
    const auto &fields = m_def->fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].isText())
            stmt.bind(p++, std::string_view(record.utf8(static_cast<int>(i))));
        else
            stmt.bind(p++, record.integer(static_cast<int>(i)));
    }
    if (m_def->hasMemo())
        stmt.bind(p++, std::string_view(record.memoUtf8()));
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!m_folded[i].empty())
            stmt.bind(p++, fold(record.utf8(static_cast<int>(i))));
        if (!m_negated[i].empty())
            stmt.bind(p++, -record.integer(static_cast<int>(i)));
    }
    return p;
}

int TableSchema::bindStoredInPlace(sql::Statement &stmt, const Record &record, std::span<std::string> folded,
                                   int first) const
{
    foldStored(record, folded);
    return bindStoredFolded(stmt, record, folded, first);
}

void TableSchema::foldStored(const Record &record, std::span<std::string> folded) const
{
    const auto &fields = m_def->fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!m_folded[i].empty())
            foldInto(record.utf8(static_cast<int>(i)), folded[i]);
    }
}

int TableSchema::bindStoredFolded(sql::Statement &stmt, const Record &record, std::span<const std::string> folded,
                                  int first) const
{
    int p = first;
    const auto &fields = m_def->fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].isText())
            stmt.bindStatic(p++, record.utf8(static_cast<int>(i)));
        else
            stmt.bind(p++, record.integer(static_cast<int>(i)));
    }
    if (m_def->hasMemo())
        stmt.bindStatic(p++, record.memoUtf8());
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!m_folded[i].empty())
            stmt.bindStatic(p++, folded[i]);
        if (!m_negated[i].empty())
            stmt.bind(p++, -record.integer(static_cast<int>(i)));
    }
    return p;
}

sql::Value TableSchema::keyValue(const Record &record, const KeyColumn &column)
{
    const FieldDef &f = record.def().fields[static_cast<size_t>(column.field)];
    if (f.isText())
        return column.kind == Kind::Folded ? fold(record.utf8(column.field)) : record.utf8(column.field);
    const qint64 v = record.integer(column.field);
    return column.kind == Kind::Negated ? -v : v;
}

sql::Value TableSchema::keyValue(const FieldDef &field, const sql::Value &raw, Kind kind)
{
    if (field.isText()) {
        const std::string *s = std::get_if<std::string>(&raw);
        std::string text = s ? fitText(*s, field.width) : std::to_string(std::get<qint64>(raw));
        return kind == Kind::Folded ? fold(text) : text;
    }
    qint64 v = 0;
    if (const auto *i = std::get_if<qint64>(&raw))
        v = *i;
    else
        v = QString::fromStdString(std::get<std::string>(raw)).trimmed().toLongLong();
    return kind == Kind::Negated ? -v : v;
}

} // namespace tabulo::store

#pragma once

#include "store/Dictionary.h"
#include "store/Record.h"
#include "store/Sqlite.h"

#include <span>
#include <string>
#include <vector>

namespace tabulo::store {

// How a table's layout is laid out in its SQLite file, derived from the
// dictionary. Each field is a column; a text field used by a
// case-insensitive key also keeps a case-folded copy, and a numeric field
// used as a descending key component keeps its negation, so that every key
// is a plain ascending index and keyset reads compare one row value.
class TableSchema final
{
public:
    enum class Kind { Raw, Folded, Negated };
    struct KeyColumn
    {
        std::string column;
        int field = 0;
        Kind kind = Kind::Raw;
    };
    struct KeySchema
    {
        const KeyDef *key = nullptr;
        std::string indexName;
        std::vector<KeyColumn> columns;
        std::string emptyCondition; // SQL term excluding empty entries, "" when the key keeps them
        std::string createSql;
        std::string orderAsc;  // "c1,c2,rid"
        std::string orderDesc; // "c1 DESC,c2 DESC,rid DESC"
        std::string tuple;     // "(c1,c2)"
        std::string tupleRid;  // "(c1,c2,rid)"
        // Running counts per first-component value ("" when the key keeps
        // none): the table, and the statements that make and fill it and
        // the triggers that keep it right whichever program writes.
        std::string countsTable;
        std::vector<std::string> countsCreateSql;
        // Adds the records after row ?1 to the counts at once (the records
        // a writer added while the triggers were off).
        std::string countsCatchUpSql;
    };

    // The search index: FTS5 tables over the record table's own columns
    // (external content, so the words are not stored twice), kept by
    // triggers in the same transaction as every write, whichever program
    // writes. `words` searches words by prefix with accents and case
    // ignored; `parts` any run of three or more characters.
    struct SearchSchema
    {
        struct Index
        {
            std::string table;               // "s_w", "s_t"
            std::vector<std::string> columns; // record columns indexed
            std::string fillSql;             // binds the rid range (?1, ?2]
        };
        std::vector<Index> indexes;
        // Every object of the index by name, with the SQL that makes it, in
        // the order they are made.
        std::vector<std::pair<std::string, std::string>> objects;
        std::vector<std::string> dropSql;
        bool declared() const { return !indexes.empty(); }
        const Index *words() const;
        const Index *parts() const;
    };

    explicit TableSchema(const TableDef &def);

    const TableDef &def() const { return *m_def; }
    const std::vector<KeySchema> &keys() const { return m_keys; }
    const KeySchema &key(const KeyDef &k) const { return m_keys[static_cast<size_t>(k.index)]; }
    const SearchSchema &search() const { return m_search; }

    // The statements that create the file's tables and indexes.
    std::vector<std::string> createStatements() const;
    // A fingerprint of the declared layout, kept in the file.
    const std::string &signature() const { return m_signature; }
    // Column names and SQL types in the order the file must have them.
    const std::vector<std::pair<std::string, std::string>> &columns() const { return m_columns; }

    // "rid, ver, <fields>, <memo>": the columns a read selects, in that order.
    const std::string &selectList() const { return m_selectList; }
    int firstFieldColumn() const { return 2; }
    int memoColumn() const { return 2 + static_cast<int>(m_def->fields.size()); }
    int selectedColumnCount() const { return memoColumn() + (m_def->hasMemo() ? 1 : 0); }

    // Writes: INSERT binds the stored columns in order; UPDATE binds them,
    // then rid (and the version when the record is watched).
    const std::string &insertSql() const { return m_insertSql; }
    const std::string &updateSql() const { return m_updateSql; }
    const std::string &updateWatchedSql() const { return m_updateWatchedSql; }
    // Binds every stored column of the record, starting at parameter 1;
    // returns the next free parameter index.
    int bindStored(sql::Statement &stmt, const Record &record) const;
    // The same without copying, from parameter `first` on: the record's text
    // is bound where it lies and the folded copies are made into `folded`
    // (one string per field, storage reused from write to write). The
    // record and `folded` must stay unchanged until the statement is reset.
    int bindStoredInPlace(sql::Statement &stmt, const Record &record, std::span<std::string> folded,
                          int first = 1) const;
    // The folded copies alone, made beforehand (on another thread than the
    // one that binds them), and the binding of a record whose copies are made.
    void foldStored(const Record &record, std::span<std::string> folded) const;
    int bindStoredFolded(sql::Statement &stmt, const Record &record, std::span<const std::string> folded,
                         int first = 1) const;

    // The value a key column holds for the record.
    static sql::Value keyValue(const Record &record, const KeyColumn &column);
    // The value a key column holds for a raw field value.
    static sql::Value keyValue(const FieldDef &field, const sql::Value &raw, Kind kind);

    static std::string fold(std::string_view utf8);
    // The folded text into `out`, reusing its storage.
    static void foldInto(std::string_view utf8, std::string &out);
    // The column that holds a field ("f_LNAME").
    static std::string fieldColumn(const FieldDef &field);

private:
    void makeCounts(KeySchema &ks) const;
    void makeSearch();

    const TableDef *m_def;
    std::vector<KeySchema> m_keys;
    SearchSchema m_search;
    std::vector<std::pair<std::string, std::string>> m_columns;
    std::vector<std::string> m_folded;  // per field, folded column or ""
    std::vector<std::string> m_negated; // per field, negated column or ""
    std::string m_signature;
    std::string m_selectList;
    std::string m_insertSql;
    std::string m_updateSql;
    std::string m_updateWatchedSql;
};

} // namespace tabulo::store

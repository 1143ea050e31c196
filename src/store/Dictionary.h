#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace tabulo::store {

// Value types of the record layout.
enum class FieldType {
    Long,    // 32-bit signed integer
    Short,   // 16-bit signed integer
    Byte,    // 8-bit unsigned integer
    Text,    // fixed-width, blank-padded text of `width` characters
    Date,    // day number since Sunday 28 December 1800, 0 = no date
    Time,    // hundredths of a second since midnight plus one, 0 = no time
    Decimal, // packed decimal of `width` digits, no fraction digits
};

struct FieldDef {
    QString name;  // "LNAME"
    QString label; // "NAM:LNAME"
    FieldType type = FieldType::Long;
    int width = 0;  // characters for text, digits for decimal
    int size = 0;   // bytes in the record layout
    int offset = 0; // byte position in the record layout

    bool isText() const { return type == FieldType::Text; }
    qint64 minValue() const;
    qint64 maxValue() const;
};

struct KeyComponent {
    int field = 0; // index into TableDef::fields
    bool descending = false;
};

struct KeyDef {
    QString name;        // "CAT_KEY"
    QString label;       // "CAT:CAT_KEY"
    QString messageName; // as the duplicate-key message names it: "CAT:cat_key", "zip:zip_key"
    std::vector<KeyComponent> components;
    bool unique = false;
    bool caseInsensitive = false;
    bool excludesEmpty = false;
    bool primary = false;
    // The file keeps a running count of the key's entries per value of its
    // first component, so a list ranging over one value counts at once.
    bool countedByFirst = false;
    // A key this program adds to the table's declared ones: a file without
    // it gets it when opened, and its absence is no damage.
    bool added = false;
    // The key holds only records whose field `onlyWhereField` (an index into
    // TableDef::fields, -1 for none) equals `onlyWhereValue`, or is blank
    // for a text field: a short key over the few records a list or a
    // repair looks for ("calls not returned").
    int onlyWhereField = -1;
    qint64 onlyWhereValue = 0;
    int index = 0; // position in TableDef::keys
};

struct TableDef {
    QString name;     // "QKnam"
    QString prefix;   // "NAM"
    QString fileName; // "QKNAM" (the store adds its extension) or "TagFile_.TPS"
    int recordLength = 0;
    std::vector<FieldDef> fields;
    QString memoName; // "" when the table has no memo
    int memoSize = 0;
    std::vector<KeyDef> keys;
    // The search index the file keeps beside the keys: fields searched by
    // their words (each a prefix, accents and case ignored), and fields
    // searched by any run of their characters (numbers, e-mail addresses).
    // kMemo stands for the memo. Both empty: the table is not searched.
    static constexpr int kMemo = -1;
    std::vector<int> searchWords;
    std::vector<int> searchParts;
    int index = 0; // position in the dictionary

    bool searched() const { return !searchWords.empty() || !searchParts.empty(); }

    bool hasMemo() const { return memoSize > 0; }
    // Case-insensitive lookups by bare name ("lname") or label ("nam:lname").
    int fieldIndex(const QString &name) const;
    const FieldDef *field(const QString &name) const;
    const KeyDef *key(const QString &name) const;
    const KeyDef *primaryKey() const;
};

// The data dictionary: every table of the system, declared once as data.
// Record buffers, the file schema and lookups by name all derive from it.
class Dictionary final {
public:
    static const Dictionary &instance();

    const std::vector<TableDef> &tables() const { return m_tables; }
    // By table name ("QKnam") or prefix ("NAM"), case-insensitively.
    const TableDef *table(const QString &nameOrPrefix) const;
    const TableDef &table(int index) const { return m_tables.at(static_cast<size_t>(index)); }

    struct FieldRef {
        const TableDef *table = nullptr;
        int field = -1;
        explicit operator bool() const { return table != nullptr; }
    };
    // A field by its label, case-insensitively: "jnc:cat_ctrl", "NAM:LNAME".
    FieldRef findField(const QString &label) const;
    // A key by its label, case-insensitively: "CAT:cat_key".
    const KeyDef *findKey(const QString &label, const TableDef **owner = nullptr) const;

private:
    Dictionary();
    std::vector<TableDef> m_tables;
};

// Frequently used tables by name, so callers need not spell strings.
namespace Tables {
inline constexpr const char *Nam = "QKnam";
inline constexpr const char *Cmp = "QKcmp";
inline constexpr const char *Fon = "QKfon";
inline constexpr const char *Mem = "QKmem";
inline constexpr const char *Cat = "QKcat";
inline constexpr const char *Jnc = "QKjnc";
inline constexpr const char *Grp = "QKgrp";
inline constexpr const char *Jcg = "QKjcg";
inline constexpr const char *Zip = "QKzip";
inline constexpr const char *Set = "QKset";
inline constexpr const char *Dat = "QKdat";
inline constexpr const char *Inc = "QKinc";
inline constexpr const char *TagFile = "TagFile_";
inline constexpr const char *TagFileP = "TagFileP";
} // namespace Tables

// A table of the dictionary by its name ("QKfon"); the name must be one.
inline const TableDef &tableDef(const char *name) {
    return *Dictionary::instance().table(QString::fromLatin1(name));
}

} // namespace tabulo::store

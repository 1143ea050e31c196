#include "store/Dictionary.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace tabulo::store {

namespace {

using enum FieldType;

// Declaration helpers. A key's components are written "FIELD" or "FIELD-"
// (descending); its properties as letters: U unique, C case-insensitive,
// E excludes empty entries, P primary, A "rule A". Rule A keys are
// case-insensitive and keep empty entries, so that a name beginning with a
// small letter sorts among the capitals and the alphabet jump finds it.
// X: a key this program adds to the declared ones (made when a file lacks
// it). N: the file counts the key's entries per value of the first component
// (the category a list shows), kept up to date by the file itself.
struct FieldDecl
{
    const char *name;
    FieldType type;
    int width = 0;
};

struct KeyDecl
{
    const char *name;
    const char *components;
    const char *properties;
    // "FIELD=number" (or "FIELD=''" for a text field): the key holds only the
// records with that value.
    const char *onlyWhere = "";
};

struct TableDecl
{
    const char *name;
    const char *prefix;
    const char *file;
    int recordLength;
    std::vector<FieldDecl> fields;
    std::vector<KeyDecl> keys;
    const char *memo = "";
    int memoSize = 0;
    // Duplicate-key messages name the key with this prefix ("CAT:cat_key",
    // but "zip:zip_key"); empty means the prefix in small letters.
    const char *messagePrefix = "";
};

std::vector<TableDecl> declarations()
{
    return {
        {"QKnam", "NAM", "QKNAM", 197,
         {{"CTRL_NBR", Long}, {"LNAME", Text, 16}, {"FNAME", Text, 14}, {"ADDR1", Text, 30},
          {"ADDR2", Text, 30}, {"CITY", Text, 30}, {"STATE", Text, 2}, {"ZIP", Text, 5},
          {"DOB", Date}, {"EMAILADDRESS", Text, 30}, {"COUNTRY", Text, 20}, {"CMP_CTRL", Long},
          {"FON_CTRL", Long}, {"ZIP_CTRL", Long}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"LNAME_KEY", "LNAME,FNAME", "A"},
          {"CMP_CTRL_KEY", "CMP_CTRL", "A"}}},
        {"QKcmp", "CMP", "QKCMP", 266,
         {{"CTRL_NBR", Long}, {"NAME", Text, 35}, {"BUSINESS", Text, 40}, {"ADDR1", Text, 30},
          {"ADD2", Text, 15}, {"CITY", Text, 30}, {"STATE", Text, 2}, {"ZIP", Text, 5},
          {"COUNTRY", Text, 20}, {"EMAILADDRESS", Text, 30}, {"NOTES", Short}, {"FON_CTRL", Long},
          {"NAM_CTRL", Long}, {"WEBADDRESS", Text, 45}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"NAME_KEY", "NAME", "A"},
          {"NAM_CTRL_KEY", "NAM_CTRL,NAME", "CE"},
          {"WEBADDRESS_KEY", "WEBADDRESS", "CE"}}},
        {"QKfon", "FON", "QKFON", 121,
         {{"CTRL_NBR", Long}, {"LOCATION", Text, 25}, {"NAME", Text, 25}, {"NUMBER", Text, 14},
          {"AREA", Text, 3}, {"EXT", Text, 6}, {"NAM_CTRL", Long}, {"CMP_CTRL", Long},
          {"JUSTPHONESBYTE", Byte}, {"JUSTPHONESNAME", Text, 35}},
         {{"CTRL_KEY", "CTRL_NBR", "UPA"},
          {"ALL_KEY", "JUSTPHONESNAME,LOCATION", "CE"},
          {"NAM_CTRL_KEY", "NAM_CTRL,LOCATION", "A"},
          {"CMP_CTRL_KEY", "CMP_CTRL,LOCATION,NAME", "CE"},
          {"NUMBER_KEY", "NUMBER", "CE"},
          {"JUSTPHONES_NAMES_KEY", "JUSTPHONESBYTE,JUSTPHONESNAME", "CE"},
          {"JUSTPHONES_NUMBER_KEY", "JUSTPHONESBYTE,NUMBER", "CE"},
          // The numbers still without a display name: what the just-phones
          // repair looks for, few once it has run.
          {"UNNAMED_KEY", "JUSTPHONESBYTE,NAM_CTRL,CMP_CTRL", "X", "JUSTPHONESNAME=''"}}},
        {"QKmem", "MEM", "QKMEM", 22,
         {{"CTRL_NBR", Long}, {"NAM_CTRL", Long}, {"CMP_CTRL", Long}, {"DATE", Date}, {"UPDATE", Date},
          {"ORDER", Short}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"NAM_CTRL_KEY", "NAM_CTRL,DATE-", "A"},
          {"CMP_CTRL_KEY", "CMP_CTRL,DATE-", "CE"}},
         "MEMO", 2000},
        {"QKcat", "CAT", "QKCAT", 34,
         {{"CTRL_NBR", Long}, {"CATEGORY", Text, 30}},
         {{"CTRL_KEY", "CTRL_NBR", "UA"},
          {"CAT_KEY", "CATEGORY", "UCE"}},
         "", 0, "CAT"},
        {"QKjnc", "JNC", "QKJNC", 42,
         {{"CTRL_NBR", Long}, {"FNAME", Text, 14}, {"LNAME", Text, 16}, {"NAM_CTRL", Long},
          {"CAT_CTRL", Long}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"NAM_CTRL_KEY", "NAM_CTRL,CAT_CTRL", "UCE"},
          {"CAT_CTRL_KEY", "CAT_CTRL,LNAME,FNAME", "AN"}}},
        {"QKgrp", "GRP", "QKGRP", 41,
         {{"CTRL_NBR", Decimal, 11}, {"GROUP", Text, 35}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"GROUP_KEY", "GROUP", "UCE"}}},
        {"QKjcg", "JCG", "QKJCG", 47,
         {{"CTRL_NBR", Long}, {"COMPANY", Text, 35}, {"CMP_CTRL", Long}, {"GRP_CTRL", Long}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"CMP_CTRL_KEY", "CMP_CTRL,GRP_CTRL", "A"},
          {"GRP_CTRL_KEY", "GRP_CTRL,COMPANY", "AN"}}},
        {"QKzip", "ZIP", "QKZIP", 41,
         {{"CTRL_NBR", Long}, {"CITY", Text, 30}, {"ZIP", Text, 5}, {"STATE", Text, 2}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"DUPECITYKEY", "CITY", "CE"},
          {"CITY_KEY", "CITY,ZIP", "CE"},
          {"STATE_KEY", "STATE,CITY,ZIP", "CE"},
          {"ZIP_KEY", "ZIP", "UCE"}}},
        {"QKset", "SET", "QKSET", 51,
         {{"MADEFOR", Text, 20}, {"STATE", Text, 2}, {"COUNTRY", Text, 20}, {"AREACODE", Text, 3},
          {"DIALPREFIX", Byte}, {"DIALAREACODE", Byte}, {"COM", Text, 1}, {"ANNLEAD", Byte},
          {"DATPOPUP", Byte}, {"POPCHECKED", Byte}},
         {}},
        {"QKdat", "DAT", "QKDAT", 109,
         {{"CTRL_NBR", Long}, {"DATE", Date}, {"EVENT", Text, 65}, {"LEADDAYS", Byte},
          {"NAM_CTRL", Long}, {"TYPE", Text, 7}, {"WEEK", Byte}, {"WEEKDAY", Text, 9},
          {"DAYDATE", Byte}, {"LASTDAY", Byte}, {"LASTDAYNAME", Byte}, {"FLOATINGHOLIDAY", Byte},
          {"MONTH", Text, 9}, {"NUMBEROFDAYS", Byte}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"NAM_DATE_KEY", "NAM_CTRL,DATE,EVENT", "CE"},
          {"YEARDATE_KEY", "TYPE,EVENT,DATE", "CE"},
          {"MONTHDATE_KEY", "TYPE,EVENT,DAYDATE", "CE"},
          {"WEEKDATE_KEY", "TYPE,EVENT,WEEK,WEEKDAY", "CE"},
          {"EVENT_KEY", "EVENT", "CE"},
          {"DATE_KEY", "DATE,EVENT", "CE"},
          {"TYPE_KEY", "TYPE", "CE"}},
         "NOTE", 2000},
        {"QKinc", "INC", "QKINC", 157,
         {{"CTRL_NBR", Long}, {"CMPID", Long}, {"SOURCE", Text, 25}, {"FIRSTNAME", Text, 15},
          {"LASTNAME", Text, 18}, {"NUMBER", Text, 14}, {"FAXNUMBER", Text, 14}, {"EXT", Text, 6},
          {"COMPANY", Text, 40}, {"CALLERDATE", Date}, {"CALLERTIME", Time}, {"RETURNEDDATE", Date},
          {"RETURNEDTIME", Time}, {"RESUME", Text, 1}},
         {{"CALLDATE_KEY", "CALLERDATE-,CALLERTIME-", "CE"},
          {"COMPANY_KEY", "COMPANY,CALLERDATE-,CALLERTIME-", "CE"},
          {"LASTNAME_KEY", "LASTNAME,FIRSTNAME,CALLERDATE-,CALLERTIME-", "CE"},
          {"NUMBER_KEY", "NUMBER", "CE"},
          {"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"RETURNEDDATE_KEY", "RETURNEDDATE-", "CE"},
          {"SOURCE_KEY", "SOURCE,CALLERDATE-,CALLERTIME-", "CE"},
          // The calls not returned, newest first: the few a list shows when
          // almost every call has been returned.
          {"NOTRETURNED_KEY", "CALLERDATE-,CALLERTIME-", "CEX", "RETURNEDDATE=0"}},
         "ABOUT", 3000},
        {"TagFile_", "TF_", "TagFile_.TPS", 20,
         {{"USR", Long}, {"TBL", Short}, {"PTR", Long}, {"VAL", Text, 10}},
         {{"PTRKEY", "USR,TBL,PTR", "UCEP"},
          {"VALKEY", "USR,TBL,VAL", "CE"}}},
        {"TagFileP", "TP_", "TagFileP.TPS", 272,
         {{"USR", Long}, {"TBL", Short}, {"POS", Text, 256}, {"VAL", Text, 10}},
         {{"POSKEY", "USR,TBL,POS", "UCEP"},
          {"VALKEY", "USR,TBL,VAL", "CE"}}},
        {"QKide", "IDE", "QKIDE", 178,
         {{"CTRL_NBR", Long}, {"ITEM", Text, 35}, {"NUMBER", Text, 30}, {"EXPIRE", Date},
          {"ISSUED", Text, 25}, {"PHONE", Text, 14}, {"PIN", Short}, {"OTHER", Text, 60},
          {"NAM_CTRL", Long}},
         {{"CTRL_KEY", "CTRL_NBR", "UCEP"},
          {"NAM_CTRL_KEY", "NAM_CTRL", "CE"},
          {"NAM_ITEM_KEY", "ITEM", "CE"},
          {"NAM_NUM_KEY", "NUMBER", "CE"},
          {"NAM_ISS_KEY", "ISSUED", "CE"}}},
        {"QKweb", "WEB", "QKWEB", 327,
         {{"WEB_SYSID", Long}, {"URL", Text, 255}, {"DESCRIPTION", Text, 60}, {"NAM_SYSID", Long},
          {"CMP_SYSID", Long}},
         {{"SYSIDKEY", "WEB_SYSID", "UCEP"},
          {"ADDRESSKEY", "URL", "CE"},
          {"DESCRIPTIONKEY", "DESCRIPTION", "CE"}},
         "NOTE", 1000},
        {"QKinf", "INF", "QKINF", 812,
         {{"INF_SYSID", Long}, {"TYP_SYSID", Long}, {"DATE", Date}, {"LINE1", Text, 80},
          {"LINE2", Text, 80}, {"LINE3", Text, 80}, {"LINE4", Text, 80}, {"LINE5", Text, 80},
          {"LINE6", Text, 80}, {"LINE7", Text, 80}, {"LINE8", Text, 80}, {"LINE9", Text, 80},
          {"LINE10", Text, 80}},
         {{"INFSYSIDKEY", "INF_SYSID", "UCEP"},
          {"TYPSYSIDKEY", "TYP_SYSID", "CE"},
          {"TYPINFSYSIDKEY", "TYP_SYSID,INF_SYSID", "CE"},
          {"LINE1KEY", "LINE1", "CE"},
          {"TYPLINE1KEY", "TYP_SYSID,LINE1", "CE"}},
         "NOTE", 6000},
        {"QKprm", "PRM", "QKPRM", 35,
         {{"PRM_SYSID", Long}, {"TYP_SYSID", Long}, {"PROMPT", Text, 25}, {"POSITION", Byte},
          {"OLDPOSITION", Byte}},
         {{"PRMSYSIDKEY", "PRM_SYSID", "UCEP"},
          {"TYPSYSIDKEY", "TYP_SYSID", "CE"},
          {"PROMPTKEY", "PROMPT", "CE"},
          {"TYPPOSITIONKEY", "TYP_SYSID,POSITION", "CE"},
          {"POSITIONKEY", "POSITION", "CE"},
          {"TYPPROMPTKEY", "TYP_SYSID,PROMPT,POSITION", "CE"}}},
        {"QKtyp", "TYP", "QKTYP", 24,
         {{"TYP_SYSID", Long}, {"TYPE", Text, 20}},
         {{"TYPSYSIDKEY", "TYP_SYSID", "UCEP"},
          {"TYPEKEY", "TYPE", "CE"}}},
    };
}

// What the search index holds of each searched table: the fields searched
// by word, and the fields searched by any run of characters. "MEMO" (or the
// table's memo name) is the memo.
struct SearchDecl
{
    const char *table;
    const char *words;
    const char *parts;
};

std::vector<SearchDecl> searchDeclarations()
{
    return {
        {"QKnam", "LNAME,FNAME,ADDR1,ADDR2,CITY,STATE,ZIP,EMAILADDRESS,COUNTRY", "EMAILADDRESS"},
        {"QKcmp", "NAME,BUSINESS,ADDR1,ADD2,CITY,STATE,ZIP,COUNTRY,EMAILADDRESS,WEBADDRESS",
         "EMAILADDRESS,WEBADDRESS"},
        {"QKmem", "MEMO", ""},
        {"QKfon", "LOCATION,NAME,JUSTPHONESNAME", "NUMBER"},
        {"QKinc", "SOURCE,FIRSTNAME,LASTNAME,COMPANY,ABOUT", "NUMBER,FAXNUMBER"},
    };
}

int byteSize(FieldType type, int width)
{
    switch (type) {
    case Long:
    case Date:
    case Time:
        return 4;
    case Short:
        return 2;
    case Byte:
        return 1;
    case Text:
        return width;
    case Decimal:
        return width / 2 + 1;
    }
    return 0;
}

[[noreturn]] void badDeclaration(const QString &what)
{
    throw std::logic_error(what.toStdString());
}

TableDef build(const TableDecl &decl, int index)
{
    TableDef table;
    table.name = QString::fromLatin1(decl.name);
    table.prefix = QString::fromLatin1(decl.prefix);
    table.fileName = QString::fromLatin1(decl.file);
    table.recordLength = decl.recordLength;
    table.memoName = QString::fromLatin1(decl.memo);
    table.memoSize = decl.memoSize;
    table.index = index;

    int offset = 0;
    for (const FieldDecl &f : decl.fields) {
        FieldDef field;
        field.name = QString::fromLatin1(f.name);
        field.label = table.prefix + QLatin1Char(':') + field.name;
        field.type = f.type;
        field.width = f.width;
        field.size = byteSize(f.type, f.width);
        field.offset = offset;
        offset += field.size;
        table.fields.push_back(field);
    }
    if (offset != table.recordLength)
        badDeclaration(table.name + QStringLiteral(": fields add up to %1 bytes").arg(offset));

    const QString messagePrefix = *decl.messagePrefix ? QString::fromLatin1(decl.messagePrefix)
                                                      : table.prefix.toLower();
    for (const KeyDecl &k : decl.keys) {
        KeyDef key;
        key.name = QString::fromLatin1(k.name);
        key.label = table.prefix + QLatin1Char(':') + key.name;
        key.messageName = messagePrefix + QLatin1Char(':') + key.name.toLower();
        key.index = static_cast<int>(table.keys.size());
        const QString props = QString::fromLatin1(k.properties);
        key.unique = props.contains(QLatin1Char('U'));
        key.caseInsensitive = props.contains(QLatin1Char('C')) || props.contains(QLatin1Char('A'));
        key.excludesEmpty = props.contains(QLatin1Char('E'));
        key.primary = props.contains(QLatin1Char('P'));
        key.countedByFirst = props.contains(QLatin1Char('N'));
        key.added = props.contains(QLatin1Char('X'));
        if (*k.onlyWhere) {
            const QString where = QString::fromLatin1(k.onlyWhere);
            key.onlyWhereField = table.fieldIndex(where.section(QLatin1Char('='), 0, 0));
            const QString value = where.section(QLatin1Char('='), 1);
            bool number = false;
            key.onlyWhereValue = value.toLongLong(&number);
            // A number for a numeric field; '' (blank) for a text field.
            const bool text = key.onlyWhereField >= 0 && table.fields[key.onlyWhereField].isText();
            if (key.onlyWhereField < 0 || (text ? value != QLatin1String("''") : !number))
                badDeclaration(key.label + QStringLiteral(": bad condition ") + where);
        }
        for (QString part : QString::fromLatin1(k.components).split(QLatin1Char(','))) {
            KeyComponent component;
            component.descending = part.endsWith(QLatin1Char('-'));
            if (component.descending)
                part.chop(1);
            component.field = table.fieldIndex(part);
            if (component.field < 0)
                badDeclaration(key.label + QStringLiteral(": no field ") + part);
            if (component.descending && table.fields[component.field].isText())
                badDeclaration(key.label + QStringLiteral(": descending text is not supported"));
            key.components.push_back(component);
        }
        table.keys.push_back(key);
    }
    return table;
}

QString bareName(const QString &name, const QString &prefix)
{
    const int colon = name.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return name;
    if (name.left(colon).compare(prefix, Qt::CaseInsensitive) != 0)
        return {};
    return name.mid(colon + 1);
}

// The least and the greatest value a numeric field holds (none for text).
std::pair<qint64, qint64> valueLimits(FieldType type, int width)
{
    switch (type) {
    case Long:
    case Date:
    case Time:
        return {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
    case Short:
        return {std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()};
    case Byte:
        return {0, 255};
    case Decimal: {
        qint64 limit = 1;
        for (int i = 0; i < width; ++i)
            limit *= 10;
        return {-(limit - 1), limit - 1};
    }
    case Text:
        break;
    }
    return {0, 0};
}

} // namespace

qint64 FieldDef::minValue() const
{
    return valueLimits(type, width).first;
}

qint64 FieldDef::maxValue() const
{
    return valueLimits(type, width).second;
}

int TableDef::fieldIndex(const QString &name) const
{
    const QString bare = bareName(name, prefix);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(bare, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

const FieldDef *TableDef::field(const QString &name) const
{
    const int i = fieldIndex(name);
    return i < 0 ? nullptr : &fields[static_cast<size_t>(i)];
}

const KeyDef *TableDef::key(const QString &name) const
{
    const QString bare = bareName(name, prefix);
    for (const KeyDef &k : keys) {
        if (k.name.compare(bare, Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

const KeyDef *TableDef::primaryKey() const
{
    for (const KeyDef &k : keys) {
        if (k.primary)
            return &k;
    }
    return nullptr;
}

Dictionary::Dictionary()
{
    int index = 0;
    for (const TableDecl &decl : declarations())
        m_tables.push_back(build(decl, index++));
    for (const SearchDecl &decl : searchDeclarations()) {
        auto it = std::find_if(m_tables.begin(), m_tables.end(),
                               [&](const TableDef &t) { return t.name == QLatin1String(decl.table); });
        if (it == m_tables.end())
            badDeclaration(QStringLiteral("search: no table ") + QLatin1String(decl.table));
        auto resolve = [&](const char *list, std::vector<int> &out) {
            for (const QString &name : QString::fromLatin1(list).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const int field = it->fieldIndex(name);
                if (field >= 0 && it->fields[static_cast<size_t>(field)].isText())
                    out.push_back(field);
                else if (it->hasMemo() && name.compare(it->memoName, Qt::CaseInsensitive) == 0)
                    out.push_back(TableDef::kMemo);
                else
                    badDeclaration(it->name + QStringLiteral(": cannot search ") + name);
            }
        };
        resolve(decl.words, it->searchWords);
        resolve(decl.parts, it->searchParts);
    }
}

const Dictionary &Dictionary::instance()
{
    static const Dictionary dictionary;
    return dictionary;
}

const TableDef *Dictionary::table(const QString &nameOrPrefix) const
{
    for (const TableDef &t : m_tables) {
        if (t.name.compare(nameOrPrefix, Qt::CaseInsensitive) == 0
            || t.prefix.compare(nameOrPrefix, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

Dictionary::FieldRef Dictionary::findField(const QString &label) const
{
    const int colon = label.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return {};
    const TableDef *t = table(label.left(colon).trimmed());
    if (!t)
        return {};
    const int i = t->fieldIndex(label.mid(colon + 1).trimmed());
    if (i < 0)
        return {};
    return {t, i};
}

const KeyDef *Dictionary::findKey(const QString &label, const TableDef **owner) const
{
    const int colon = label.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return nullptr;
    const TableDef *t = table(label.left(colon).trimmed());
    if (!t)
        return nullptr;
    const KeyDef *k = t->key(label.mid(colon + 1).trimmed());
    if (k && owner)
        *owner = t;
    return k;
}

} // namespace tabulo::store

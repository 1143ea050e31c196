#pragma once

#include "store/Dictionary.h"

#include <QString>
#include <QVariant>
#include <string>
#include <string_view>
#include <vector>

namespace tabulo::store {

// The UTF-8 of `text` into `out`, reusing its storage: the same bytes as
// QString::toStdString, without a new allocation for each text.
void utf8Into(QStringView text, std::string &out);

// The bytes of the first `maxChars` characters of UTF-8 text (never past a
// malformed trailing sequence).
size_t cutLength(std::string_view utf8, int maxChars);

// Cuts UTF-8 text to at most `maxChars` characters at a character boundary.
std::string cutText(std::string_view utf8, int maxChars);

// Cuts UTF-8 text to at most `maxChars` characters at a character boundary
// and drops trailing blanks (stored text is blank-padded: trailing blanks
// never matter).
std::string fitText(std::string_view utf8, int maxChars);

// The current record of one table: one value per field of the table's
// layout, plus its memo. Text is held as UTF-8 without trailing blanks and
// never longer than the field's width in characters; integers are kept
// within their type's range.
class Record final
{
public:
    explicit Record(const TableDef &def);

    const TableDef &def() const { return *m_def; }

    // Field index by name, "LNAME" or "NAM:LNAME", case-insensitively; -1 if none.
    int indexOf(const QString &name) const { return m_def->fieldIndex(name); }

    QString text(int field) const;
    const std::string &utf8(int field) const { return m_text[static_cast<size_t>(field)]; }
    void setText(int field, const QString &value);
    void setUtf8(int field, std::string_view value);

    qint64 integer(int field) const { return m_int[static_cast<size_t>(field)]; }
    void setInteger(int field, qint64 value);

    // Any field as a variant (text as QString, numbers as qint64).
    QVariant value(int field) const;
    void setValue(int field, const QVariant &value);

    // Access by name; an unknown name reads as empty and writes nothing.
    QVariant value(const QString &name) const;
    void setValue(const QString &name, const QVariant &value);

    QString memo() const { return QString::fromStdString(m_memo); }
    const std::string &memoUtf8() const { return m_memo; }
    void setMemo(const QString &value);
    void setMemoUtf8(std::string_view value);

    // Blank text, zero numbers, empty memo.
    void clear();
    // Whether the key's components are all blank or zero (an empty entry).
    bool isEmptyFor(const KeyDef &key) const;

    bool operator==(const Record &other) const;
    bool operator!=(const Record &other) const { return !(*this == other); }

private:
    const TableDef *m_def;
    std::vector<qint64> m_int;
    std::vector<std::string> m_text;
    std::string m_memo;
};

} // namespace tabulo::store

#include "store/Record.h"

#include <QStringEncoder>

#include <algorithm>

namespace tabulo::store {

void utf8Into(QStringView text, std::string &out)
{
    const qsizetype n = text.size();
    const char16_t *p = text.utf16();
    bool plain = true;
    bool surrogates = false;
    for (qsizetype i = 0; i < n; ++i) {
        plain = plain && p[i] < 0x80;
        surrogates = surrogates || QChar::isSurrogate(p[i]);
    }
    if (plain) {
        out.resize(static_cast<size_t>(n));
        for (qsizetype i = 0; i < n; ++i)
            out[static_cast<size_t>(i)] = static_cast<char>(p[i]);
        return;
    }
    if (surrogates) {
        // Pairs and strays are rare: Qt's own conversion settles them.
        out = text.toString().toStdString();
        return;
    }
    // Below the surrogates every character has exactly one encoding.
    out.resize(static_cast<size_t>(n) * 3);
    QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    char *end = encoder.appendToBuffer(out.data(), text);
    out.resize(static_cast<size_t>(end - out.data()));
}

size_t cutLength(std::string_view utf8, int maxChars)
{
    // Plain ASCII text that fits: every byte is a character.
    if (utf8.size() <= static_cast<size_t>(std::max(maxChars, 0))
        && std::none_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return utf8.size();
    size_t pos = 0;
    int chars = 0;
    while (pos < utf8.size() && chars < maxChars) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        size_t len = 1;
        if (lead >= 0xF0)
            len = 4;
        else if (lead >= 0xE0)
            len = 3;
        else if (lead >= 0xC0)
            len = 2;
        // Never step past the end on a malformed trailing sequence.
        if (pos + len > utf8.size())
            break;
        pos += len;
        ++chars;
    }
    return pos;
}

std::string cutText(std::string_view utf8, int maxChars)
{
    return std::string(utf8.substr(0, cutLength(utf8, maxChars)));
}

std::string fitText(std::string_view utf8, int maxChars)
{
    std::string cut = cutText(utf8, maxChars);
    while (!cut.empty() && cut.back() == ' ')
        cut.pop_back();
    return cut;
}

Record::Record(const TableDef &def)
    : m_def(&def)
    , m_int(def.fields.size(), 0)
    , m_text(def.fields.size())
{
}

QString Record::text(int field) const
{
    const FieldDef &f = m_def->fields[static_cast<size_t>(field)];
    if (f.isText())
        return QString::fromStdString(m_text[static_cast<size_t>(field)]);
    return QString::number(m_int[static_cast<size_t>(field)]);
}

void Record::setText(int field, const QString &value)
{
    const FieldDef &f = m_def->fields[static_cast<size_t>(field)];
    if (!f.isText()) {
        bool ok = false;
        const qint64 number = value.trimmed().toLongLong(&ok);
        setInteger(field, ok ? number : 0);
        return;
    }
    thread_local std::string utf8;
    utf8Into(value, utf8);
    setUtf8(field, utf8);
}

void Record::setUtf8(int field, std::string_view value)
{
    const FieldDef &f = m_def->fields[static_cast<size_t>(field)];
    if (!f.isText()) {
        setText(field, QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
        return;
    }
    // In place: the buffer's storage is reused from record to record.
    std::string &text = m_text[static_cast<size_t>(field)];
    text.assign(value.data(), cutLength(value, f.width));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
}

void Record::setInteger(int field, qint64 value)
{
    const FieldDef &f = m_def->fields[static_cast<size_t>(field)];
    if (f.isText()) {
        setUtf8(field, std::to_string(value));
        return;
    }
    m_int[static_cast<size_t>(field)] = std::clamp(value, f.minValue(), f.maxValue());
}

QVariant Record::value(int field) const
{
    if (m_def->fields[static_cast<size_t>(field)].isText())
        return text(field);
    return integer(field);
}

void Record::setValue(int field, const QVariant &value)
{
    if (m_def->fields[static_cast<size_t>(field)].isText())
        setText(field, value.toString());
    else if (value.typeId() == QMetaType::QString)
        setText(field, value.toString());
    else
        setInteger(field, value.toLongLong());
}

QVariant Record::value(const QString &name) const
{
    const int i = indexOf(name);
    return i < 0 ? QVariant() : value(i);
}

void Record::setValue(const QString &name, const QVariant &value)
{
    const int i = indexOf(name);
    if (i >= 0)
        setValue(i, value);
}

void Record::setMemo(const QString &value)
{
    thread_local std::string utf8;
    utf8Into(value, utf8);
    setMemoUtf8(utf8);
}

void Record::setMemoUtf8(std::string_view value)
{
    // A memo is free text: cut to its size, but its blanks are its own.
    m_memo.assign(value.data(), cutLength(value, m_def->memoSize));
}

void Record::clear()
{
    std::fill(m_int.begin(), m_int.end(), 0);
    for (std::string &s : m_text)
        s.clear();
    m_memo.clear();
}

bool Record::isEmptyFor(const KeyDef &key) const
{
    for (const KeyComponent &c : key.components) {
        if (m_def->fields[static_cast<size_t>(c.field)].isText()) {
            if (!m_text[static_cast<size_t>(c.field)].empty())
                return false;
        } else if (m_int[static_cast<size_t>(c.field)] != 0) {
            return false;
        }
    }
    return true;
}

bool Record::operator==(const Record &other) const
{
    return m_def == other.m_def && m_int == other.m_int && m_text == other.m_text && m_memo == other.m_memo;
}

} // namespace tabulo::store

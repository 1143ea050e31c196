#include "exchange/VCard.h"

#include <QStringDecoder>

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <vector>

namespace tabulo::exchange {

namespace {

// One logical line: the physical lines of a folded property joined.
struct LogicalLine {
    QByteArray text;
    int line = 0;
};

bool isQuotedPrintableHeader(const QByteArray &text) {
    const int colon = text.indexOf(':');
    const QByteArray header = (colon < 0 ? text : text.left(colon)).toUpper();
    return header.contains("QUOTED-PRINTABLE");
}

bool isBase64Header(const QByteArray &text) {
    const int colon = text.indexOf(':');
    const QByteArrayView header = QByteArrayView(text).first(colon < 0 ? text.size() : colon);
    // Most lines have no parameters at all.
    if (!header.contains(';'))
        return false;
    const QByteArray upper = header.toByteArray().toUpper();
    return upper.contains("ENCODING=B") || upper.contains(";BASE64");
}

bool hasControlBytes(const QByteArray &text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t')
            return true;
    }
    return false;
}

// Physical lines (CRLF, LF or CR ends one), unfolded into logical lines,
// handed to `deliver` one at a time so that a large file is never held twice.
template <typename Emit> void forEachLogicalLine(const QByteArray &data, Emit deliver) {
    LogicalLine pending;
    bool have = false;
    int lineNumber = 0;
    bool continueQuotedPrintable = false;
    bool inBase64 = false;
    qsizetype pos = 0;
    const qsizetype size = data.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        const QByteArrayView physical = QByteArrayView(data).sliced(pos, end - pos);
        ++lineNumber;
        if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
            ++end;
        pos = end + 1;

        if (continueQuotedPrintable && have) {
            // A soft line break: the "=" ending the last line joins this one.
            pending.text.chop(1);
            pending.text += physical;
            continueQuotedPrintable = pending.text.endsWith('=');
            continue;
        }
        if (physical.isEmpty()) {
            inBase64 = false; // 2.1 ends embedded base64 with a blank line
            continue;
        }
        const char first = physical.at(0);
        if ((first == ' ' || first == '\t') && have) {
            pending.text += physical.sliced(1);
            continue;
        }
        if (inBase64 && !physical.contains(':') && have) {
            pending.text += physical; // unindented base64 of a 2.1 photo
            continue;
        }
        if (have)
            deliver(pending);
        // The buffer's storage serves line after line.
        pending.text.resize(0);
        pending.text.append(physical);
        pending.line = lineNumber;
        have = true;
        inBase64 = isBase64Header(pending.text);
        continueQuotedPrintable = pending.text.endsWith('=') && isQuotedPrintableHeader(pending.text);
    }
    if (have)
        deliver(pending);
}

QByteArray decodeQuotedPrintable(const QByteArray &in) {
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '=' && i + 2 < in.size()) {
            bool ok = false;
            const int byte = in.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out += static_cast<char>(byte);
                i += 2;
                continue;
            }
        }
        if (c == '=' && i == in.size() - 1)
            continue; // a soft break left at the very end
        out += c;
    }
    return out;
}

QString decodeText(QByteArrayView bytes, const QString &charset) {
    if (charset.isEmpty() && std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
        return QString::fromLatin1(bytes);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid()) {
            const QString text = decoder(bytes);
            if (!decoder.hasError())
                return text;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // Older programs write their own code page without saying so.
    QStringDecoder windows("windows-1252");
    return windows.isValid() ? windows(bytes) : QString::fromLatin1(bytes);
}

QString unquote(QString value) {
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    // Parameter value escapes of vCard 4.0 (^n, ^^, ^').
    if (value.contains(QLatin1Char('^'))) {
        value.replace(QStringLiteral("^n"), QStringLiteral("\n"));
        value.replace(QStringLiteral("^'"), QStringLiteral("\""));
        value.replace(QStringLiteral("^^"), QStringLiteral("^"));
    }
    return value;
}

// The parts of a line's head or of a parameter's values: few, kept
// without a trip to the heap.
using Parts = QVarLengthArray<QByteArrayView, 8>;

// Splits at `sep` outside double quotes.
Parts splitOutsideQuotes(QByteArrayView text, char sep) {
    Parts parts;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            quoted = !quoted;
        if (c == sep && !quoted) {
            parts.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.sliced(start));
    return parts;
}

// The names of properties and parameters that cards carry most, shared
// rather than made anew for every line.
QString sharedName(QByteArrayView upper) {
    static const QStringList known = {
        QStringLiteral("BEGIN"),     QStringLiteral("END"),        QStringLiteral("VERSION"),
        QStringLiteral("N"),         QStringLiteral("FN"),         QStringLiteral("TEL"),
        QStringLiteral("EMAIL"),     QStringLiteral("ADR"),        QStringLiteral("NOTE"),
        QStringLiteral("ORG"),       QStringLiteral("CATEGORIES"), QStringLiteral("BDAY"),
        QStringLiteral("URL"),       QStringLiteral("KIND"),       QStringLiteral("TITLE"),
        QStringLiteral("X-ABLABEL"), QStringLiteral("TYPE"),       QStringLiteral("PREF"),
        QStringLiteral("X-NAME"),    QStringLiteral("X-DATE"),     QStringLiteral("VALUE"),
        QStringLiteral("PHOTO"),     QStringLiteral("X-UPDATED"),  QStringLiteral("CHARSET"),
        QStringLiteral("ENCODING"),  QStringLiteral("UID"),        QStringLiteral("REV"),
        QStringLiteral("PRODID"),
    };
    // Looked up among those of the same length only.
    static const auto bySize = [] {
        std::array<std::vector<QString>, 16> sizes;
        for (const QString &k : known)
            sizes[static_cast<size_t>(k.size())].push_back(k);
        return sizes;
    }();
    if (upper.size() < qsizetype(bySize.size())) {
        for (const QString &k : bySize[static_cast<size_t>(upper.size())]) {
            if (QLatin1StringView(upper) == k)
                return k;
        }
    }
    return QString::fromLatin1(upper);
}

bool isBlank(char c) {
    // The white space QString::trimmed() takes off, as far as ASCII goes.
    return c == ' ' || (c >= '\t' && c <= '\r');
}

QByteArrayView trimmedView(QByteArrayView v) {
    while (!v.isEmpty() && isBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isBlank(v.back()))
        v.chop(1);
    return v;
}

bool isNameCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_';
}

bool isAscii(QByteArrayView v) {
    return std::all_of(v.begin(), v.end(), [](char c) { return (c & 0x80) == 0; });
}

// What a parameter says of its value's encoding: its charset, and whether
// it is quoted-printable.
void noteEncoding(const VCardParam &param, QString &charset, bool &quotedPrintable) {
    if (param.name == QLatin1String("CHARSET") && !param.values.isEmpty())
        charset = param.values.first();
    if (param.name == QLatin1String("ENCODING") && !param.values.isEmpty() &&
        param.values.first().compare(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive) == 0)
        quotedPrintable = true;
}

// A parameter's text ("TYPE=home,work", "HOME") as name and values.
VCardParam parseParam(const QString &raw, QString &charset, bool &quotedPrintable) {
    VCardParam param;
    const qsizetype equals = raw.indexOf(QLatin1Char('='));
    QString values;
    if (equals < 0) {
        const QString bare = raw.toUpper();
        if (bare == QLatin1String("QUOTED-PRINTABLE") || bare == QLatin1String("BASE64") ||
            bare == QLatin1String("8BIT") || bare == QLatin1String("7BIT"))
            param.name = QStringLiteral("ENCODING");
        else
            param.name = QStringLiteral("TYPE");
        values = raw;
    } else {
        param.name = raw.left(equals).trimmed().toUpper();
        values = raw.mid(equals + 1);
    }
    const QByteArray utf8 = values.toUtf8();
    for (const QByteArrayView v : splitOutsideQuotes(utf8, ','))
        param.values.append(unquote(QString::fromUtf8(v).trimmed()));
    noteEncoding(param, charset, quotedPrintable);
    return param;
}

// The same for plain ASCII text without quotes or escapes, as nearly every
// parameter is, without the trips through UTF-16 and back.
VCardParam parseAsciiParam(QByteArrayView raw, QString &charset, bool &quotedPrintable) {
    VCardParam param;
    const qsizetype equals = raw.indexOf('=');
    QByteArrayView values;
    QByteArray upper;
    if (equals < 0) {
        upper = raw.toByteArray().toUpper();
        if (upper == "QUOTED-PRINTABLE" || upper == "BASE64" || upper == "8BIT" || upper == "7BIT")
            param.name = QStringLiteral("ENCODING");
        else
            param.name = QStringLiteral("TYPE");
        values = raw;
    } else {
        upper = trimmedView(raw.first(equals)).toByteArray().toUpper();
        param.name = sharedName(upper);
        values = raw.sliced(equals + 1);
    }
    for (const QByteArrayView v : splitOutsideQuotes(values, ','))
        param.values.append(QString::fromLatin1(trimmedView(v)));
    noteEncoding(param, charset, quotedPrintable);
    return param;
}

// The property's name with its group, from the text before the parameters.
bool parseName(QByteArrayView head, VCardProperty &property) {
    if (!isAscii(head)) {
        QString name = QString::fromUtf8(head).trimmed();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0) {
            property.group = name.left(dot);
            name = name.mid(dot + 1);
        }
        if (name.isEmpty())
            return false;
        for (const QChar c : name) {
            if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_'))
                return false;
        }
        property.name = name.toUpper();
        return true;
    }
    QByteArrayView name = trimmedView(head);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0) {
        property.group = QString::fromLatin1(name.first(dot));
        name = name.sliced(dot + 1);
    }
    if (name.isEmpty())
        return false;
    char upper[64];
    if (name.size() > qsizetype(sizeof upper)) {
        const QByteArray copy = name.toByteArray().toUpper();
        for (const char c : copy) {
            if (!isNameCharacter(c))
                return false;
        }
        property.name = QString::fromLatin1(copy);
        return true;
    }
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (!isNameCharacter(c))
            return false;
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    property.name = sharedName(QByteArrayView(upper, name.size()));
    return true;
}

bool parseProperty(const LogicalLine &logical, VCardProperty &property) {
    const QByteArray &text = logical.text;
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon <= 0)
        return false;
    const Parts header = splitOutsideQuotes(QByteArrayView(text).first(colon), ';');
    if (!parseName(header.first(), property))
        return false;
    property.line = logical.line;
    QString charset;
    bool quotedPrintable = false;
    for (qsizetype i = 1; i < header.size(); ++i) {
        const QByteArrayView part = header[i];
        // Quotes, the escapes of 4.0 and anything beyond ASCII take the full way.
        const bool plain = isAscii(part) && !part.contains('"') && !part.contains('^');
        if (plain) {
            const QByteArrayView raw = trimmedView(part);
            if (raw.isEmpty())
                continue;
            property.params.push_back(parseAsciiParam(raw, charset, quotedPrintable));
            continue;
        }
        const QString raw = QString::fromUtf8(part).trimmed();
        if (raw.isEmpty())
            continue;
        property.params.push_back(parseParam(raw, charset, quotedPrintable));
    }
    const QByteArrayView value = QByteArrayView(text).sliced(colon + 1);
    property.value = quotedPrintable ? decodeText(decodeQuotedPrintable(value.toByteArray()), charset)
                                     : decodeText(value, charset);
    return true;
}

} // namespace

QStringList VCardProperty::param(const QString &wanted) const {
    QStringList result;
    for (const VCardParam &p : params) {
        if (p.name == wanted) {
            for (const QString &v : p.values)
                result.append(v.toUpper());
        }
    }
    return result;
}

bool VCardProperty::hasType(const QString &type) const {
    // As param("TYPE").contains(type), without the list: ASCII values are
    // compared by their capitals in place, others upper-cased as there.
    const auto upperEquals = [&type](const QString &v) {
        if (v.size() != type.size())
            return std::any_of(v.begin(), v.end(), [](QChar c) { return c.unicode() >= 0x80; }) &&
                   v.toUpper() == type;
        for (qsizetype i = 0; i < v.size(); ++i) {
            const char16_t c = v[i].unicode();
            if (c >= 0x80)
                return v.toUpper() == type;
            const char16_t upper = (c >= 'a' && c <= 'z') ? char16_t(c - 'a' + 'A') : c;
            if (upper != type[i].unicode())
                return false;
        }
        return true;
    };
    for (const VCardParam &p : params) {
        if (p.name == QLatin1String("TYPE") && std::any_of(p.values.begin(), p.values.end(), upperEquals))
            return true;
    }
    return false;
}

const VCardProperty *VCardCard::first(const QString &name) const {
    for (const VCardProperty &p : properties) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

bool looksLikeVCard(const QByteArray &data) {
    return data.left(4096).toUpper().contains("BEGIN:VCARD");
}

VCardFile readVCards(const QByteArray &input) {
    QByteArray data = input;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    VCardFile file;
    bool inCard = false;
    bool lastOutside = false;
    VCardCard card;
    forEachLogicalLine(data, [&](const LogicalLine &logical) {
        if (hasControlBytes(logical.text)) {
            file.problems.push_back({logical.line, QStringLiteral("unreadable bytes (not text)")});
            lastOutside = !inCard;
            return;
        }
        VCardProperty property;
        const bool parsed = parseProperty(logical, property);
        const bool begins =
            parsed && property.name == QLatin1String("BEGIN") &&
            property.value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0;
        const bool ends = parsed && property.name == QLatin1String("END") &&
                          property.value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0;
        if (begins) {
            if (inCard)
                file.problems.push_back({card.line, QStringLiteral("card without END:VCARD, skipped")});
            card = VCardCard{};
            card.line = logical.line;
            card.properties.reserve(16); // as many as a full card has
            inCard = true;
            lastOutside = false;
            return;
        }
        if (!inCard) {
            if (!lastOutside)
                file.problems.push_back({logical.line, QStringLiteral("text outside a card")});
            lastOutside = true;
            return;
        }
        if (ends) {
            file.cards.push_back(std::move(card));
            card = VCardCard{};
            inCard = false;
            return;
        }
        if (!parsed) {
            file.problems.push_back({logical.line, QStringLiteral("line is not a property")});
            return;
        }
        if (property.name == QLatin1String("VERSION"))
            card.version = property.value.trimmed();
        card.properties.push_back(std::move(property));
    });
    if (inCard)
        file.problems.push_back(
            {card.line, QStringLiteral("card without END:VCARD (file cut short?), skipped")});
    return file;
}

QString unescapeValue(const QString &value) {
    qsizetype slash = value.indexOf(QLatin1Char('\\'));
    if (slash < 0)
        return value;
    QString out;
    out.reserve(value.size());
    qsizetype from = 0; // the text before the next escape goes over whole
    while (slash >= 0) {
        out += QStringView(value).sliced(from, slash - from);
        if (slash + 1 == value.size()) {
            out += QLatin1Char('\\');
            return out;
        }
        const QChar n = value[slash + 1];
        switch (n.unicode()) {
        case 'n':
        case 'N':
            out += QLatin1Char('\n');
            break;
        case ',':
        case ';':
        case ':':
        case '\\':
            out += n;
            break;
        default:
            out += QLatin1Char('\\');
            out += n;
        }
        from = slash + 2;
        slash = value.indexOf(QLatin1Char('\\'), from);
    }
    out += QStringView(value).sliced(from);
    return out;
}

QStringList splitValue(const QString &value, QChar separator) {
    // Each part is the text between unescaped separators, taken whole.
    QStringList parts;
    parts.reserve(value.count(separator) + 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            ++i;
        } else if (c == separator) {
            parts.append(unescapeValue(value.mid(start, i - start)));
            start = i + 1;
        }
    }
    parts.append(unescapeValue(value.mid(start)));
    return parts;
}

void VCardWriter::begin() {
    m_out += "BEGIN:VCARD\r\n";
    m_out += m_version == VCardVersion::V4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n";
}

void VCardWriter::end() {
    m_out += "END:VCARD\r\n";
}

QString VCardWriter::escapeText(const QString &text) {
    // Most text has nothing to escape: it is shared, not copied.
    if (std::none_of(text.begin(), text.end(), [](QChar c) {
            const char16_t u = c.unicode();
            return u == '\\' || u == ',' || u == ';' || u == '\r' || u == '\n';
        }))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case ',':
            out += QLatin1String("\\,");
            break;
        case ';':
            out += QLatin1String("\\;");
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                break;
            out += QLatin1String("\\n");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {

// The UTF-8 of the text appended, as toUtf8() would give it.
void appendUtf8(QByteArray &out, const QString &text) {
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        const qsizetype at = out.size();
        out.resize(at + text.size());
        char *p = out.data() + at;
        for (const QChar c : text)
            *p++ = static_cast<char>(c.unicode());
        return;
    }
    out += text.toUtf8();
}

} // namespace

void VCardWriter::property(const QString &name, const QString &value,
                           const std::vector<std::pair<QString, QString>> &params, const QString &group) {
    // The line is made at the end of the output and folded there when it is long.
    const qsizetype begin = m_out.size();
    if (!group.isEmpty()) {
        appendUtf8(m_out, group);
        m_out += '.';
    }
    appendUtf8(m_out, name);
    for (const auto &[key, v] : params) {
        QByteArray pv = v.toUtf8();
        pv.replace('"', "'");
        pv.replace('\n', ' ');
        if (pv.contains(':') || pv.contains(';') || pv.contains(',') || pv.contains(' '))
            pv = '"' + pv + '"';
        m_out += ';';
        appendUtf8(m_out, key);
        m_out += '=';
        m_out += pv;
    }
    m_out += ':';
    appendUtf8(m_out, value);
    if (m_out.size() - begin <= 75) {
        m_out += "\r\n";
        return;
    }
    const QByteArray line = m_out.sliced(begin);
    m_out.truncate(begin);
    // Fold at 75 octets, never inside a UTF-8 sequence.
    qsizetype start = 0;
    int limit = 75;
    while (line.size() - start > limit) {
        qsizetype cut = start + limit;
        while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        m_out += QByteArrayView(line).sliced(start, cut - start);
        m_out += "\r\n ";
        start = cut;
        limit = 74;
    }
    m_out += QByteArrayView(line).sliced(start);
    m_out += "\r\n";
}

} // namespace tabulo::exchange

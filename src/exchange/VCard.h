#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tabulo::exchange {

// The vCard grammar, all of it in this one module: versions 2.1, 3.0 and 4.0
// as address books write them. Reading unfolds continuation lines (and the
// soft breaks of quoted-printable text), splits a property into its group,
// name, parameters and value, decodes quoted-printable and base64 markers and
// the charsets of 2.1, and leaves escapes in the value for the structured
// splitting below. Writing escapes, folds at 75 octets and ends lines with
// CRLF.

struct VCardParam {
    QString name;       // upper case: "TYPE"; a bare 2.1 parameter ("HOME") is a TYPE
    QStringList values; // as written, a comma list split
};

struct VCardProperty {
    QString group; // "item1" of "item1.EMAIL", empty when none
    QString name;  // upper case: "EMAIL"
    std::vector<VCardParam> params;
    QString value; // decoded text, escapes still in it
    int line = 0;  // first physical line, counted from 1

    // Every value of the parameter, upper-cased; TYPE values of every form.
    QStringList param(const QString &name) const;
    bool hasType(const QString &type) const;
};

struct VCardCard {
    QString version; // "2.1", "3.0", "4.0" or empty
    int line = 0;    // line of BEGIN:VCARD
    std::vector<VCardProperty> properties;

    // The first property of that name, or null.
    const VCardProperty *first(const QString &name) const;
};

// A stretch of the file that did not make a card, with its first line.
struct VCardProblem {
    int line = 0;
    QString text;
};

struct VCardFile {
    std::vector<VCardCard> cards;
    std::vector<VCardProblem> problems;
};

// Reads every card of a file's bytes; what cannot be read is reported with
// its line and skipped, the cards around it stand.
VCardFile readVCards(const QByteArray &data);

// Whether the bytes look like vCard text (a BEGIN:VCARD near the start).
bool looksLikeVCard(const QByteArray &data);

// Text value escapes: "\n", "\,", "\;", "\\" resolved.
QString unescapeValue(const QString &value);
// A value split at unescaped `separator` (";" for N and ADR, "," for
// CATEGORIES), each part unescaped.
QStringList splitValue(const QString &value, QChar separator);

// -- writing --
enum class VCardVersion { V3, V4 };

class VCardWriter final {
public:
    explicit VCardWriter(VCardVersion version)
        : m_version(version) {}
    VCardVersion version() const { return m_version; }

    void begin();
    void end();
    // One property line; `params` written as given (values quoted when they
    // need it); `value` is written as it is, so escape text with escapeText.
    void property(const QString &name, const QString &value,
                  const std::vector<std::pair<QString, QString>> &params = {}, const QString &group = {});

    static QString escapeText(const QString &text);

    QByteArray &bytes() { return m_out; }

private:
    VCardVersion m_version;
    QByteArray m_out;
};

} // namespace tabulo::exchange

#pragma once

#include "engine/Picture.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace tabulo::engine {

enum class Alignment { Left, Center, Right, Decimal };

// One modifier of a column: its letter, the number in parentheses after it
// when it has one, and whether it came after the column's picture.
struct ColumnFlag {
    QChar letter;
    std::optional<int> argument;
    bool afterPicture = false;

    bool operator==(const ColumnFlag &) const = default;
};

// One column of a list, as its column format describes it.
struct Column {
    int width = 0; // in dialog units
    Alignment alignment = Alignment::Left;
    int offset = 0;                              // indent from the aligned edge, "L(2)"
    QString header;                              // the text between "~"
    Alignment headerAlignment = Alignment::Left; // the column's own unless given
    int headerOffset = 0;
    bool headerAlignmentGiven = false;
    QString pictureText; // between "@", empty when the column has none
    std::optional<Picture> picture;
    bool resizable = false;         // "M"
    bool rightBorder = false;       // "|"
    std::optional<int> scrollWidth; // "S(45)": the column scrolls sideways over that many units
    // Every modifier in order of appearance, the ones above included, so that
    // markers this program gives no meaning to ("?" after a picture, "*",
    // "Y", ...) are kept rather than refused.
    std::vector<ColumnFlag> flags;

    bool hasFlag(QChar letter) const;
    // Shows a value through the column's picture; as text when it has none.
    QString format(const QVariant &value) const;
};

// The columns of a list box, read from a column format such as
// "10C(2)|M~*~L@s1@64L(2)|M~Last Name~@s16@?56L(2)|M~First Name~@s14@".
// Each column is a width, an alignment letter (L, C, R or D) with an
// optional offset in parentheses, then in any order modifiers, a header
// between "~" (optionally followed by its own alignment and offset) and a
// picture between "@"; modifiers after the picture belong to the same column.
class ColumnFormat final {
public:
    static Parsed<ColumnFormat> parse(const QString &text);

    const QString &text() const { return m_text; }
    const std::vector<Column> &columns() const { return m_columns; }
    int count() const { return static_cast<int>(m_columns.size()); }
    const Column &column(int index) const { return m_columns.at(static_cast<size_t>(index)); }

private:
    ColumnFormat() = default;

    QString m_text;
    std::vector<Column> m_columns;
};

} // namespace tabulo::engine

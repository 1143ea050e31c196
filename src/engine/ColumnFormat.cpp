#include "engine/ColumnFormat.h"

namespace tabulo::engine {

namespace {

std::optional<Alignment> alignmentOf(QChar c) {
    switch (c.toUpper().unicode()) {
    case 'L':
        return Alignment::Left;
    case 'C':
        return Alignment::Center;
    case 'R':
        return Alignment::Right;
    case 'D':
        return Alignment::Decimal;
    default:
        return std::nullopt;
    }
}

// Walks a column format, remembering where it is for the failure texts.
class Reader {
public:
    explicit Reader(QStringView text)
        : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }
    QChar take() { return m_text[m_pos++]; }
    qsizetype position() const { return m_pos + 1; }

    // Digits at the current place; nullopt (nothing consumed) when none.
    std::optional<int> number() {
        const qsizetype start = m_pos;
        if (peek() == QLatin1Char('-'))
            ++m_pos;
        const qsizetype digits = m_pos;
        while (!atEnd() && m_text[m_pos].isDigit() && m_pos - digits < 9)
            ++m_pos;
        if (m_pos == digits) {
            m_pos = start;
            return std::nullopt;
        }
        return m_text.mid(start, m_pos - start).toInt();
    }

    // "(n)" at the current place. Returns false on a malformed one.
    bool argument(std::optional<int> &value) {
        if (peek() != QLatin1Char('('))
            return true;
        ++m_pos;
        value = number();
        if (!value || peek() != QLatin1Char(')'))
            return false;
        ++m_pos;
        return true;
    }

    // Text up to the next `close`, which is consumed; nullopt when missing.
    std::optional<QString> until(QChar close) {
        const qsizetype end = m_text.indexOf(close, m_pos);
        if (end < 0)
            return std::nullopt;
        const QString text = m_text.mid(m_pos, end - m_pos).toString();
        m_pos = end + 1;
        return text;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

bool Column::hasFlag(QChar letter) const {
    for (const ColumnFlag &flag : flags) {
        if (flag.letter == letter)
            return true;
    }
    return false;
}

QString Column::format(const QVariant &value) const {
    return picture ? picture->format(value) : value.toString();
}

Parsed<ColumnFormat> ColumnFormat::parse(const QString &text) {
    ColumnFormat format;
    format.m_text = text;
    if (text.trimmed().isEmpty())
        return Parsed<ColumnFormat>::failure(QStringLiteral("The column format is empty."));

    Reader in(text);
    auto fail = [&](int column, const QString &what) {
        return Parsed<ColumnFormat>::failure(
            QStringLiteral("Column format \"%1\", column %2 at character %3: %4")
                .arg(text)
                .arg(column)
                .arg(in.position())
                .arg(what));
    };

    while (!in.atEnd()) {
        Column column;
        const int number = format.count() + 1;

        const std::optional<int> width = in.number();
        if (!width || *width < 0)
            return fail(number, QStringLiteral("a column width is expected."));
        column.width = *width;
        const std::optional<Alignment> alignment = alignmentOf(in.peek());
        if (!alignment)
            return fail(number, QStringLiteral("an alignment L, C, R or D is expected after the width."));
        in.take();
        column.alignment = *alignment;
        column.headerAlignment = *alignment;
        std::optional<int> offset;
        if (!in.argument(offset))
            return fail(number, QStringLiteral("the alignment's offset must be a number in parentheses."));
        column.offset = offset.value_or(0);

        bool afterPicture = false;
        // A digit starts the next column; modifiers never begin with one.
        while (!in.atEnd() && !in.peek().isDigit()) {
            const QChar c = in.take();
            if (c == QLatin1Char('~') && !afterPicture) {
                const std::optional<QString> header = in.until(QLatin1Char('~'));
                if (!header)
                    return fail(number, QStringLiteral("the header has no closing \"~\"."));
                column.header = *header;
                if (const std::optional<Alignment> headerAlignment = alignmentOf(in.peek());
                    headerAlignment && in.peek().isUpper()) {
                    in.take();
                    column.headerAlignment = *headerAlignment;
                    column.headerAlignmentGiven = true;
                    std::optional<int> headerOffset;
                    if (!in.argument(headerOffset))
                        return fail(number,
                                    QStringLiteral("the header's offset must be a number in parentheses."));
                    column.headerOffset = headerOffset.value_or(0);
                }
            } else if (c == QLatin1Char('@') && !afterPicture) {
                const std::optional<QString> pictureText = in.until(QLatin1Char('@'));
                if (!pictureText)
                    return fail(number, QStringLiteral("the picture has no closing \"@\"."));
                Parsed<Picture> picture = Picture::fromText(*pictureText);
                if (!picture)
                    return fail(number, picture.error());
                column.pictureText = *pictureText;
                column.picture = *picture;
                afterPicture = true;
            } else if (c == QLatin1Char(' ')) {
                continue;
            } else {
                ColumnFlag flag{c, std::nullopt, afterPicture};
                if (!in.argument(flag.argument))
                    return fail(
                        number,
                        QStringLiteral("the argument of \"%1\" must be a number in parentheses.").arg(c));
                if (c == QLatin1Char('M') && !afterPicture)
                    column.resizable = true;
                else if (c == QLatin1Char('|') && !afterPicture)
                    column.rightBorder = true;
                else if (c == QLatin1Char('S') && !afterPicture && flag.argument)
                    column.scrollWidth = flag.argument;
                column.flags.push_back(flag);
            }
        }
        format.m_columns.push_back(std::move(column));
    }
    return Parsed<ColumnFormat>::success(std::move(format));
}

} // namespace tabulo::engine

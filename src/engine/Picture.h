#pragma once

#include "base/DateOps.h"

#include <QString>
#include <QStringView>
#include <QVariant>

#include <optional>
#include <utility>

namespace tabulo::engine {

// A value or the reason there is none, for operations that fail on bad
// input. The reason is a sentence the user can be shown as it stands.
template <typename T> class [[nodiscard]] Parsed {
public:
    static Parsed success(T value) {
        Parsed result;
        result.m_value.emplace(std::move(value));
        return result;
    }
    static Parsed failure(QString error) {
        Parsed result;
        result.m_error = std::move(error);
        return result;
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *m_value; }
    const T &operator*() const { return *m_value; }
    const T *operator->() const { return &*m_value; }
    const QString &error() const { return m_error; }

private:
    Parsed() = default;
    std::optional<T> m_value;
    QString m_error;
};

// A display picture: how one value is shown in an entry, a list column or a
// report, and how what the user types into an entry is read back.
//
//   s20, S20      text of 20 characters
//   n3, n-13      a number right-aligned in 3 (13) places; "-" allows a sign;
//                 a fill character after the sign ("n05", "n*6", "N_6") pads
//                 with that character instead of blanks
//   d1, d01       mm/dd/yy        d2  mm/dd/yyyy
//   d3            Oct 31, 2026    d4  October 31, 2026
//   t3            4:59PM
//   P(###) ###-####P   a pattern: each "#" is a digit, each "<" a digit that
//                 is left out while it would be a leading blank, everything
//                 else is shown as it stands; "p...p" is the same
//
// A trailing "b" shows a zero value as blank. The letter's case makes no
// difference, and a leading "@" is allowed. Dates and times of 0 mean "none"
// and always show blank.
class Picture final {
public:
    enum class Kind { Text, Number, Date, Time, Pattern };

    // Reads a picture; fails on a picture this program does not know.
    static Parsed<Picture> fromText(const QString &text);

    // The picture as given, without a leading "@".
    const QString &text() const { return m_text; }
    Kind kind() const { return m_kind; }
    // Characters the shown value occupies at most.
    int width() const { return m_width; }
    bool blankWhenZero() const { return m_blankWhenZero; }
    bool signAllowed() const { return m_signAllowed; }
    QChar fill() const { return m_fill; }
    dates::DateStyle dateStyle() const { return m_dateStyle; }
    // The body of a pattern picture, between its delimiting letters.
    const QString &pattern() const { return m_pattern; }
    // Number of digit places of a pattern picture.
    int digitPlaces() const;

    // Shows a value of the picture's kind: text as QString, numbers, dates
    // (day numbers) and times (hundredths since midnight plus one) as
    // integers, patterns from a text of digits or from a number.
    QString format(const QVariant &value) const;
    QString formatText(const QString &value) const;
    QString formatNumber(qint64 value) const;
    QString formatDate(int dayNumber) const;
    QString formatTime(int time) const;
    QString formatDigits(QStringView digits) const;

    // Reads what the user typed back into a value: QString for text, qint64
    // for numbers, int for dates and times, QString of bare digits for
    // patterns. Blank input is the empty or zero value. Two-digit years are
    // placed within 89 years before and 10 years after the year of
    // `referenceDay` (today when 0).
    Parsed<QVariant> parse(const QString &input, int referenceDay = 0) const;

private:
    Picture() = default;

    Parsed<QVariant> parseText(const QString &input) const;
    Parsed<QVariant> parseNumber(const QString &input) const;
    Parsed<QVariant> parseDate(const QString &input, int referenceDay) const;
    Parsed<QVariant> parseTime(const QString &input) const;
    Parsed<QVariant> parseDigits(const QString &input) const;
    QString dateForm() const;

    QString m_text;
    Kind m_kind = Kind::Text;
    int m_width = 0;
    bool m_blankWhenZero = false;
    bool m_signAllowed = false;
    QChar m_fill = QLatin1Char(' ');
    dates::DateStyle m_dateStyle = dates::DateStyle::Numeric2;
    QString m_pattern;
};

} // namespace tabulo::engine

#include "engine/Picture.h"
#include "base/Text.h"

#include <QRegularExpression>

#include <chrono>

namespace tabulo::engine {

namespace {

constexpr int kHundredthsPerDay = 24 * 60 * 60 * 100;
// More digits than this would not fit a 64-bit number.
constexpr int kMaxNumberDigits = 18;

bool isDigitPlace(QChar c) {
    return c == QLatin1Char('#') || c == QLatin1Char('<');
}

bool allZeros(QStringView text) {
    for (QChar c : text) {
        if (c != QLatin1Char('0'))
            return false;
    }
    return true;
}

// Reads a run of decimal digits at `pos`; -1 when there is none.
int readNumber(QStringView text, qsizetype &pos) {
    const qsizetype start = pos;
    while (pos < text.size() && text[pos].isDigit() && pos - start < 6)
        ++pos;
    return pos == start ? -1 : text.mid(start, pos - start).toInt();
}

bool takeBlank(QStringView text, qsizetype &pos) {
    if (pos < text.size() && text[pos].toLower() == QLatin1Char('b')) {
        ++pos;
        return true;
    }
    return false;
}

// A two-digit year in the century that puts it nearest before the reference
// year: from 89 years before it to 10 years after it.
int widenYear(int twoDigitYear, int referenceYear) {
    int year = referenceYear - referenceYear % 100 + twoDigitYear;
    if (year > referenceYear + 10)
        year -= 100;
    else if (year < referenceYear - 89)
        year += 100;
    return year;
}

std::optional<int> monthFromWord(const QString &word) {
    if (word.size() < 3)
        return std::nullopt;
    for (int m = 1; m <= 12; ++m) {
        if (dates::monthName(m).startsWith(word, Qt::CaseInsensitive))
            return m;
    }
    return std::nullopt;
}

} // namespace

Parsed<Picture> Picture::fromText(const QString &text) {
    const QStringView body = text.startsWith(QLatin1Char('@')) ? QStringView(text).mid(1) : QStringView(text);
    auto unknown = [&] {
        return Parsed<Picture>::failure(QStringLiteral("Unknown picture \"%1\".").arg(text));
    };
    if (body.isEmpty())
        return unknown();

    Picture picture;
    picture.m_text = body.toString();
    const QChar letter = body[0].toLower();
    qsizetype pos = 1;

    if (letter == QLatin1Char('s')) {
        picture.m_kind = Kind::Text;
        picture.m_width = readNumber(body, pos);
        if (picture.m_width < 1)
            return unknown();
    } else if (letter == QLatin1Char('n')) {
        picture.m_kind = Kind::Number;
        if (pos < body.size() && body[pos] == QLatin1Char('-')) {
            picture.m_signAllowed = true;
            ++pos;
        }
        // A fill character comes before the width; a lone "0" would be a width.
        if (pos + 1 < body.size() && QStringView(u"0*_").contains(body[pos]) && body[pos + 1].isDigit()) {
            picture.m_fill = body[pos];
            ++pos;
        }
        picture.m_width = readNumber(body, pos);
        if (picture.m_width < 1)
            return unknown();
    } else if (letter == QLatin1Char('d')) {
        picture.m_kind = Kind::Date;
        const qsizetype start = pos;
        while (pos < body.size() && body[pos].isDigit())
            ++pos;
        const QStringView form = body.mid(start, pos - start);
        if (form == u"1" || form == u"01") {
            picture.m_dateStyle = dates::DateStyle::Numeric2;
            picture.m_width = 8;
        } else if (form == u"2") {
            picture.m_dateStyle = dates::DateStyle::Numeric4;
            picture.m_width = 10;
        } else if (form == u"3") {
            picture.m_dateStyle = dates::DateStyle::ShortMonth;
            picture.m_width = 12;
        } else if (form == u"4") {
            picture.m_dateStyle = dates::DateStyle::LongMonth;
            picture.m_width = 18;
        } else {
            return unknown();
        }
    } else if (letter == QLatin1Char('t')) {
        picture.m_kind = Kind::Time;
        if (readNumber(body, pos) != 3)
            return unknown();
        picture.m_width = 7;
    } else if (letter == QLatin1Char('p')) {
        picture.m_kind = Kind::Pattern;
        const qsizetype close = body.lastIndexOf(body[0]);
        if (close < 1)
            return unknown();
        picture.m_pattern = body.mid(1, close - 1).toString();
        picture.m_width = static_cast<int>(picture.m_pattern.size());
        pos = close + 1;
        if (picture.digitPlaces() == 0)
            return unknown();
    } else {
        return unknown();
    }

    picture.m_blankWhenZero = takeBlank(body, pos);
    if (pos != body.size())
        return unknown();
    return Parsed<Picture>::success(picture);
}

int Picture::digitPlaces() const {
    int places = 0;
    for (QChar c : m_pattern)
        places += isDigitPlace(c) ? 1 : 0;
    return places;
}

QString Picture::format(const QVariant &value) const {
    switch (m_kind) {
    case Kind::Text:
        return formatText(value.toString());
    case Kind::Number:
        return formatNumber(value.toLongLong());
    case Kind::Date:
        return formatDate(value.toInt());
    case Kind::Time:
        return formatTime(value.toInt());
    case Kind::Pattern:
        if (value.typeId() == QMetaType::QString)
            return formatDigits(value.toString());
        return formatDigits(QString::number(value.toLongLong()));
    }
    return {};
}

QString Picture::formatText(const QString &value) const {
    if (m_blankWhenZero) {
        const QString trimmed = value.trimmed();
        if (!trimmed.isEmpty() && allZeros(trimmed))
            return {};
    }
    return value.left(m_width);
}

QString Picture::formatNumber(qint64 value) const {
    if (value == 0 && m_blankWhenZero)
        return {};
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const QString digits = QString::number(value).mid(sign.size());
    QString text;
    if (m_fill == QLatin1Char(' '))
        text = (sign + digits).rightJustified(m_width, QLatin1Char(' '));
    else
        text = sign + digits.rightJustified(m_width - static_cast<int>(sign.size()), m_fill);
    // A value too wide for its places shows as a row of "#", never cut short.
    if (text.size() > m_width)
        return QString(m_width, QLatin1Char('#'));
    return text;
}

QString Picture::formatDate(int dayNumber) const {
    if (dayNumber == dates::kNoDate)
        return {};
    return dates::formatDate(dayNumber, m_dateStyle);
}

QString Picture::formatTime(int time) const {
    if (time == 0)
        return {};
    if (time < 1 || time > kHundredthsPerDay)
        return QString(m_width, QLatin1Char('#'));
    const int minutes = (time - 1) / 100 / 60;
    const int hour = minutes / 60;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    return QString::number(hour12) + QLatin1Char(':') +
           QStringLiteral("%1").arg(minutes % 60, 2, 10, QLatin1Char('0')) +
           (hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QString Picture::formatDigits(QStringView value) const {
    QString digits;
    for (QChar c : value) {
        if (c.isDigit())
            digits += c;
    }
    if (m_blankWhenZero && allZeros(digits))
        return {};
    // More digits than places: show what is stored rather than lose digits.
    if (digits.size() > digitPlaces())
        return value.trimmed().toString();

    // Digits fill the places from the right, so a number without its area
    // code still lands in the local part: "(   ) 555-1234".
    QString shown;
    qsizetype next = digits.size() - 1;
    for (qsizetype i = m_pattern.size() - 1; i >= 0; --i) {
        const QChar c = m_pattern[i];
        if (!isDigitPlace(c)) {
            shown.prepend(c);
        } else if (next >= 0) {
            shown.prepend(digits[next--]);
        } else if (c == QLatin1Char('#')) {
            shown.prepend(QLatin1Char(' '));
        }
    }
    return shown;
}

Parsed<QVariant> Picture::parse(const QString &input, int referenceDay) const {
    switch (m_kind) {
    case Kind::Text:
        return parseText(input);
    case Kind::Number:
        return parseNumber(input);
    case Kind::Date:
        return parseDate(input, referenceDay);
    case Kind::Time:
        return parseTime(input);
    case Kind::Pattern:
        return parseDigits(input);
    }
    return Parsed<QVariant>::failure(QStringLiteral("Unknown picture."));
}

Parsed<QVariant> Picture::parseText(const QString &input) const {
    const QString text = base::withoutTrailingBlanks(input);
    if (text.size() > m_width)
        return Parsed<QVariant>::failure(
            QStringLiteral("The entry is too long: at most %1 characters.").arg(m_width));
    return Parsed<QVariant>::success(text);
}

Parsed<QVariant> Picture::parseNumber(const QString &input) const {
    const QString text = input.trimmed();
    if (text.isEmpty())
        return Parsed<QVariant>::success(qint64{0});
    static const QRegularExpression number(QStringLiteral("^([+-]?)([0-9]+)$"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return Parsed<QVariant>::failure(QStringLiteral("\"%1\" is not a whole number.").arg(text));
    const bool negative = match.captured(1) == QLatin1String("-");
    QString digits = match.captured(2);
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (negative && !m_signAllowed && digits != QLatin1String("0"))
        return Parsed<QVariant>::failure(QStringLiteral("A negative number is not allowed here."));
    const int places = m_width - (negative ? 1 : 0);
    if (digits.size() > places || digits.size() > kMaxNumberDigits)
        return Parsed<QVariant>::failure(QStringLiteral("The number %1 is too long: at most %2 digits.")
                                             .arg(text)
                                             .arg(qMin(places, kMaxNumberDigits)));
    const qint64 magnitude = digits.toLongLong();
    return Parsed<QVariant>::success(negative ? -magnitude : magnitude);
}

QString Picture::dateForm() const {
    switch (m_dateStyle) {
    case dates::DateStyle::Numeric2:
        return QStringLiteral("mm/dd/yy");
    case dates::DateStyle::Numeric4:
        return QStringLiteral("mm/dd/yyyy");
    case dates::DateStyle::ShortMonth:
        return QStringLiteral("Mon d, yyyy");
    case dates::DateStyle::LongMonth:
        return QStringLiteral("Month d, yyyy");
    }
    return {};
}

Parsed<QVariant> Picture::parseDate(const QString &input, int referenceDay) const {
    const QString text = input.trimmed();
    if (text.isEmpty())
        return Parsed<QVariant>::success(int{dates::kNoDate});
    auto notADate = [&] {
        return Parsed<QVariant>::failure(
            QStringLiteral("\"%1\" is not a date. Enter it as %2.").arg(text, dateForm()));
    };

    // Every date picture reads month/day/year with "/", "-" or "." between,
    // or the same run together as mmddyy or mmddyyyy; the month-name pictures
    // also read their own form.
    static const QRegularExpression numeric(
        QStringLiteral("^([0-9]{1,2})[/.-]([0-9]{1,2})[/.-]([0-9]{2}|[0-9]{4})$"));
    static const QRegularExpression compact(QStringLiteral("^([0-9]{2})([0-9]{2})([0-9]{2}|[0-9]{4})$"));
    static const QRegularExpression named(
        QStringLiteral("^([A-Za-z]+)\\.?\\s*([0-9]{1,2})(?:\\s*,\\s*|\\s+)([0-9]{2}|[0-9]{4})$"));

    int month = 0;
    QString dayText;
    QString yearText;
    QRegularExpressionMatch match = numeric.match(text);
    if (!match.hasMatch())
        match = compact.match(text);
    if (match.hasMatch()) {
        month = match.captured(1).toInt();
        dayText = match.captured(2);
        yearText = match.captured(3);
    } else if (m_dateStyle == dates::DateStyle::ShortMonth || m_dateStyle == dates::DateStyle::LongMonth) {
        match = named.match(text);
        if (!match.hasMatch())
            return notADate();
        const std::optional<int> m = monthFromWord(match.captured(1));
        if (!m)
            return Parsed<QVariant>::failure(QStringLiteral("\"%1\" is not a month.").arg(match.captured(1)));
        month = *m;
        dayText = match.captured(2);
        yearText = match.captured(3);
    } else {
        return notADate();
    }

    int year = yearText.toInt();
    if (yearText.size() == 2) {
        const int reference = referenceDay != 0 ? referenceDay : dates::today();
        year = widenYear(year, dates::yearOf(reference));
    }
    const int day = dayText.toInt();
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (month < 1 || month > 12 || !date.ok())
        return Parsed<QVariant>::failure(QStringLiteral("\"%1\" is not a valid date.").arg(text));
    if (year < 1801 || year > 9999)
        return Parsed<QVariant>::failure(
            QStringLiteral("\"%1\" is out of range: the year must be from 1801 to 9999.").arg(text));
    return Parsed<QVariant>::success(dates::dayNumber(date));
}

Parsed<QVariant> Picture::parseTime(const QString &input) const {
    const QString text = input.trimmed().toUpper();
    if (text.isEmpty())
        return Parsed<QVariant>::success(int{0});
    static const QRegularExpression time(QStringLiteral("^([0-9]{1,2})(?::([0-9]{2}))?\\s*(AM|PM|A|P)?$"));
    const QRegularExpressionMatch match = time.match(text);
    const auto notATime = [&] {
        return Parsed<QVariant>::failure(
            QStringLiteral("\"%1\" is not a time. Enter it as h:mm followed by AM or PM.")
                .arg(input.trimmed()));
    };
    if (!match.hasMatch())
        return notATime();
    int hour = match.captured(1).toInt();
    const int minute = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
    const QString half = match.captured(3);
    if (minute > 59)
        return notATime();
    if (half.isEmpty()) {
        // Without AM or PM the hour is read on the 24-hour clock.
        if (hour > 23 || match.captured(2).isEmpty())
            return notATime();
    } else {
        if (hour < 1 || hour > 12)
            return notATime();
        hour = hour % 12 + (half.startsWith(QLatin1Char('P')) ? 12 : 0);
    }
    return Parsed<QVariant>::success((hour * 3600 + minute * 60) * 100 + 1);
}

Parsed<QVariant> Picture::parseDigits(const QString &input) const {
    QString digits;
    for (QChar c : input) {
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
        } else if (c != QLatin1Char(' ') && (isDigitPlace(c) || !m_pattern.contains(c))) {
            return Parsed<QVariant>::failure(
                QStringLiteral("Only digits can be entered here; \"%1\" is not a digit.").arg(c));
        }
    }
    if (digits.size() > digitPlaces())
        return Parsed<QVariant>::failure(
            QStringLiteral("Too many digits: at most %1 can be entered here.").arg(digitPlaces()));
    return Parsed<QVariant>::success(digits);
}

} // namespace tabulo::engine

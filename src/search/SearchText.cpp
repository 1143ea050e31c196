#include "search/SearchText.h"

#include <QStringList>

#include <algorithm>

namespace tabulo::search {

namespace {

bool isPhoneMark(QChar c)
{
    return c.isSpace() || c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char('-')
           || c == QLatin1Char('.') || c == QLatin1Char('+') || c == QLatin1Char('/');
}

QString digitsOf(const QString &text)
{
    QString out;
    for (QChar c : text) {
        if (c.isDigit())
            out += c;
    }
    return out;
}

// The digits of a text that reads as a phone number (three digits or more,
// nothing but digits and phone marks); "" otherwise.
QString phoneDigits(const QString &text)
{
    for (QChar c : text) {
        if (!c.isDigit() && !isPhoneMark(c))
            return {};
    }
    const QString digits = digitsOf(text);
    return digits.size() >= 3 ? digits : QString();
}

std::string quoted(const QString &text)
{
    std::string out = "\"";
    for (char c : text.toStdString()) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

QChar foldChar(QChar c)
{
    if (c.decompositionTag() != QChar::NoDecomposition) {
        const QString parts = c.decomposition();
        if (!parts.isEmpty())
            c = parts.front();
    }
    return c.toCaseFolded();
}

bool wordChar(QChar c)
{
    return c.isLetterOrNumber();
}

} // namespace

std::vector<SearchTerm> parseQuery(const QString &text)
{
    std::vector<SearchTerm> terms;
    const QString whole = text.simplified();
    if (whole.isEmpty())
        return terms;
    if (const QString digits = phoneDigits(whole); !digits.isEmpty()) {
        terms.push_back({whole, digits});
        return terms;
    }
    for (const QString &word : whole.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString w = word.trimmed();
        if (std::none_of(w.begin(), w.end(), wordChar))
            continue;
        terms.push_back({w, phoneDigits(w)});
    }
    return terms;
}

std::string wordsExpression(const std::vector<SearchTerm> &terms)
{
    std::string out;
    for (const SearchTerm &t : terms)
        out += (out.empty() ? "" : " AND ") + quoted(t.digits.isEmpty() ? t.text : t.digits) + "*";
    return out;
}

std::string partsExpression(const SearchTerm &term)
{
    return quoted(term.partsText());
}

QString foldForSearch(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        out += foldChar(c);
    return out;
}

std::vector<std::pair<int, int>> findMarks(const QString &shown, const std::vector<SearchTerm> &terms)
{
    const QString folded = foldForSearch(shown);
    std::vector<std::pair<int, int>> marks;
    auto add = [&](int start, int length) {
        if (length > 0)
            marks.emplace_back(start, length);
    };
    for (const SearchTerm &term : terms) {
        if (!term.digits.isEmpty()) {
            // The digits of the shown text, and where each stands.
            QString digits;
            std::vector<int> at;
            for (int i = 0; i < shown.size(); ++i) {
                if (shown[i].isDigit()) {
                    digits += shown[i];
                    at.push_back(i);
                }
            }
            for (int from = 0; (from = static_cast<int>(digits.indexOf(term.digits, from))) >= 0; from += static_cast<int>(term.digits.size())) {
                const int first = at[static_cast<size_t>(from)];
                const int last = at[static_cast<size_t>(from + term.digits.size() - 1)];
                add(first, last - first + 1);
            }
            continue;
        }
        const QString needle = foldForSearch(term.text);
        bool found = false;
        for (int from = 0; (from = static_cast<int>(folded.indexOf(needle, from))) >= 0; from += static_cast<int>(needle.size())) {
            if (from == 0 || !wordChar(folded[from - 1])) {
                add(from, static_cast<int>(needle.size()));
                found = true;
            }
        }
        if (!found && term.anywhere()) {
            for (int from = 0; (from = static_cast<int>(folded.indexOf(needle, from))) >= 0; from += static_cast<int>(needle.size()))
                add(from, static_cast<int>(needle.size()));
        }
    }
    // In order, overlapping marks joined.
    std::sort(marks.begin(), marks.end());
    std::vector<std::pair<int, int>> joined;
    for (const auto &m : marks) {
        if (!joined.empty() && m.first <= joined.back().first + joined.back().second) {
            const int end = std::max(joined.back().first + joined.back().second, m.first + m.second);
            joined.back().second = end - joined.back().first;
        } else {
            joined.push_back(m);
        }
    }
    return joined;
}

} // namespace tabulo::search

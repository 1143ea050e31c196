#pragma once

#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace tabulo::search {

// One word of a query.
struct SearchTerm
{
    QString text;   // as typed
    QString digits; // its digits when it reads as a phone number, else ""

    // Long enough to be looked for anywhere inside a number or an address
    // (three characters or more), not only at the start of a word.
    bool anywhere() const { return partsText().size() >= 3; }
    QString partsText() const { return digits.isEmpty() ? text : digits; }
};

// The words of a query, split at blanks. A query made only of digits and
// the marks a phone number is written with ("(614) 555-1234") is one term,
// its digits. Words with neither a letter nor a digit are dropped.
std::vector<SearchTerm> parseQuery(const QString &text);

// The index query, bound as a parameter: every term the start of a word,
// in any order, in any of the record's searched fields.
std::string wordsExpression(const std::vector<SearchTerm> &terms);
// The query for a term anywhere in the fields searched by any run of
// characters.
std::string partsExpression(const SearchTerm &term);

// Text folded as the index folds it: small letters, accents dropped
// ("Müller" -> "muller"); one character for each character, so positions
// carry over.
QString foldForSearch(const QString &text);

// Where the terms occur in a shown text, as (start, length), in order and
// not overlapping: a term at the start of a word (case and accents
// ignored); failing that, a term of three or more characters anywhere; a
// phone term across the marks a number is shown with.
std::vector<std::pair<int, int>> findMarks(const QString &shown, const std::vector<SearchTerm> &terms);

} // namespace tabulo::search

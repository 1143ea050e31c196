#pragma once

#include <QString>

namespace tabulo::host {

// The dial operation's contract. Every window that offers to dial the number
// of its current row hands the operation a caller label, a location label and
// the number as stored; the operation changes no data, so a window may dial
// at any moment. The labels are built here so that every caller words them
// the same way.

inline constexpr int kCallerLabelWidth = 40;
inline constexpr int kLocationLabelWidth = 25;
inline constexpr int kNumberWidth = 14;

// What a window asks to dial, each part held to its width.
struct DialRequest {
    QString callerLabel;
    QString locationLabel;
    QString number; // the digits without punctuation, as the phone fields hold them

    bool operator==(const DialRequest &) const = default;
};
DialRequest makeDialRequest(const QString &callerLabel, const QString &locationLabel, const QString &number);

// "Ann Smith's Home": first and last name joined by a blank, then "'s " and
// the location (the names list with the phone's location, the call windows
// with "Office"). A missing first or last name leaves no stray blank.
QString personCallerLabel(const QString &firstName, const QString &lastName, const QString &location);
// "Acme Corp Main": the company's name, a blank and the phone's location.
QString companyCallerLabel(const QString &company, const QString &location);

// The caller label the just-phones list and the call windows dialled last,
// kept process-wide.
QString lastCallerLabel();
void setLastCallerLabel(const QString &label);

} // namespace tabulo::host

#pragma once

#include <QString>
#include <QVariant>

namespace tabulo::engine {

// How lists and forms show a field through its display picture ("@s30",
// "n13", "n-13", "n3b") and read typed text back. Kept in one place so the
// windows never format values themselves.
QString showValue(const QString &picture, const QVariant &value);

struct EntryValue {
    bool ok = false;
    QVariant value;
    QString error; // a sentence for the user when the input is refused
};
EntryValue readEntry(const QString &picture, const QString &typed);

} // namespace tabulo::engine

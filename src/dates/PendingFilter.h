#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace tabulo::store {
class Table;
namespace sql {
class Statement;
}
} // namespace tabulo::store

namespace tabulo::dates {

// The pending test as a record filter of a list over QKdat: the test runs on
// every record the list reads, inside the read itself, so a record that is
// not pending is skipped without being counted, exactly as any other filter.
// The test is registered on the table's connection as an SQL function of the
// record's columns and of today, which is bound afresh for every batch read.
class PendingFilter final {
public:
    // Registers the test on the open table's connection (again after the
    // table was reopened; registering twice is harmless).
    static bool install(store::Table &dates);

    // The filter text and its binder for the list's sort order.
    static std::string sql();
    static std::function<int(store::sql::Statement &, int)> binder();

    // Records whose type is none of the four words are never pending; the
    // failure texts met by the reads of this thread since the last call.
    static QStringList takeFailures();
};

} // namespace tabulo::dates

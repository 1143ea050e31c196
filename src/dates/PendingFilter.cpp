#include "dates/PendingFilter.h"

#include "base/Clock.h"
#include "dates/Recurrence.h"
#include "store/Sqlite.h"
#include "store/Table.h"

#include <sqlite3.h>

#include <iterator>
#include <utility>

namespace tabulo::dates {

namespace {

constexpr const char *kFunction = "tabulo_dat_pending";

// The columns handed to the function, in the order it reads them.
constexpr const char *kColumns[] = {"DATE",        "EVENT",   "LEADDAYS",        "TYPE",
                                    "WEEK",        "WEEKDAY", "DAYDATE",         "LASTDAY",
                                    "LASTDAYNAME", "MONTH",   "FLOATINGHOLIDAY", "NUMBEROFDAYS"};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

thread_local QStringList t_failures;

QString textArg(sqlite3_value *v) {
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return text ? QString::fromUtf8(text, sqlite3_value_bytes(v)) : QString();
}

int intArg(sqlite3_value *v) {
    return static_cast<int>(sqlite3_value_int64(v));
}

void pendingFunction(sqlite3_context *context, int argc, sqlite3_value **argv) {
    if (argc != kColumnCount + 1) {
        sqlite3_result_error(context, "wrong number of arguments to the pending test", -1);
        return;
    }
    ImportantDate d;
    d.date = intArg(argv[0]);
    d.event = textArg(argv[1]);
    d.leadDays = intArg(argv[2]);
    d.type = textArg(argv[3]);
    d.week = intArg(argv[4]);
    d.weekday = textArg(argv[5]);
    d.dayDate = intArg(argv[6]);
    d.lastDay = intArg(argv[7]) != 0;
    d.lastDayName = intArg(argv[8]) != 0;
    d.month = textArg(argv[9]);
    d.floatingHoliday = intArg(argv[10]) != 0;
    d.numberOfDays = intArg(argv[11]);
    const int today = intArg(argv[kColumnCount]);
    const PendingResult result = evaluatePending(d, today);
    if (result.failed() && !t_failures.contains(result.failure))
        t_failures.append(result.failure);
    sqlite3_result_int(context, result.pending ? 1 : 0);
}

} // namespace

bool PendingFilter::install(store::Table &dates) {
    if (!dates.handle())
        return false;
    // Not deterministic: the answer depends on today, bound per read.
    return sqlite3_create_function_v2(dates.handle(), kFunction, kColumnCount + 1, SQLITE_UTF8, nullptr,
                                      &pendingFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string PendingFilter::sql() {
    std::string text = std::string(kFunction) + "(";
    for (const char *column : kColumns)
        text += std::string("f_") + column + ",";
    return text + "?)=1";
}

std::function<int(store::sql::Statement &, int)> PendingFilter::binder() {
    return [](store::sql::Statement &statement, int first) {
        statement.bind(first, static_cast<qint64>(Clock::current().today()));
        return first + 1;
    };
}

QStringList PendingFilter::takeFailures() {
    return std::exchange(t_failures, {});
}

} // namespace tabulo::dates

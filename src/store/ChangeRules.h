#pragma once

#include "store/Store.h"
#include "store/Table.h"

#include <QString>
#include <functional>
#include <vector>

class QObject;

namespace tabulo::store {

// The change and delete routines of the tables. Every change and delete a
// window makes goes through them (inserts do not): they frame the writes of
// calls and important dates in a transaction, refuse to overwrite a record
// another station changed since it was read, cascade the delete of a person
// or company to its phone numbers and notes, and report every failure with
// its standard message, so callers only look at the result.

// Results of changeRecord() and deleteRecord().
namespace ChangeResult {
inline constexpr int Done = 0;             // written (or deleted with its cascade)
inline constexpr int Failed = 1;           // failed; the user has been told
inline constexpr int ChangedElsewhere = 2; // change refused: the buffer now holds the stored record
} // namespace ChangeResult

// Which message reports a change refused because another station changed
// the record. Forms with a "Ditto" recall pass Long (message 38, which points
// the user at Ditto); the other forms and the lists pass Short (message 15).
enum class ConflictMessage { Short = 0, Long = 1 };

// One child table whose records go with a deleted parent.
struct CascadeRule {
    QString childTable; // "QKfon"
    QString key;        // the child's key that begins with the link field: "NAM_CTRL_KEY"
    QString linkField;  // "NAM_CTRL"
};

// What the routines do differently per table.
struct ChangeRule {
    bool changeInTransaction = false;
    bool deleteInTransaction = false;
    std::vector<CascadeRule> cascade; // in the order they run
};

// The rule of a table of the dictionary; a table without a rule of its own
// changes and deletes plainly.
const ChangeRule &changeRuleFor(const TableDef &table);

// How long a call's or important date's transaction waits for other stations.
inline constexpr int kTransactionTimeoutSeconds = 2;

// Writes the table's record buffer over its current record (the record last
// read, by its position). The table should have been read with watching armed
// (Table::watch()) so that a change by another station is caught.
//
// Returns ChangeResult::Done, ChangeResult::Failed after showing message 34
// (transaction could not begin) or 15 (the change failed, naming the table),
// or ChangeResult::ChangedElsewhere after showing message 38 (Long) or 15
// ("This record was changed by another station.", Short); then the buffer
// holds the stored record and watching is armed again, so saving once more
// overwrites it. If the other station deleted the record instead, it cannot be
// shown: message 35 follows, the buffer keeps the user's entries and the
// result is Failed.
//
// Message boxes belong to `owner` (null: application-modal).
int changeRecord(Table &table, ConflictMessage conflict, QObject *owner = nullptr);

// Deletes the table's current record: re-reads it by its position (dropping
// unsaved edits in the buffer), deletes a person's or company's phone numbers
// and notes first, then the record. Category links, dates, calls and the
// records that name the parent are left alone.
//
// Returns ChangeResult::Done, or ChangeResult::Failed after showing message 34
// (transaction could not begin), 35 (the record or a child could not be read;
// the record is kept) or 17 (a child or the record could not be deleted,
// naming that table). The record and its children go in one unit of work:
// a failure anywhere keeps all of them.
//
// The child tables are used through `store` for the length of the call, so
// `table` must be a table of that store.
int deleteRecord(Store &store, Table &table, QObject *owner = nullptr);
// The same through the program's store.
int deleteRecord(Table &table, QObject *owner = nullptr);

// The change or delete of a record together with what goes with it in other
// tables (the links that copy a name, the links of a deleted record), as
// one unit of work over `table`, its cascade and `others`: `more` runs after
// the record was written or deleted, and a failure there undoes the record
// too and is reported once (message 15 or 17 naming the table that failed).
// A lock on any of the tables ends the change before anything is written
// (message 34). Returns the same results as changeRecord and deleteRecord.
int changeRecordWith(Table &table, ConflictMessage conflict, const std::vector<Table *> &others,
                     const std::function<StoreError()> &more, QObject *owner = nullptr);
int deleteRecordWith(Table &table, const std::vector<Table *> &others, const std::function<StoreError()> &more,
                     QObject *owner = nullptr);

// The table among `tables` whose file a failure names (the first when none).
QString failedTable(const std::vector<Table *> &tables, const StoreError &e);

// Begins a unit of work as the change routines do: a failure is reported
// with message 34 ("{verb} transaction on {table}"), naming the table whose
// file was locked, and false returned.
class UnitOfWork;
bool beginReported(UnitOfWork &unit, const std::vector<Table *> &tables, const QString &verb, QObject *owner);
// Commits a unit of work; a failure is reported with `message` (15 for an
// update, 17 for a delete) naming the table that failed, and false returned.
bool commitReported(UnitOfWork &unit, const std::vector<Table *> &tables, int message, QObject *owner);

} // namespace tabulo::store

#pragma once

#include <QString>

namespace tabulo::store {

// Condition codes of the keyed record store. Every other nonzero code is a
// plain failure.
namespace Code {
inline constexpr int Ok = 0;
inline constexpr int NoFile = 2;          // the table's file was not found
inline constexpr int Locked = 32;         // the file is locked
inline constexpr int EndOfFile = 33;      // no more records in that direction
inline constexpr int NotFound = 35;       // no record has the requested key value
inline constexpr int DuplicateKey = 40;   // an insert or change would duplicate a unique key
inline constexpr int InvalidKeys = 46;    // the keys are invalid and must be rebuilt
inline constexpr int BadLayout = 47;      // the file does not match the declared layout
inline constexpr int AlreadyOpen = 52;    // the file is already open
inline constexpr int ChangedElsewhere = 89; // the watched record was changed by another station
inline constexpr int SystemError = 90;    // an operating-system failure; see osCode/osText
inline constexpr int Failure = 1;         // any other failure (closed table, bad argument...)
} // namespace Code

// Outcome of one store operation: the condition code, its text, and for
// code 90 the operating system's own error code and text. `file` names the
// table the operation was on, `key` the duplicated key after code 40.
struct StoreError
{
    int code = Code::Ok;
    QString text;
    int osCode = 0;
    QString osText;
    QString file;
    QString key;

    bool ok() const { return code == Code::Ok; }
    explicit operator bool() const { return code != Code::Ok; }
};

// The error of the most recent store operation in this process, whatever
// table it was on (the store's "current" code and text, read by the standard
// message routine).
const StoreError &lastError();
void setLastError(const StoreError &error);

// Rolls back every transaction the store has open. The store registers its
// roll-back here; taking the saved error (store/Messages.h) calls it, so a
// failed change never leaves a transaction open behind the message box.
using RollbackHook = void (*)();
void setRollbackHook(RollbackHook hook);

} // namespace tabulo::store

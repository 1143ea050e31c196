#pragma once

#include "store/Table.h"

#include <QString>
#include <functional>

namespace tabulo::phones {

// The repair the just-phones list runs over every phone number: a person's
// or company's number without a display name gets one ("Last, First" or the
// company's name), and a number whose person or company no longer exists is
// deleted, each deletion told first through `tell` with its message. Numbers
// of the directory itself (just-phones byte 100) are never touched.
//
// It works on whole sets (the owners the numbers name against the owners
// that exist, read in key order side by side), so a pass over a million
// numbers reads each key once. A pass finds nothing to do when none of the
// three tables was written since the last complete pass in this process:
// then it reads nothing.
struct PhoneRepairOutcome {
    qint64 named = 0;    // display names filled in
    qint64 deleted = 0;  // orphan numbers deleted
    bool skipped = false; // nothing written since the last complete pass
    // A write that failed: the display names that could not be written.
    qint64 writeFailures = 0;
    QString failure; // a read or delete that failed; empty when the pass completed
};

struct PhoneRepairTables {
    store::Table &fon;
    store::Table &nam;
    store::Table &cmp;
};

using RepairTeller = std::function<void(const QString &message)>;

// `order` is the key the list reads the numbers by: the messages come in
// its order, as if each number were checked as it is read (null: by control
// number).
PhoneRepairOutcome repairPhones(PhoneRepairTables tables, const store::KeyDef *order,
                                const RepairTeller &tell, const RepairTeller &writeFailed);

// The messages, as the pass shows them.
QString badPersonPhoneMessage(qint64 personNumber, qint64 phoneNumber);
QString badCompanyPhoneMessage(qint64 companyNumber, qint64 phoneNumber);
inline const char *kPhoneWriteError = "Error writing to phone file.";

// Forgets the complete passes this process made (the next pass reads all).
void forgetPhoneRepairs();

} // namespace tabulo::phones

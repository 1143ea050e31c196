#pragma once

#include "store/Table.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace tabulo::store {

// One table file's state as the administrator's check reports it.
struct TableCheck {
    QString file;         // "QKNAM.db"
    QStringList problems; // empty: sound
    StoreError error;     // the check could not run (busy, unreadable)
};

// Checks every table file of the data directory (integrity and keys),
// without changing any. Missing tables are not listed.
std::vector<TableCheck> checkDataDirectory(const QString &directory);

// Repairs every damaged table of the data directory as the windows do
// (keys rebuilt, damaged files kept aside, duplicates set aside); one line
// per table repaired on `report`. Returns the number that could not be
// repaired.
int repairDataDirectory(const QString &directory, const std::function<void(const QString &)> &report);

// A consistent copy of every table file and QK.INI, each taken with SQLite's
// online backup while other stations may write, into a new dated folder
// under `parent`. `progress(done, total)` follows the tables. Returns the
// folder made, or an error text in `error` and an empty string. Every copy
// passes the integrity check before the backup counts as made.
QString backupDataDirectory(const QString &directory, const QString &parent, QString &error,
                            const std::function<void(int, int)> &progress = {});

// Checks a backup folder: every table file in it passes the integrity check
// and is a table of this program. Returns the problems found.
QStringList checkBackup(const QString &folder);

// Puts a checked backup in place: the current files are first moved into a
// dated folder "before-restore-..." in the data directory. No table may be
// open in this process. Returns the folder the current files went to, or
// an error text in `error`.
QString restoreBackup(const QString &folder, const QString &directory, QString &error);

} // namespace tabulo::store

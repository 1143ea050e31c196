#pragma once

#include "store/Store.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tabulo::search {

// The tables whose files keep a search index (people, companies, notes,
// phones, calls), by name.
QStringList searchedTables();

// The searched tables whose files lack their index (a data directory made
// before the index was kept, or a file a repair made anew). Opens those
// whose files exist through the store's guarded open; it makes none.
QStringList tablesWithoutSearchIndex(store::Store &store);

struct IndexBuildOutcome
{
    QStringList built;    // the files that got their index
    qint64 records = 0;   // records indexed, over all those files
    bool cancelled = false;
    store::StoreError error; // the failure that stopped the build
    bool ok() const { return !cancelled && error.ok(); }
    // "The search index was built: 12,345 records in 3 files." and the like.
    QString text() const;
};

// Builds the index of every searched table that lacks it, one file at a
// time, each in one transaction (a file is indexed wholly or not at all).
// `progress` hears the file at work and the share of all the records done
// (0 to 1); returning false stops after the file at work is rolled back.
IndexBuildOutcome buildMissingSearchIndexes(store::Store &store,
                                            const std::function<bool(const QString &file, double done)> &progress = {});

} // namespace tabulo::search

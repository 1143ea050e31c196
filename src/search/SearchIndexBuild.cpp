#include "search/SearchIndexBuild.h"

#include <QFileInfo>
#include <QLocale>

namespace tabulo::search {

QStringList searchedTables()
{
    QStringList names;
    for (const store::TableDef &t : store::Dictionary::instance().tables()) {
        if (t.searched())
            names << t.name;
    }
    return names;
}

QStringList tablesWithoutSearchIndex(store::Store &store)
{
    QStringList missing;
    for (const QString &name : searchedTables()) {
        // A table not made yet gets its index when its first window makes
        // it; using it here would make it at every first start.
        if (!QFileInfo::exists(store.table(name).filePath()))
            continue;
        store::TableUse use(store, {name});
        if (use[name].searchIndexState() == store::Table::SearchIndexState::Missing)
            missing << name;
    }
    return missing;
}

QString IndexBuildOutcome::text() const
{
    const QLocale locale;
    if (!error.ok())
        return QStringLiteral("The search index could not be built: %1").arg(error.text);
    if (cancelled)
        return QStringLiteral("The search index was not built; it will be built the next time.");
    if (built.isEmpty())
        return QStringLiteral("The search index is complete.");
    return QStringLiteral("The search index was built: %1 records in %2 %3.")
        .arg(locale.toString(records))
        .arg(built.size())
        .arg(built.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"));
}

IndexBuildOutcome buildMissingSearchIndexes(store::Store &store,
                                            const std::function<bool(const QString &, double)> &progress)
{
    IndexBuildOutcome outcome;
    const QStringList missing = tablesWithoutSearchIndex(store);
    if (missing.isEmpty())
        return outcome;
    // Each file's share of the work is its share of the records.
    std::vector<qint64> sizes;
    qint64 total = 0;
    for (const QString &name : missing) {
        store::TableUse use(store, {name});
        sizes.push_back(use[name].records());
        total += sizes.back();
    }
    qint64 before = 0;
    for (qsizetype i = 0; i < missing.size(); ++i) {
        const QString &name = missing[i];
        store::TableUse use(store, {name});
        store::Table &table = use[name];
        const QString file = table.fileName();
        const qint64 size = sizes[static_cast<size_t>(i)];
        bool stopped = false;
        const store::StoreError e = table.buildSearchIndex([&](double done) {
            if (!progress || total == 0)
                return true;
            stopped = !progress(file, (static_cast<double>(before) + done * static_cast<double>(size)) / static_cast<double>(total));
            return !stopped;
        });
        if (stopped) {
            outcome.cancelled = true;
            return outcome;
        }
        if (e) {
            outcome.error = e;
            return outcome;
        }
        outcome.built << file;
        outcome.records += size;
        before += size;
    }
    if (progress)
        progress(QString(), 1.0);
    return outcome;
}

} // namespace tabulo::search

#include "search/SearchCommands.h"

#include "host/BatchCommands.h"
#include "search/SearchEngine.h"
#include "search/SearchIndexBuild.h"
#include "store/Store.h"

namespace tabulo::search {

namespace {

constexpr int kDefaultLimit = 50;

QString oneLine(QString text) {
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

int runFind(const host::BatchRequest &request, QTextStream &out, QTextStream &err) {
    if (request.value.trimmed().isEmpty()) {
        err << "--find needs the text to look for." << Qt::endl;
        return 2;
    }
    int limit = kDefaultLimit;
    if (request.has(QStringLiteral("limit"))) {
        bool ok = false;
        limit = request.option(QStringLiteral("limit")).toInt(&ok);
        if (!ok || limit <= 0) {
            err << "--limit takes a number of matches greater than 0." << Qt::endl;
            return 2;
        }
    }
    store::Store &store = store::Store::instance();
    // A data directory made before the index gets it now, once.
    if (!tablesWithoutSearchIndex(store).isEmpty()) {
        err << "Building the search index..." << Qt::endl;
        const IndexBuildOutcome built = buildMissingSearchIndexes(store);
        err << built.text() << Qt::endl;
        if (!built.ok())
            return 1;
    }
    SearchEngine engine(store.directory());
    const SearchResults results = engine.search(request.value, limit);
    for (const QString &failure : results.failures)
        err << failure << Qt::endl;
    if (!results.missingIndex.isEmpty())
        err << "Not searched (no search index): " << results.missingIndex.join(QStringLiteral(", "))
            << Qt::endl;
    for (const SearchHit &h : results.hits) {
        QString text = h.title;
        if (!h.matched.isEmpty() && h.matched != h.title)
            text += (text.isEmpty() ? QString() : QStringLiteral(": ")) + h.matched;
        out << hitKindWord(h.kind) << '\t' << h.ctrl << '\t' << oneLine(text) << '\n';
    }
    for (int k = 0; k < kHitKinds; ++k) {
        if (results.more[static_cast<size_t>(k)])
            err << "More " << hitKindTitle(static_cast<HitKind>(k)).toLower() << " match than the " << limit
                << " shown (--limit)." << Qt::endl;
    }
    out.flush();
    return results.failures.isEmpty() && results.missingIndex.isEmpty() ? 0 : 1;
}

} // namespace

void registerSearchCommands() {
    if (host::findBatchCommand(QStringLiteral("find")))
        return;
    host::registerBatchCommand(
        {QStringLiteral("find"),
         QStringLiteral("text"),
         QStringLiteral("Prints the people, companies, notes, calls and phones that match, one per line."),
         {{QStringLiteral("limit"), QStringLiteral("n"),
           QStringLiteral("At most this many matches of each kind (50).")}},
         false,
         runFind});
}

} // namespace tabulo::search

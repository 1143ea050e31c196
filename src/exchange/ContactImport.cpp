#include "exchange/ContactImport.h"
#include "exchange/ContactWriter.h"

#include "exchange/Csv.h"
#include "exchange/VCard.h"

#include <QFile>

#include <algorithm>

namespace tabulo::exchange {

using store::StoreError;

namespace {
QString failureText(const StoreError &e) {
    QString text = e.text;
    if (!e.file.isEmpty())
        text = e.file + QStringLiteral(": ") + text;
    return QStringLiteral("Storing failed (%1); the cards of the unfinished batch were not stored.")
        .arg(text);
}

} // namespace

QString quotedList(const QStringList &names) {
    QStringList quoted;
    for (const QString &n : names)
        quoted.append(QLatin1Char('"') + n + QLatin1Char('"'));
    return quoted.join(QStringLiteral(", "));
}

QString ImportSummary::text() const {
    QString t;
    t += QStringLiteral("Cards read: %1\n").arg(cardsRead);
    t += QStringLiteral("People added: %1\n").arg(peopleAdded);
    t += QStringLiteral("Companies added: %1\n").arg(companiesAdded);
    t += QStringLiteral("Duplicates skipped: %1\n").arg(duplicatesSkipped);
    t += QStringLiteral("Fields cut: %1\n").arg(fieldsCut);
    t += QStringLiteral("Cards that could not be read: %1\n").arg(problems.size());
    for (const ImportProblem &p : problems)
        t += QStringLiteral("  line %1: %2\n").arg(p.line).arg(p.text);
    if (!unknownColumns.isEmpty())
        t += QStringLiteral("Columns not imported (headers not known): %1\n").arg(quotedList(unknownColumns));
    if (cancelled)
        t += QStringLiteral("The import was cancelled; the cards stored before stay.\n");
    if (!failure.isEmpty())
        t += failure + QLatin1Char('\n');
    if (!searchLate.isEmpty())
        t += QStringLiteral("The cards are stored, but the search finds them only once the tables are next opened: %1\n")
                 .arg(searchLate);
    return t;
}

ImportSummary importContacts(std::vector<Contact> contacts, const ImportOptions &options) {
    ImportSummary summary;
    // Companies first, so that people find theirs whatever the file's order.
    std::stable_partition(contacts.begin(), contacts.end(), [](const Contact &c) { return c.isCompany; });
    ContactWriter writer(summary);
    if (StoreError e = writer.open()) {
        summary.failure = failureText(e);
        return summary;
    }
    const int total = static_cast<int>(contacts.size());
    const int batch = std::max(1, options.batchSize);
    writer.setCardCount(total);
    int done = 0;
    while (done < total && !summary.cancelled) {
        if (StoreError e = writer.beginBatch()) {
            summary.failure = failureText(e);
            break;
        }
        ImportSummary batchCounts;
        int batchCompanies = writer.companiesAdded();
        const int start = done;
        bool failed = false;
        for (int i = start; i < total && i < start + batch; ++i) {
            if (options.progress && !options.progress(i, total)) {
                summary.cancelled = true;
                break;
            }
            bool added = false;
            int cut = 0;
            const Contact &c = contacts[static_cast<size_t>(i)];
            if (StoreError e = writer.write(c, options.addDuplicates, added, cut)) {
                summary.failure = failureText(e);
                failed = true;
                break;
            }
            ++batchCounts.cardsRead;
            if (added) {
                if (!c.isCompany)
                    ++batchCounts.peopleAdded;
                batchCounts.fieldsCut += cut;
            } else {
                ++batchCounts.duplicatesSkipped;
            }
            ++done;
        }
        if (failed) {
            writer.rollbackBatch();
            break;
        }
        if (StoreError e = writer.commitBatch()) {
            summary.failure = failureText(e);
            break;
        }
        summary.cardsRead += batchCounts.cardsRead;
        summary.peopleAdded += batchCounts.peopleAdded;
        summary.duplicatesSkipped += batchCounts.duplicatesSkipped;
        summary.fieldsCut += batchCounts.fieldsCut;
        summary.companiesAdded += writer.companiesAdded() - batchCompanies;
    }
    if (StoreError e = writer.catchUpSearch())
        summary.searchLate = e.file.isEmpty() ? e.text : e.file + QStringLiteral(": ") + e.text;
    if (options.progress && !summary.cancelled && summary.ok())
        options.progress(total, total);
    return summary;
}

ImportSummary importFile(const QString &path, const ImportOptions &options,
                         const std::optional<CsvMapping> &mapping) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ImportSummary summary;
        summary.failure = QStringLiteral("The file %1 cannot be read: %2").arg(path, file.errorString());
        return summary;
    }
    ParsedContacts parsed = parseContacts(file.readAll(), mapping);
    if (!parsed.failure.isEmpty()) {
        ImportSummary summary;
        summary.failure = parsed.failure;
        return summary;
    }
    ImportSummary summary = importContacts(std::move(parsed.contacts), options);
    summary.problems.insert(summary.problems.begin(), parsed.problems.begin(), parsed.problems.end());
    summary.unknownColumns = parsed.unknownColumns;
    std::sort(summary.problems.begin(), summary.problems.end(),
              [](const ImportProblem &a, const ImportProblem &b) { return a.line < b.line; });
    return summary;
}

} // namespace tabulo::exchange

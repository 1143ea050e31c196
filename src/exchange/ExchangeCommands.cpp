#include "exchange/ExchangeCommands.h"

#include "exchange/ContactExport.h"
#include "exchange/ContactImport.h"
#include "host/BatchCommands.h"
#include "store/Store.h"

namespace tabulo::exchange {

namespace {

int runImport(const host::BatchRequest &request, QTextStream &out, QTextStream &err) {
    if (request.value.isEmpty()) {
        err << "--import needs a file." << Qt::endl;
        return 2;
    }
    ImportOptions options;
    options.addDuplicates = request.has(QStringLiteral("add-duplicates"));
    const ImportSummary summary = importFile(request.filePath(request.value), options);
    out << summary.text();
    if (!summary.ok()) {
        err << summary.failure << Qt::endl;
        return 1;
    }
    // Cards that could not be read are a partial failure a script must see.
    return summary.problems.empty() ? 0 : 3;
}

// The name category's number by its name; false when there is none.
bool findCategory(const QString &name, qint64 &number) {
    store::TableUse use({QStringLiteral("QKcat")});
    store::Table &cat = use[QStringLiteral("QKcat")];
    cat.record().clear();
    cat.record().setText(cat.def().fieldIndex(QStringLiteral("CATEGORY")), name);
    if (cat.fetch(*cat.def().key(QStringLiteral("CAT_KEY"))))
        return false;
    number = cat.record().integer(0);
    return true;
}

int runExport(const host::BatchRequest &request, QTextStream &out, QTextStream &err) {
    ExportOptions options;
    if (!exportFormatFromName(request.value, options.format)) {
        err << "--export takes vcard, vcard3 or csv, not \"" << request.value << "\"." << Qt::endl;
        return 2;
    }
    if (request.positional.size() != 1) {
        err << "--export needs one file to write." << Qt::endl;
        return 2;
    }
    if (request.has(QStringLiteral("category"))) {
        const QString name = request.option(QStringLiteral("category"));
        options.scope = ExportScope::People;
        if (name.compare(QLatin1String("All"), Qt::CaseInsensitive) != 0 &&
            !findCategory(name, options.category)) {
            err << "There is no category \"" << name << "\"." << Qt::endl;
            return 1;
        }
    }
    const ExportSummary summary = exportFile(request.filePath(request.positional.first()), options);
    out << summary.text();
    if (!summary.ok()) {
        err << summary.failure << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

void registerExchangeCommands() {
    if (host::findBatchCommand(QStringLiteral("import")))
        return;
    host::registerBatchCommand({QStringLiteral("import"),
                                QStringLiteral("file"),
                                QStringLiteral("Imports the people and companies of a vCard or CSV file."),
                                {{QStringLiteral("add-duplicates"),
                                  {},
                                  QStringLiteral("Imports cards that match a stored person too.")}},
                                false,
                                runImport});
    host::registerBatchCommand(
        {QStringLiteral("export"),
         QStringLiteral("vcard|vcard3|csv"),
         QStringLiteral("Exports people and companies to the file given after the options."),
         {{QStringLiteral("category"), QStringLiteral("name"),
           QStringLiteral("Only the people of this category.")}},
         true,
         runExport});
}

} // namespace tabulo::exchange

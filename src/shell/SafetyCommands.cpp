#include "shell/SafetyCommands.h"

#include "host/BatchCommands.h"
#include "store/DataSafety.h"
#include "store/Store.h"

#include <QDir>

namespace tabulo::shell {

using host::BatchRequest;
using host::registerBatchCommand;

namespace {

QString dataDirectory() {
    return store::Store::instance().directory();
}

int check(const BatchRequest &, QTextStream &out, QTextStream &err) {
    int damaged = 0;
    const auto checks = store::checkDataDirectory(dataDirectory());
    for (const store::TableCheck &c : checks) {
        if (c.error) {
            err << c.file << ": not checked: " << c.error.text << " (" << c.error.code << ")\n";
            ++damaged;
        } else if (c.problems.isEmpty()) {
            out << c.file << ": ok\n";
        } else {
            out << c.file << ": damaged: " << c.problems.join(QStringLiteral("; ")) << "\n";
            ++damaged;
        }
    }
    out << checks.size() << " table(s) checked, " << damaged << " damaged\n";
    return damaged ? 1 : 0;
}

int repair(const BatchRequest &, QTextStream &out, QTextStream &err) {
    store::Store::instance().closeAll();
    const int failed =
        store::repairDataDirectory(dataDirectory(), [&out](const QString &line) { out << line << "\n"; });
    if (failed)
        err << failed << " table(s) could not be repaired\n";
    return failed ? 1 : 0;
}

int backup(const BatchRequest &request, QTextStream &out, QTextStream &err) {
    if (request.value.isEmpty()) {
        err << "--backup needs the folder to back up into\n";
        return 2;
    }
    QString error;
    const QString folder = store::backupDataDirectory(dataDirectory(), request.value, error);
    if (folder.isEmpty()) {
        err << "Backup failed: " << error << "\n";
        return 1;
    }
    out << "Backed up " << QDir(folder).entryList(QDir::Files).size() << " file(s) to "
        << QDir::toNativeSeparators(folder) << "\n";
    return 0;
}

} // namespace

void registerSafetyCommands() {
    registerBatchCommand({QStringLiteral("check"),
                          {},
                          QStringLiteral("Check every table of the data directory (integrity and keys)"),
                          {},
                          false,
                          check});
    registerBatchCommand(
        {QStringLiteral("repair"),
         {},
         QStringLiteral("Repair the damaged tables of the data directory, keeping copies aside"),
         {},
         false,
         repair});
    registerBatchCommand({QStringLiteral("backup"),
                          QStringLiteral("dir"),
                          QStringLiteral("Copy every table and QK.INI into a dated folder under DIR"),
                          {},
                          false,
                          backup});
}

} // namespace tabulo::shell

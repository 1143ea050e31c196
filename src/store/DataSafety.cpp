#include "store/DataSafety.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace tabulo::store {

namespace {

const QString kSettingsFile = QStringLiteral("QK.INI");

QStringList tableFiles(const QString &directory) {
    QStringList files;
    for (const TableDef &def : Dictionary::instance().tables()) {
        const QString name = Table::fileNameFor(def);
        if (QFileInfo(QDir(directory).filePath(name)).isFile())
            files << name;
    }
    return files;
}

const TableDef *tableOfFile(const QString &name) {
    for (const TableDef &def : Dictionary::instance().tables()) {
        if (Table::fileNameFor(def).compare(name, Qt::CaseInsensitive) == 0)
            return &def;
    }
    return nullptr;
}

QString stamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
}

// A folder under `parent` named with the date that does not exist yet.
QString newFolder(const QString &parent, const QString &prefix) {
    QString path = QDir(parent).filePath(prefix + stamp());
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(parent).filePath(prefix + stamp() + QLatin1Char('-') + QString::number(n));
    return QDir().mkpath(path) ? path : QString();
}

QString integrity(const QString &path) {
    sqlite3 *db = nullptr;
    QString result = QStringLiteral("cannot be opened");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sql::Statement check(db, "PRAGMA integrity_check(1)");
        result = check.valid() && check.step() == SQLITE_ROW ? QString::fromStdString(check.text(0))
                                                             : QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_close_v2(db);
    return result;
}

// One file through SQLite's online backup, in steps: a writer waits at most
// one step, and a backup that another station wrote into starts again, so
// the copy is the file as one committed state.
QString backupFile(const QString &from, const QString &to) {
    sqlite3 *src = nullptr;
    sqlite3 *dst = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(from).constData(), &src, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        error = QString::fromUtf8(sqlite3_errmsg(src));
    else if (sqlite3_open_v2(QFile::encodeName(to).constData(), &dst, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr)
             != SQLITE_OK)
        error = QString::fromUtf8(sqlite3_errmsg(dst));
    if (error.isEmpty()) {
        sqlite3_busy_timeout(src, 5000);
        sqlite3_exec(dst, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        sqlite3_backup *b = sqlite3_backup_init(dst, "main", src, "main");
        if (!b) {
            error = QString::fromUtf8(sqlite3_errmsg(dst));
        } else {
            int rc = SQLITE_OK;
            int waits = 0;
            while ((rc = sqlite3_backup_step(b, 256)) == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
                if (rc != SQLITE_OK) {
                    if (++waits > 600)
                        break;
                    QThread::msleep(50);
                }
            }
            sqlite3_backup_finish(b);
            if (rc != SQLITE_DONE)
                error = QString::fromUtf8(sqlite3_errstr(rc));
        }
    }
    sqlite3_close_v2(src);
    sqlite3_close_v2(dst);
    return error;
}

} // namespace

std::vector<TableCheck> checkDataDirectory(const QString &directory) {
    std::vector<TableCheck> checks;
    for (const QString &name : tableFiles(directory)) {
        TableCheck c;
        c.file = name;
        Table t(*tableOfFile(name), directory);
        c.error = t.check(c.problems);
        checks.push_back(c);
    }
    return checks;
}

int repairDataDirectory(const QString &directory, const std::function<void(const QString &)> &report) {
    int failed = 0;
    for (const TableCheck &c : checkDataDirectory(directory)) {
        if (c.error) {
            report(QStringLiteral("%1: not checked: %2 (%3)").arg(c.file, c.error.text).arg(c.error.code));
            ++failed;
            continue;
        }
        if (c.problems.isEmpty()) {
            report(c.file + QStringLiteral(": ok"));
            continue;
        }
        Table t(*tableOfFile(c.file), directory);
        Table::RepairOutcome outcome;
        const StoreError e = t.repair(outcome);
        if (e) {
            report(QStringLiteral("%1: not repaired: %2 (%3)").arg(c.file, e.text).arg(e.code));
            ++failed;
            continue;
        }
        QStringList after;
        t.check(after);
        if (!after.isEmpty()) {
            report(c.file + QStringLiteral(": still damaged after the repair: ") + after.join(QStringLiteral("; ")));
            ++failed;
            continue;
        }
        QString line = c.file + QStringLiteral(": repaired");
        if (outcome.recordsDamaged)
            line += QStringLiteral(", %1 record(s) saved, %2 could not be read, damaged file kept as %3")
                        .arg(outcome.saved)
                        .arg(outcome.unreadable)
                        .arg(QDir::toNativeSeparators(outcome.damagedCopy));
        if (outcome.setAside)
            line += QStringLiteral(", %1 duplicate(s) set aside in %2")
                        .arg(outcome.setAside)
                        .arg(QDir::toNativeSeparators(outcome.sideFile));
        report(line);
    }
    return failed;
}

QString backupDataDirectory(const QString &directory, const QString &parent, QString &error,
                            const std::function<void(int, int)> &progress) {
    const QStringList files = tableFiles(directory);
    if (files.isEmpty()) {
        error = QStringLiteral("%1 holds no tables").arg(QDir::toNativeSeparators(directory));
        return {};
    }
    const QString folder = newFolder(parent, QStringLiteral("Tabulo-backup-"));
    if (folder.isEmpty()) {
        error = QStringLiteral("cannot make a folder in %1").arg(QDir::toNativeSeparators(parent));
        return {};
    }
    const int total = static_cast<int>(files.size()) + 1;
    for (int i = 0; i < files.size(); ++i) {
        if (progress)
            progress(i, total);
        const QString to = QDir(folder).filePath(files[i]);
        QString problem = backupFile(QDir(directory).filePath(files[i]), to);
        if (problem.isEmpty() && integrity(to) != QLatin1String("ok"))
            problem = QStringLiteral("the copy does not pass the integrity check");
        if (!problem.isEmpty()) {
            error = files[i] + QStringLiteral(": ") + problem;
            return {};
        }
    }
    const QString settings = QDir(directory).filePath(kSettingsFile);
    if (QFileInfo::exists(settings) && !QFile::copy(settings, QDir(folder).filePath(kSettingsFile))) {
        error = kSettingsFile + QStringLiteral(": cannot be copied");
        return {};
    }
    if (progress)
        progress(total, total);
    return folder;
}

QStringList checkBackup(const QString &folder) {
    QStringList problems;
    const QStringList files = tableFiles(folder);
    if (files.isEmpty())
        problems << QStringLiteral("%1 holds no tables").arg(QDir::toNativeSeparators(folder));
    for (const QString &name : files) {
        Table t(*tableOfFile(name), folder);
        QStringList found;
        const StoreError e = t.check(found);
        if (e)
            problems << QStringLiteral("%1: %2 (%3)").arg(name, e.text).arg(e.code);
        for (const QString &p : found)
            problems << name + QStringLiteral(": ") + p;
    }
    return problems;
}

QString restoreBackup(const QString &folder, const QString &directory, QString &error) {
    const QStringList problems = checkBackup(folder);
    if (!problems.isEmpty()) {
        error = problems.join(QLatin1Char('\n'));
        return {};
    }
    const QString aside = newFolder(directory, QStringLiteral("before-restore-"));
    if (aside.isEmpty()) {
        error = QStringLiteral("cannot make a folder in %1").arg(QDir::toNativeSeparators(directory));
        return {};
    }
    QStringList names = tableFiles(folder);
    for (const QString &current : tableFiles(directory)) {
        if (!names.contains(current))
            names << current;
    }
    names << kSettingsFile;
    // All the backup's files or none: they are first copied beside the
    // data (a full disk or an unreadable file stops the restore before
    // anything changed), then the current files go aside (moved, never
    // deleted) and the copies take their places by renaming; a failure on
    // the way puts every current file back.
    const QString staged = QDir(aside).filePath(QStringLiteral("restoring"));
    if (!QDir().mkpath(staged)) {
        error = QStringLiteral("cannot make a folder in %1").arg(QDir::toNativeSeparators(aside));
        return {};
    }
    QStringList copied;
    for (const QString &name : names) {
        const QString from = QDir(folder).filePath(name);
        if (!QFileInfo::exists(from))
            continue;
        if (!QFile::copy(from, QDir(staged).filePath(name))) {
            error = QStringLiteral("%1 cannot be copied from the backup; nothing was restored").arg(name);
            QDir(staged).removeRecursively();
            QDir(aside).removeRecursively();
            return {};
        }
        copied << name;
    }
    QStringList moved = names;
    for (const QString &name : names)
        moved << name + QStringLiteral("-journal"); // a journal left beside a file belongs to it
    QStringList movedAside;
    QStringList placed;
    const auto undo = [&] {
        for (const QString &name : placed)
            QFile::remove(QDir(directory).filePath(name));
        for (const QString &name : movedAside)
            QFile::rename(QDir(aside).filePath(name), QDir(directory).filePath(name));
        QDir(staged).removeRecursively();
    };
    for (const QString &name : moved) {
        const QString path = QDir(directory).filePath(name);
        if (!QFileInfo::exists(path))
            continue;
        if (!QFile::rename(path, QDir(aside).filePath(name))) {
            error = QStringLiteral("%1 cannot be moved aside; nothing was restored").arg(name);
            undo();
            return {};
        }
        movedAside << name;
    }
    for (const QString &name : copied) {
        if (!QFile::rename(QDir(staged).filePath(name), QDir(directory).filePath(name))) {
            error = QStringLiteral("%1 cannot be put in place; nothing was restored").arg(name);
            undo();
            return {};
        }
        placed << name;
    }
    QDir(staged).removeRecursively();
    return aside;
}

} // namespace tabulo::store

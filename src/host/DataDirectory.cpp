#include "host/DataDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tabulo::host {

namespace {
QString s_path;
}

QString DataDirectory::path() {
    return s_path.isEmpty() ? QDir::currentPath() : s_path;
}

QString DataDirectory::use(const QString &directory) {
    const QFileInfo info(directory);
    if (!info.exists())
        return QStringLiteral("The data directory \"%1\" does not exist.").arg(directory);
    if (!info.isDir())
        return QStringLiteral("\"%1\" is not a directory.").arg(directory);
    const QString absolute = info.absoluteFilePath();
    if (!QDir::setCurrent(absolute))
        return QStringLiteral("Cannot change to the data directory \"%1\".").arg(directory);
    s_path = absolute;
    return {};
}

QString DataDirectory::standardLocation() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString DataDirectory::useStandardLocation() {
    const QString location = standardLocation();
    if (location.isEmpty())
        return QStringLiteral("This system names no standard data location; start with --data-dir.");
    if (!QDir().mkpath(location))
        return QStringLiteral("Cannot create the data directory \"%1\".").arg(location);
    return use(location);
}

QString DataDirectory::settingsFile() {
    return QDir(path()).filePath(QStringLiteral("QK.INI"));
}

} // namespace tabulo::host

#include "shell/HelpLauncher.h"

#include <QDir>
#include <QFileInfo>

namespace tabulo::shell {

QString onlineHelpAddress() {
    return QStringLiteral("https://www.tabulo-list-manager.org/help/helpdocs.htm");
}

QString helpLauncherName() {
#ifdef Q_OS_WIN
    return QStringLiteral("ow.exe");
#else
    return QStringLiteral("ow");
#endif
}

QString localHelpFile(const QString &programDirectory) {
    const QDir dir(programDirectory);
    const QString beside = dir.filePath(QStringLiteral("helpfiles/HelpDocLocal.htm"));
    const QString installed =
        QDir::cleanPath(dir.filePath(QStringLiteral("../share/tabulo/helpfiles/HelpDocLocal.htm")));
    for (const QString &candidate : {beside, installed})
        if (QFileInfo(candidate).isFile())
            return QDir::toNativeSeparators(candidate);
    return QDir::toNativeSeparators(beside);
}

HelpLaunch planHelp(HelpKind kind, const QString &programDirectory) {
    const QDir dir(programDirectory);
    HelpLaunch launch;
    if (kind == HelpKind::Online) {
        launch.target = onlineHelpAddress();
    } else {
        launch.target = localHelpFile(programDirectory);
        launch.targetIsFile = true;
    }
    const QFileInfo launcher(dir.filePath(helpLauncherName()));
    if (launcher.isFile() && launcher.isExecutable()) {
        launch.program = launcher.absoluteFilePath();
        launch.arguments = QStringList{launch.target};
    }
    return launch;
}

} // namespace tabulo::shell

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

HelpLaunch planHelp(HelpKind kind, const QString &programDirectory) {
    const QDir dir(programDirectory);
    HelpLaunch launch;
    if (kind == HelpKind::Online) {
        launch.target = onlineHelpAddress();
    } else {
        launch.target = QDir::toNativeSeparators(dir.filePath(QStringLiteral("helpfiles/HelpDocLocal.htm")));
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

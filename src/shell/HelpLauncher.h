#pragma once

#include <QString>
#include <QStringList>

namespace tabulo::shell {

// How a help item is shown: the companion launcher from the program's own
// directory when it is there, otherwise the target handed to the desktop.
struct HelpLaunch {
    QString program; // the launcher's full path; empty when it is missing
    QStringList arguments;
    QString target; // the page address or the local file
    bool targetIsFile = false;
};

enum class HelpKind { Online, Local };

// The address of the online help pages.
QString onlineHelpAddress();

// The local help file for a program in `programDirectory`: "helpfiles/
// HelpDocLocal.htm" beside the program (where the build puts it), else in
// the installed share folder ("../share/tabulo/helpfiles" from the program's
// bin folder). When neither exists, the first, so that a message can name it.
QString localHelpFile(const QString &programDirectory);

// Works out what to run for `kind`, given the program's directory.
HelpLaunch planHelp(HelpKind kind, const QString &programDirectory);

// The launcher's file name on this platform ("ow.exe" on Windows, "ow" elsewhere).
QString helpLauncherName();

} // namespace tabulo::shell

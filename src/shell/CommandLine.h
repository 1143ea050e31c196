#pragma once

#include <QString>
#include <QStringList>

namespace tabulo::shell {

// What the user asked for on the command line.
struct CommandLineOptions {
    enum class Action { Run, ShowHelp, ShowVersion, Error };
    Action action = Action::Run;
    QString dataDirectory; // empty: the working directory
    QString text;          // help or version text to print, or the error
};

// Reads the program's arguments (the first is the program itself). Prints
// nothing and never exits, so the caller decides how to report.
CommandLineOptions parseCommandLine(const QStringList &arguments);

} // namespace tabulo::shell

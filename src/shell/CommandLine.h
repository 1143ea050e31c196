#pragma once

#include "host/BatchCommands.h"

#include <QString>
#include <QStringList>

namespace tabulo::shell {

// What the user asked for on the command line.
struct CommandLineOptions {
    enum class Action { Run, RunBatch, ShowHelp, ShowVersion, Error };
    Action action = Action::Run;
    QString dataDirectory; // empty: the working directory
    QString text;          // help or version text to print, or the error
    // --user-data: the user's standard data location, as the desktop
    // launcher asks for. Never set together with dataDirectory.
    bool standardDataLocation = false;
    // RunBatch: the command asked for and what it was given.
    const host::BatchCommand *batch = nullptr;
    host::BatchRequest request;
};

// Reads the program's arguments (the first is the program itself). Prints
// nothing and never exits, so the caller decides how to report. The batch
// commands registered so far are offered as options; at most one of them
// may be given.
CommandLineOptions parseCommandLine(const QStringList &arguments);

// The option the desktop launcher passes to keep the data in the user's
// standard data location ("user-data", without dashes).
QString standardDataOptionName();

} // namespace tabulo::shell

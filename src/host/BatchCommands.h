#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <map>
#include <vector>

namespace tabulo::host {

// What a command that runs without a window was given on the command line.
struct BatchRequest {
    QString value;                      // the command option's own value ("" when it takes none)
    QStringList positional;             // arguments after the options
    std::map<QString, QString> options; // the command's further options that were set, by name
    QString dataDirectory;              // as given with --data-dir ("" for the working directory)
    // The working directory the command line was given in: --data-dir makes
    // the data directory the working one before the command runs, so a file
    // named relative to where the user stood is found through this.
    QString startDirectory;

    // A file named on the command line, as an absolute path.
    QString filePath(const QString &name) const {
        return startDirectory.isEmpty() || QDir::isAbsolutePath(name) ? name
                                                                      : QDir(startDirectory).filePath(name);
    }

    QString option(const QString &name) const {
        const auto found = options.find(name);
        return found == options.end() ? QString() : found->second;
    }
    bool has(const QString &name) const { return options.count(name) != 0; }
};

// A further option a batch command reads ("--category NAME").
struct BatchOption {
    QString name;      // "category"
    QString valueName; // "name"; "" for a switch
    QString description;
};

// A command-line action that works without a window: it prints a short
// summary on `out`, errors on `err`, and returns the process's exit status
// (0 on success). Runs after the data directory is set and the store points
// at it.
struct BatchCommand {
    QString name;        // "report" for --report
    QString valueName;   // "kind"; "" when the option takes no value
    QString description; // one line for --help
    std::vector<BatchOption> options;
    bool takesPositional = false; // accepts arguments after the options (files)
    std::function<int(const BatchRequest &, QTextStream &out, QTextStream &err)> run;
};

// The registry: each subsystem adds its commands once at start-up.
void registerBatchCommand(BatchCommand command);
const std::vector<BatchCommand> &batchCommands();
const BatchCommand *findBatchCommand(const QString &name);

} // namespace tabulo::host

#include "shell/CommandLine.h"

#include "host/DataDirectory.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tabulo::shell {

using host::BatchCommand;
using host::batchCommands;
using host::BatchOption;
using host::DataDirectory;

QString standardDataOptionName() {
    return QStringLiteral("user-data");
}

CommandLineOptions parseCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    QString standard = DataDirectory::standardLocation();
    if (standard.isEmpty())
        standard = QStringLiteral("(none on this system)");
    parser.setApplicationDescription(
        QStringLiteral("Tabulo List Manager: names, companies, important dates and calls.\n\n"
                       "Where the data lives: one file per table and QK.INI, in the working directory\n"
                       "unless --data-dir names another. The desktop launcher starts the program with\n"
                       "--%1, which keeps them in %2\n"
                       "(created on first start).")
            .arg(standardDataOptionName(), standard));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption dataDirOption(
        QStringList{QStringLiteral("d"), QStringLiteral("data-dir")},
        QStringLiteral("Keep the tables and QK.INI in <directory> instead of the working directory."),
        QStringLiteral("directory"));
    parser.addOption(dataDirOption);
    const QCommandLineOption standardOption(
        standardDataOptionName(),
        QStringLiteral("Keep the data in the user's standard data folder (see above), as the desktop "
                       "launcher does."));
    parser.addOption(standardOption);
    // The commands that work without a window, and the further options they
    // read (shared by name: several commands take --category).
    std::vector<QString> further;
    for (const BatchCommand &c : batchCommands()) {
        parser.addOption(c.valueName.isEmpty() ? QCommandLineOption(c.name, c.description)
                                               : QCommandLineOption(c.name, c.description, c.valueName));
        for (const BatchOption &o : c.options) {
            if (std::find(further.begin(), further.end(), o.name) != further.end())
                continue;
            further.push_back(o.name);
            parser.addOption(o.valueName.isEmpty() ? QCommandLineOption(o.name, o.description)
                                                   : QCommandLineOption(o.name, o.description, o.valueName));
        }
    }

    CommandLineOptions options;
    if (!parser.parse(arguments)) {
        options.action = CommandLineOptions::Action::Error;
        options.text = parser.errorText();
        return options;
    }
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        options.action = CommandLineOptions::Action::ShowHelp;
        // Read before the application object exists, the parser cannot name
        // the program itself.
        QString program = QFileInfo(arguments.value(0)).fileName();
        if (program.isEmpty())
            program = QStringLiteral("tabulo");
        options.text = parser.helpText().replace(QStringLiteral("<executable_name>"), program);
        return options;
    }
    if (parser.isSet(versionOption)) {
        options.action = CommandLineOptions::Action::ShowVersion;
        const QString name = QCoreApplication::applicationName().isEmpty()
                                 ? QStringLiteral("tabulo")
                                 : QCoreApplication::applicationName();
        options.text = name + QLatin1Char(' ') + QStringLiteral(TABULO_VERSION) + QLatin1Char('\n');
        return options;
    }
    if (parser.isSet(dataDirOption)) {
        options.dataDirectory = parser.value(dataDirOption);
        if (options.dataDirectory.isEmpty()) {
            options.action = CommandLineOptions::Action::Error;
            options.text = QStringLiteral("--data-dir needs a directory.");
            return options;
        }
    }
    auto fail = [&options](const QString &text) {
        options.action = CommandLineOptions::Action::Error;
        options.text = text;
        options.batch = nullptr;
        return options;
    };
    if (parser.isSet(standardOption)) {
        if (parser.isSet(dataDirOption))
            return fail(QStringLiteral("--data-dir and --%1 cannot be given together.")
                            .arg(standardDataOptionName()));
        options.standardDataLocation = true;
    }
    for (const BatchCommand &c : batchCommands()) {
        if (!parser.isSet(c.name))
            continue;
        if (options.batch)
            return fail(
                QStringLiteral("--%1 and --%2 cannot be given together.").arg(options.batch->name, c.name));
        options.batch = &c;
    }
    if (!options.batch) {
        if (!parser.positionalArguments().isEmpty())
            return fail(QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first()));
        for (const QString &name : further)
            if (parser.isSet(name))
                return fail(QStringLiteral("--%1 belongs with another option; see --help.").arg(name));
        return options;
    }
    const BatchCommand &c = *options.batch;
    if (!c.takesPositional && !parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first()));
    for (const QString &name : further) {
        if (!parser.isSet(name))
            continue;
        const bool own = std::any_of(c.options.begin(), c.options.end(),
                                     [&name](const BatchOption &o) { return o.name == name; });
        if (!own)
            return fail(QStringLiteral("--%1 does not go with --%2.").arg(name, c.name));
        options.request.options[name] = parser.value(name);
    }
    options.action = CommandLineOptions::Action::RunBatch;
    options.request.value = c.valueName.isEmpty() ? QString() : parser.value(c.name);
    options.request.positional = parser.positionalArguments();
    options.request.dataDirectory = options.dataDirectory;
    options.request.startDirectory = QDir::currentPath();
    return options;
}

} // namespace tabulo::shell

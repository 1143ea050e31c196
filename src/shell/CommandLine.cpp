#include "shell/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace tabulo::shell {

CommandLineOptions parseCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tabulo List Manager: names, companies, "
                                                    "important dates and calls."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption dataDirOption(
        QStringList{QStringLiteral("d"), QStringLiteral("data-dir")},
        QStringLiteral("Keep the tables and QK.INI in <directory> instead of the working directory."),
        QStringLiteral("directory"));
    parser.addOption(dataDirOption);

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
    if (!parser.positionalArguments().isEmpty()) {
        options.action = CommandLineOptions::Action::Error;
        options.text = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return options;
    }
    if (parser.isSet(dataDirOption)) {
        options.dataDirectory = parser.value(dataDirOption);
        if (options.dataDirectory.isEmpty()) {
            options.action = CommandLineOptions::Action::Error;
            options.text = QStringLiteral("--data-dir needs a directory.");
        }
    }
    return options;
}

} // namespace tabulo::shell

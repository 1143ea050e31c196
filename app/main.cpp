#include "engine/Picture.h"
#include "shell/CommandLine.h"
#include "shell/DataDirectory.h"
#include "shell/StoreSetupSource.h"
#include "shell/gui/MainFrame.h"
#include "shell/gui/ProgramBatchCommands.h"
#include "shell/gui/ProgramWindows.h"
#include "store/Store.h"
#include "store/gui/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>
#include <cstdio>

using namespace tabulo;

namespace {

QString formatD3(int dayNumber) {
    static const engine::Picture d3 = engine::Picture::fromText(QStringLiteral("d3")).value();
    return d3.formatDate(dayNumber);
}

int runBatch(int argc, char **argv, const shell::CommandLineOptions &options) {
    // No window is shown: the offscreen platform gives fonts and painting
    // without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!options.dataDirectory.isEmpty()) {
        const QString problem = shell::DataDirectory::use(options.dataDirectory);
        if (!problem.isEmpty()) {
            err << problem << Qt::endl;
            return 2;
        }
    }
    store::Store::instance().setDirectory(shell::DataDirectory::path());
    const int status = options.batch->run(options.request, out, err);
    out.flush();
    err.flush();
    store::Store::instance().closeAll();
    return status;
}

} // namespace

int main(int argc, char **argv) {
    // The command line is read before the application object exists, so that
    // --help and --version work without a display.
    QCoreApplication::setApplicationName(QStringLiteral("tabulo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TABULO_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    shell::gui::registerProgramBatchCommands();
    const shell::CommandLineOptions options = shell::parseCommandLine(arguments);
    switch (options.action) {
    case shell::CommandLineOptions::Action::RunBatch:
        return runBatch(argc, argv, options);
    case shell::CommandLineOptions::Action::ShowHelp:
    case shell::CommandLineOptions::Action::ShowVersion:
        std::fputs(options.text.toLocal8Bit().constData(), stdout);
        return 0;
    case shell::CommandLineOptions::Action::Error:
        std::fprintf(stderr, "%s\nTry --help.\n", options.text.toLocal8Bit().constData());
        return 2;
    case shell::CommandLineOptions::Action::Run:
        break;
    }
    QApplication app(argc, argv);
    store::QtMessageService::install();
    if (!options.dataDirectory.isEmpty()) {
        const QString problem = shell::DataDirectory::use(options.dataDirectory);
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
            return 2;
        }
    }

    store::Store::instance().setDirectory(shell::DataDirectory::path());
    shell::StoreSetupSource setup(store::Store::instance());
    shell::gui::MainFrame::Services services;
    services.setup = &setup;
    services.formatD3 = formatD3;
    shell::gui::MainFrame frame(services);
    shell::gui::registerProgramWindows(frame.openers());

    QString error;
    if (!frame.start(&error)) {
        if (!frame.failureReported())
            QMessageBox::critical(&frame, QStringLiteral("Tabulo List Manager"), error);
        return 1;
    }
    return app.exec();
}

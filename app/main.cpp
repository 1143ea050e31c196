#include "engine/Picture.h"
#include "host/DataDirectory.h"
#include "host/StoreSetupSource.h"
#include "shell/CommandLine.h"
#include "shell/gui/AboutDialog.h"
#include "shell/gui/MainFrame.h"
#include "shell/gui/ProgramBatchCommands.h"
#include "shell/gui/ProgramWindows.h"
#include "store/Store.h"
#include "store/gui/QtMessageService.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

using namespace tabulo;

namespace {

QString formatD3(int dayNumber) {
    static const engine::Picture d3 = engine::Picture::fromText(QStringLiteral("d3")).value();
    return d3.formatDate(dayNumber);
}

// Makes the directory the command line chose the data directory: the one
// given, the user's standard location (created when missing), or else the
// working directory. Returns the problem, or an empty text.
QString chooseDataDirectory(const shell::CommandLineOptions &options) {
    if (options.standardDataLocation)
        return host::DataDirectory::useStandardLocation();
    if (!options.dataDirectory.isEmpty())
        return host::DataDirectory::use(options.dataDirectory);
    return {};
}

int runBatch(int argc, char **argv, const shell::CommandLineOptions &options) {
    // No window is shown: the offscreen platform gives fonts and painting
    // without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (const QString problem = chooseDataDirectory(options); !problem.isEmpty()) {
        err << problem << Qt::endl;
        return 2;
    }
    store::Store::instance().setDirectory(host::DataDirectory::path());
    host::BatchRequest request = options.request;
    if (options.standardDataLocation)
        request.dataDirectory = host::DataDirectory::path();
    const int status = options.batch->run(request, out, err);
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
    // The launcher's entry names the program, so that the desktop matches
    // its windows to the entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TABULO_APP_ID));
    QApplication::setWindowIcon(shell::gui::programIcon());
    store::QtMessageService::install();
    if (const QString problem = chooseDataDirectory(options); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
        if (options.standardDataLocation)
            QMessageBox::critical(nullptr, QStringLiteral("Tabulo List Manager"), problem);
        return 2;
    }

    store::Store::instance().setDirectory(host::DataDirectory::path());
    host::StoreSetupSource setup(store::Store::instance());
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
    // For the tests that start the program as a desktop launcher would: once
    // started it ends as the File menu's Exit ends it. The event loop is left
    // at once, as the frame's end ends the program, without waiting for the
    // desktop to notice that the last window went.
    if (qEnvironmentVariableIsSet("TABULO_TEST_EXIT_AFTER_START")) {
        QTimer::singleShot(0, &frame, [&frame] {
            if (QAction *exit = frame.findChild<QAction *>(QStringLiteral("actionExit")))
                exit->trigger();
            if (!frame.isVisible())
                QCoreApplication::quit();
        });
    }
    return app.exec();
}

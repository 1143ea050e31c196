// Opens every window of the program over a sample data directory and saves a
// picture of each at its opening size and enlarged, plus the frame with its
// windows tiled: the pictures scripts/screenshots.sh makes.
#include "base/Clock.h"
#include "engine/gui/WindowHost.h"
#include "shell/gui/MainFrame.h"
#include "store/Store.h"
#include "store/gui/QtMessageService.h"
#include "support/SampleData.h"
#include "support/WindowTour.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

using namespace tabulo;

int main(int argc, char **argv) {
    // The pictures are taken on a throwaway X server with no desktop session.
    // Without a session bus named, the D-Bus library would start one of its
    // own for that display (a daemon left running after the tool) and the
    // platform theme would hold a connection to it that is never freed.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    QTemporaryDir data;
    store::QtMessageService::install();
    store::Store::instance().setDirectory(data.path());
    dates::FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
    dates::Clock::setCurrent(&clock);
    test::fillSampleData(clock.today(), 120);

    int failures = 0;
    {
        test::ProgramFrame program;
        shell::gui::MainFrame &frame = program.frame();
        frame.resize(1900, 900);
        QString error;
        if (!frame.start(&error)) {
            std::fprintf(stderr, "the frame did not start: %s\n", qPrintable(error));
            return 1;
        }
        test::settleEvents();
        auto save = [&](QWidget *w, const QString &name) {
            const QString file = out.filePath(name + QStringLiteral(".png"));
            if (!w->grab().save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                ++failures;
                return;
            }
            std::printf("%s\n", qPrintable(file));
        };
        for (const test::TourStop &stop : test::windowTour()) {
            stop.open(frame);
            test::settleEvents();
            QWidget *window = test::openWindow(stop.name);
            if (!window) {
                std::fprintf(stderr, "%s did not open\n", qPrintable(stop.name));
                ++failures;
                continue;
            }
            QWidget *outer = test::outerWindow(window);
            const QSize opening = outer->size();
            save(outer, stop.name);
            for (const QString &problem : test::layoutProblems(window))
                std::fprintf(stderr, "%s: %s\n", qPrintable(stop.name), qPrintable(problem));
            outer->resize(opening.width() * 3 / 2, opening.height() * 3 / 2);
            test::settleEvents();
            save(outer, stop.name + QStringLiteral("-enlarged"));
            for (const QString &problem : test::layoutProblems(window))
                std::fprintf(stderr, "%s enlarged: %s\n", qPrintable(stop.name), qPrintable(problem));
            outer->resize(opening);
            test::settleEvents();
        }
        // The frame as a user keeps it: the names list and the pending events side by side.
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w != &frame && w->isVisible())
                w->close();
        }
        test::settleEvents();
        // Newest first: a form goes before the list it was opened over.
        const auto subs = frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
        for (auto it = subs.crbegin(); it != subs.crend(); ++it)
            (*it)->close();
        test::settleEvents();
        for (auto command : {host::gui::FrameCommand::NamesList, host::gui::FrameCommand::PendingDatesList})
            frame.runCommand(command);
        test::settleEvents();
        frame.tileWindows();
        test::settleEvents();
        save(&frame, QStringLiteral("frame"));
    }
    dates::Clock::setCurrent(nullptr);
    store::Store::instance().closeAll();
    return failures == 0 ? 0 : 1;
}

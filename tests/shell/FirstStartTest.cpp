// The program's frame started on screens of known sizes, each in a process
// of its own (the screen is fixed when the application starts): where the
// frame lands, how large it opens, and which tables the first start makes.
#include "engine/Picture.h"
#include "engine/PlacementSettings.h"
#include "host/StoreSetupSource.h"
#include "shell/gui/MainFrame.h"
#include "shell/gui/ProgramWindows.h"
#include "store/Store.h"
#include "support/ChildProcess.h"
#include "support/TempDataDir.h"
#include "support/WindowTour.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace tabulo;

namespace {

QString rectText(const QRect &r) {
    return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QRect rectFrom(const QString &text) {
    const QStringList n = text.split(u' ');
    return n.size() == 4 ? QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt()) : QRect();
}

// "frame-start <dir> <screen config>": starts the program's frame on the
// data directory with the offscreen screen the configuration describes, lets
// its first windows open, and prints what it finds, a "key: value" a line.
const bool s_role = test::registerChildRole("frame-start", [](int argc, char **argv) {
    if (argc < 2)
        return 2;
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + argv[1]);
    int appArgc = 1;
    char name[] = "frame-start";
    char *appArgv[] = {name, nullptr};
    QApplication app(appArgc, appArgv);
    const QString dir = QString::fromLocal8Bit(argv[0]);
    store::Store::instance().setDirectory(dir);
    host::StoreSetupSource setup(store::Store::instance());
    shell::gui::MainFrame::Services services;
    services.setup = &setup;
    services.formatD3 = [](int day) {
        return engine::Picture::fromText(QStringLiteral("d3")).value().formatDate(day);
    };
    services.settingsFile = QDir(dir).filePath(QStringLiteral("QK.INI"));
    int status = 0;
    {
        shell::gui::MainFrame frame(services);
        shell::gui::registerProgramWindows(frame.openers());
        if (!frame.start())
            return 3;
        test::settleEvents();
        QTextStream out(stdout);
        out << "available: " << rectText(frame.screen()->availableGeometry()) << '\n';
        out << "frame: " << rectText(frame.frameGeometry()) << '\n';
        QMdiSubWindow *names = nullptr;
        for (QMdiSubWindow *sub : frame.mdiArea()->subWindowList()) {
            if (sub->widget() && sub->widget()->objectName() == QLatin1String("namclstag"))
                names = sub;
        }
        if (names) {
            out << "names list: " << rectText(names->geometry()) << '\n';
            out << "area: " << rectText(frame.mdiArea()->viewport()->rect()) << '\n';
            out << "area scroll bar: "
                << (frame.mdiArea()->horizontalScrollBar()->isVisible() ? "shown" : "hidden") << '\n';
        } else {
            status = 4;
        }
        frame.close();
        test::settleEvents();
    }
    store::Store::instance().closeAll();
    QTextStream(stdout) << "tables: "
                        << QDir(dir)
                               .entryList({QStringLiteral("*.db"), QStringLiteral("*.TPS")}, QDir::Files,
                                          QDir::Name)
                               .join(u' ')
                        << '\n';
    return status;
});

struct Screen {
    int width;
    int height;
};

// What the frame-start role printed, by key.
QHash<QString, QString> startFrame(const test::TempDataDir &dir, Screen screen) {
    const QString config = dir.file(QStringLiteral("screen.json"));
    QFile json(config);
    if (!json.open(QIODevice::WriteOnly))
        return {};
    json.write(QStringLiteral(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1, "height": %2,
                                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                   .arg(screen.width)
                   .arg(screen.height)
                   .toUtf8());
    json.close();
    const QString data = dir.file(QStringLiteral("data"));
    QDir().mkdir(data);
    QProcess child;
    child.start(test::selfPath(), {QStringLiteral("--child"), QStringLiteral("frame-start"), data, config});
    if (!child.waitForFinished(60000))
        return {{QStringLiteral("failure"), QStringLiteral("did not end")}};
    QHash<QString, QString> found;
    for (const QString &line :
         QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        found.insert(line.section(QStringLiteral(": "), 0, 0), line.section(QStringLiteral(": "), 1));
    if (child.exitCode() != 0)
        found.insert(QStringLiteral("failure"), QStringLiteral("exit %1: %2")
                                                    .arg(child.exitCode())
                                                    .arg(QString::fromUtf8(child.readAllStandardError())));
    return found;
}

} // namespace

// At the first start (nothing saved) the frame opens large enough to show the
// names list whole, without a scroll bar, but never beyond the screen.
TEST(FirstStartTest, TheFrameOpensForTheNamesListWithinTheScreen) {
    struct Case {
        const char *what;
        Screen screen;
        bool namesListWhole; // the screen has room for it
    };
    const Case cases[] = {
        {"a large screen", {1600, 1000}, true},
        {"a screen smaller than the frame's designed size", {800, 560}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDataDir dir;
        const QHash<QString, QString> found = startFrame(dir, c.screen);
        ASSERT_FALSE(found.contains(QStringLiteral("failure")))
            << found.value(QStringLiteral("failure")).toStdString();
        const QRect available = rectFrom(found.value(QStringLiteral("available")));
        const QRect frame = rectFrom(found.value(QStringLiteral("frame")));
        ASSERT_TRUE(available.isValid() && frame.isValid());
        EXPECT_TRUE(available.contains(frame))
            << rectText(frame).toStdString() << " on " << rectText(available).toStdString();
        if (c.namesListWhole) {
            const QRect names = rectFrom(found.value(QStringLiteral("names list")));
            const QRect area = rectFrom(found.value(QStringLiteral("area")));
            EXPECT_TRUE(area.contains(names))
                << rectText(names).toStdString() << " in " << rectText(area).toStdString();
            EXPECT_EQ(found.value(QStringLiteral("area scroll bar")), QStringLiteral("hidden"));
        }
    }
}

// A window saved partly or far off the screen comes back wholly on it.
TEST(FirstStartTest, AFrameSavedOffTheScreenOpensWhollyOnIt) {
    test::TempDataDir dir;
    QDir().mkdir(dir.file(QStringLiteral("data")));
    engine::PlacementSettings(dir.file(QStringLiteral("data/QK.INI")))
        .write(QStringLiteral("Main"), engine::Placement{999999, 999999, 900, 620, false});
    const QHash<QString, QString> found = startFrame(dir, {1600, 1000});
    ASSERT_FALSE(found.contains(QStringLiteral("failure")))
        << found.value(QStringLiteral("failure")).toStdString();
    const QRect available = rectFrom(found.value(QStringLiteral("available")));
    const QRect frame = rectFrom(found.value(QStringLiteral("frame")));
    EXPECT_TRUE(available.contains(frame)) << rectText(frame).toStdString();
}

// Tables that open with windows of their own are not made by the first
// start: not by the search index it checks, nor by the lists it opens.
TEST(FirstStartTest, TheFirstStartMakesOnlyTheTablesOfItsWindows) {
    test::TempDataDir dir;
    const QHash<QString, QString> found = startFrame(dir, {1600, 1000});
    ASSERT_FALSE(found.contains(QStringLiteral("failure")))
        << found.value(QStringLiteral("failure")).toStdString();
    const QStringList tables = found.value(QStringLiteral("tables")).split(u' ', Qt::SkipEmptyParts);
    for (const char *made : {"QKSET.db", "QKNAM.db", "QKDAT.db"})
        EXPECT_TRUE(tables.contains(QLatin1String(made)))
            << made << " in " << tables.join(u' ').toStdString();
    EXPECT_FALSE(tables.contains(QStringLiteral("QKINC.db"))) << tables.join(u' ').toStdString();
    EXPECT_FALSE(tables.contains(QStringLiteral("QKJCG.db"))) << tables.join(u' ').toStdString();
}

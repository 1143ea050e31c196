#include "host/SetupSource.h"
#include "shell/AboutText.h"
#include "shell/HelpLauncher.h"
#include "shell/gui/AboutDialog.h"
#include "shell/gui/MainFrame.h"
#include "support/TempDataDir.h"
#include "support/WindowTour.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QUrl>
#include <gtest/gtest.h>

using namespace tabulo;

namespace {

TEST(AboutTextTest, NamesVersionDataDirectoryAndEveryLicenceEscaped) {
    const QString text =
        shell::aboutText(QStringLiteral("1.2.3"), QStringLiteral("/home/pat/<lists> & more"),
                         {{QStringLiteral("Qt"), QStringLiteral("6.4.2"), QStringLiteral("LGPL")},
                          {QStringLiteral("SQLite"), {}, QStringLiteral("public domain")}});
    EXPECT_TRUE(text.contains(QStringLiteral("Version 1.2.3")));
    EXPECT_TRUE(text.contains(QStringLiteral("/home/pat/&lt;lists&gt; &amp; more")));
    EXPECT_TRUE(text.contains(QStringLiteral("<li>Qt 6.4.2: LGPL</li>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<li>SQLite: public domain</li>")));
}

TEST(AboutTextTest, TheUsedLibrariesCarryTheRunningVersions) {
    const auto components = shell::usedComponents();
    ASSERT_GE(components.size(), 2u);
    EXPECT_EQ(components[0].version, QString::fromLatin1(qVersion()));
    for (const auto &c : components)
        EXPECT_FALSE(c.license.isEmpty()) << c.name.toStdString();
}

class NoSetup final : public host::SetupSource {
public:
    Outcome prepare() override { return {true, {}, {}}; }
    void release() override {}
};

// Takes the addresses the frame hands to the desktop instead of a browser.
class UrlCatcher final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

// The build puts the manual beside the program, so Help Local works before
// the program is installed.
TEST(HelpLocalTest, TheBuiltProgramHasItsManualBesideIt) {
    const QString programDirectory = QFileInfo(QStringLiteral(TABULO_PROGRAM)).absolutePath();
    const QFileInfo manual(shell::localHelpFile(programDirectory));
    EXPECT_TRUE(manual.isFile()) << manual.filePath().toStdString();
    EXPECT_EQ(manual.dir().dirName(), QStringLiteral("helpfiles"));
}

// Help Local hands the manual to the desktop's browser as a file address;
// a missing manual is named in the status bar and nothing is opened.
TEST(HelpLocalTest, HelpLocalOpensTheManualInTheBrowser) {
    test::TempDataDir dir;
    NoSetup setup;
    shell::gui::MainFrame::Services services;
    services.setup = &setup;
    services.formatD3 = [](int) { return QString(); };
    services.settingsFile = dir.file(QStringLiteral("QK.INI"));
    services.programDirectory = dir.path();
    shell::gui::MainFrame frame(services);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    QAction *helpLocal = frame.findChild<QAction *>(QStringLiteral("actionHelpLocal"));
    ASSERT_NE(helpLocal, nullptr);

    helpLocal->trigger();
    EXPECT_TRUE(catcher.urls.isEmpty());
    EXPECT_TRUE(frame.statusBar()->currentMessage().contains(QStringLiteral("HelpDocLocal.htm")));

    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("helpfiles")));
    QFile manual(dir.file(QStringLiteral("helpfiles/HelpDocLocal.htm")));
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.close();
    helpLocal->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(manual.fileName()));
    frame.close();
}

// The frame and the About box show the program's own icon; Help > About
// opens the box over the frame with the data directory in it.
TEST(AboutDialogTest, HelpAboutShowsTheBoxWithTheProgramIcon) {
    ASSERT_FALSE(shell::gui::programIcon().pixmap(32, 32).isNull());
    test::TempDataDir dir;
    NoSetup setup;
    shell::gui::MainFrame::Services services;
    services.setup = &setup;
    services.formatD3 = [](int) { return QString(); };
    services.settingsFile = dir.file(QStringLiteral("QK.INI"));
    shell::gui::MainFrame frame(services);
    EXPECT_FALSE(frame.windowIcon().pixmap(32, 32).isNull());

    QAction *about = frame.findChild<QAction *>(QStringLiteral("actionAbout"));
    ASSERT_NE(about, nullptr);
    about->trigger();
    auto *box = frame.findChild<shell::gui::AboutDialog *>(QStringLiteral("aboutDialog"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    const QString text = box->findChild<QLabel *>(QStringLiteral("aboutText"))->text();
    EXPECT_TRUE(text.contains(QStringLiteral(TABULO_VERSION)));
    EXPECT_TRUE(text.contains(QStringLiteral("SQLite")));
    EXPECT_FALSE(box->findChild<QLabel *>(QStringLiteral("aboutIcon"))->pixmap().isNull());
    test::settleEvents();
    EXPECT_EQ(test::layoutProblems(box).join(QLatin1Char('\n')).toStdString(), "");
    box->close();
    frame.close();
}

} // namespace

#include "HelpMenuTest.moc"

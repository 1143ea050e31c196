#include "shell/HelpLauncher.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tabulo::shell;

namespace {

void writeFile(const QString &path, bool executable) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

TEST(HelpLauncherTest, TheLauncherInTheProgramDirectoryGetsThePageOrTheLocalFile) {
    tabulo::test::TempDataDir dir;
    writeFile(dir.file(helpLauncherName()), true);

    const HelpLaunch online = planHelp(HelpKind::Online, dir.path());
    EXPECT_EQ(online.program, QFileInfo(dir.file(helpLauncherName())).absoluteFilePath());
    ASSERT_EQ(online.arguments.size(), 1);
    EXPECT_TRUE(online.arguments[0].endsWith(QStringLiteral("/help/helpdocs.htm")));
    EXPECT_FALSE(online.targetIsFile);

    const HelpLaunch local = planHelp(HelpKind::Local, dir.path());
    EXPECT_EQ(local.arguments,
              QStringList{QDir::toNativeSeparators(dir.file(QStringLiteral("helpfiles/HelpDocLocal.htm")))});
    EXPECT_TRUE(local.targetIsFile);
}

TEST(HelpLauncherTest, AMissingOrNonExecutableLauncherLeavesTheTargetToTheDesktop) {
    tabulo::test::TempDataDir dir;
    EXPECT_TRUE(planHelp(HelpKind::Online, dir.path()).program.isEmpty());
    writeFile(dir.file(helpLauncherName()), false);
    const HelpLaunch launch = planHelp(HelpKind::Local, dir.path());
    EXPECT_TRUE(launch.program.isEmpty());
    EXPECT_TRUE(launch.arguments.isEmpty());
    EXPECT_EQ(launch.target,
              QDir::toNativeSeparators(dir.file(QStringLiteral("helpfiles/HelpDocLocal.htm"))));
}

// The manual is found beside the program in the build folder, or in the
// share folder of an installed program; with neither the first is named.
TEST(HelpLauncherTest, TheLocalManualIsFoundWhereTheBuildOrTheInstallPutsIt) {
    tabulo::test::TempDataDir dir;
    const QDir root(dir.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("usr/bin")));
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    const QString beside = bin + QStringLiteral("/helpfiles/HelpDocLocal.htm");
    const QString installed = root.filePath(QStringLiteral("usr/share/tabulo/helpfiles/HelpDocLocal.htm"));
    EXPECT_EQ(localHelpFile(bin), beside);

    ASSERT_TRUE(root.mkpath(QStringLiteral("usr/share/tabulo/helpfiles")));
    writeFile(installed, false);
    EXPECT_EQ(localHelpFile(bin), installed);
    const HelpLaunch launch = planHelp(HelpKind::Local, bin);
    EXPECT_EQ(launch.target, installed);
    EXPECT_TRUE(launch.targetIsFile);

    ASSERT_TRUE(root.mkpath(QStringLiteral("usr/bin/helpfiles")));
    writeFile(beside, false);
    EXPECT_EQ(localHelpFile(bin), beside);
}

} // namespace

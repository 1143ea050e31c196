#include "shell/CommandLine.h"
#include "shell/DataDirectory.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using tabulo::shell::CommandLineOptions;
using tabulo::shell::DataDirectory;
using tabulo::shell::parseCommandLine;
using Action = CommandLineOptions::Action;

namespace {

CommandLineOptions parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("/opt/tabulo/bin/tabulo"));
    return parseCommandLine(arguments);
}

TEST(CommandLineTest, RunsInTheWorkingDirectoryByDefault) {
    const CommandLineOptions options = parse({});
    EXPECT_EQ(options.action, Action::Run);
    EXPECT_TRUE(options.dataDirectory.isEmpty());
}

TEST(CommandLineTest, TakesTheDataDirectoryInEitherSpelling) {
    EXPECT_EQ(parse({QStringLiteral("--data-dir"), QStringLiteral("/srv/lists")}).dataDirectory,
              QStringLiteral("/srv/lists"));
    EXPECT_EQ(parse({QStringLiteral("--data-dir=/srv/lists")}).dataDirectory, QStringLiteral("/srv/lists"));
    EXPECT_EQ(parse({QStringLiteral("-d"), QStringLiteral("lists")}).dataDirectory, QStringLiteral("lists"));
}

TEST(CommandLineTest, HelpAndVersionAnswerWithoutRunning) {
    const CommandLineOptions help = parse({QStringLiteral("--help")});
    EXPECT_EQ(help.action, Action::ShowHelp);
    EXPECT_TRUE(help.text.startsWith(QStringLiteral("Usage: ")));
    EXPECT_TRUE(help.text.contains(QStringLiteral("[options]")));
    EXPECT_TRUE(help.text.contains(QStringLiteral("--data-dir <directory>")));

    const CommandLineOptions version = parse({QStringLiteral("--version")});
    EXPECT_EQ(version.action, Action::ShowVersion);
    EXPECT_TRUE(version.text.contains(QStringLiteral(TABULO_VERSION)));
}

TEST(CommandLineTest, BadArgumentsAreErrorsThatSayWhy) {
    const CommandLineOptions missing = parse({QStringLiteral("--data-dir")});
    EXPECT_EQ(missing.action, Action::Error);
    EXPECT_TRUE(missing.text.contains(QStringLiteral("data-dir")));

    const CommandLineOptions unknown = parse({QStringLiteral("--colour")});
    EXPECT_EQ(unknown.action, Action::Error);
    EXPECT_TRUE(unknown.text.contains(QStringLiteral("colour")));

    const CommandLineOptions stray = parse({QStringLiteral("names.tps")});
    EXPECT_EQ(stray.action, Action::Error);
    EXPECT_TRUE(stray.text.contains(QStringLiteral("names.tps")));
}

TEST(DataDirectoryTest, UsingADirectoryMovesTheSettingsFileThere) {
    const QString before = QDir::currentPath();
    tabulo::test::TempDataDir dir;
    EXPECT_TRUE(DataDirectory::use(dir.path()).isEmpty());
    EXPECT_EQ(QDir(DataDirectory::path()).canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(QFileInfo(DataDirectory::settingsFile()).fileName(), QStringLiteral("QK.INI"));
    EXPECT_EQ(QFileInfo(DataDirectory::settingsFile()).absolutePath(), DataDirectory::path());

    // A missing directory or a plain file is refused and changes nothing.
    EXPECT_FALSE(DataDirectory::use(dir.file(QStringLiteral("nowhere"))).isEmpty());
    QFile plain(dir.file(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(DataDirectory::use(plain.fileName()).isEmpty());
    EXPECT_EQ(QDir(DataDirectory::path()).canonicalPath(), QDir(dir.path()).canonicalPath());
    DataDirectory::use(before);
}

} // namespace

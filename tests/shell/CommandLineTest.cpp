#include "shell/CommandLine.h"
#include "host/DataDirectory.h"
#include "support/TempDataDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using tabulo::host::DataDirectory;
using tabulo::shell::CommandLineOptions;
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

// The desktop launcher asks for the user's standard data location; a start
// without it keeps the working directory, and --data-dir cannot be mixed in.
TEST(CommandLineTest, TheLauncherOptionAsksForTheStandardLocation) {
    const CommandLineOptions launcher = parse({QStringLiteral("--user-data")});
    EXPECT_EQ(launcher.action, Action::Run);
    EXPECT_TRUE(launcher.standardDataLocation);
    EXPECT_TRUE(launcher.dataDirectory.isEmpty());
    EXPECT_FALSE(parse({}).standardDataLocation);
    EXPECT_FALSE(parse({QStringLiteral("-d"), QStringLiteral("lists")}).standardDataLocation);

    for (const QStringList &both :
         {QStringList{QStringLiteral("--user-data"), QStringLiteral("-d"), QStringLiteral("x")},
          QStringList{QStringLiteral("--data-dir=x"), QStringLiteral("--user-data")}}) {
        const CommandLineOptions options = parse(both);
        EXPECT_EQ(options.action, Action::Error) << both.join(u' ').toStdString();
        EXPECT_TRUE(options.text.contains(QStringLiteral("--user-data"))) << options.text.toStdString();
    }
}

TEST(CommandLineTest, HelpSaysWhereTheDataLives) {
    const QString help = parse({QStringLiteral("--help")}).text;
    EXPECT_TRUE(help.contains(QStringLiteral("working directory")));
    EXPECT_TRUE(help.contains(QStringLiteral("--user-data")));
    ASSERT_FALSE(DataDirectory::standardLocation().isEmpty());
    EXPECT_TRUE(help.contains(DataDirectory::standardLocation())) << help.toStdString();
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

// Commands that work without a window come from a registry: each is offered
// as an option, with its own further options, and only one runs at a time.
TEST(CommandLineTest, BatchCommandsTakeTheirOwnOptionsOnly) {
    using tabulo::host::BatchCommand;
    using tabulo::host::registerBatchCommand;
    registerBatchCommand({QStringLiteral("sample-export"),
                          QStringLiteral("format"),
                          QStringLiteral("Export."),
                          {{QStringLiteral("category"), QStringLiteral("name"), QStringLiteral("Category.")}},
                          true,
                          [](const auto &, auto &, auto &) { return 0; }});
    registerBatchCommand({QStringLiteral("sample-check"),
                          {},
                          QStringLiteral("Check."),
                          {},
                          false,
                          [](const auto &, auto &, auto &) { return 0; }});

    const CommandLineOptions run =
        parse({QStringLiteral("--data-dir"), QStringLiteral("/srv/lists"), QStringLiteral("--sample-export"),
               QStringLiteral("csv"), QStringLiteral("--category"), QStringLiteral("Friends"),
               QStringLiteral("out.csv")});
    ASSERT_EQ(run.action, Action::RunBatch) << run.text.toStdString();
    EXPECT_EQ(run.batch->name, QStringLiteral("sample-export"));
    EXPECT_EQ(run.request.value, QStringLiteral("csv"));
    EXPECT_EQ(run.request.option(QStringLiteral("category")), QStringLiteral("Friends"));
    EXPECT_EQ(run.request.positional, QStringList{QStringLiteral("out.csv")});
    EXPECT_EQ(run.request.dataDirectory, QStringLiteral("/srv/lists"));

    const struct {
        QStringList arguments;
        const char *named;
    } refused[] = {
        {{QStringLiteral("--sample-check"), QStringLiteral("--category"), QStringLiteral("x")}, "category"},
        {{QStringLiteral("--sample-check"), QStringLiteral("stray")}, "stray"},
        {{QStringLiteral("--sample-check"), QStringLiteral("--sample-export"), QStringLiteral("csv")},
         "together"},
        {{QStringLiteral("--category"), QStringLiteral("x")}, "category"},
    };
    for (const auto &c : refused) {
        const CommandLineOptions options = parse(c.arguments);
        EXPECT_EQ(options.action, Action::Error) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(options.text.contains(QLatin1String(c.named))) << options.text.toStdString();
    }
    EXPECT_TRUE(parse({QStringLiteral("--help")}).text.contains(QStringLiteral("--sample-export <format>")));
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

TEST(DataDirectoryTest, TheStandardLocationIsCreatedOnFirstUse) {
    const QString before = QDir::currentPath();
    tabulo::test::TempDataDir dir;
    const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.file(QStringLiteral("share")).toLocal8Bit());
    const QString expected = dir.file(QStringLiteral("share/") + QCoreApplication::applicationName());
    EXPECT_EQ(DataDirectory::standardLocation(), expected);
    EXPECT_FALSE(QFileInfo::exists(expected));
    EXPECT_EQ(DataDirectory::useStandardLocation(), QString());
    EXPECT_TRUE(QFileInfo(expected).isDir());
    EXPECT_EQ(DataDirectory::path(), expected);
    // A second start finds it there.
    EXPECT_EQ(DataDirectory::useStandardLocation(), QString());

    // A plain file where the folder should be is reported, not overwritten.
    qputenv("XDG_DATA_HOME", dir.file(QStringLiteral("other")).toLocal8Bit());
    QDir().mkpath(dir.file(QStringLiteral("other")));
    QFile blocker(DataDirectory::standardLocation());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(DataDirectory::useStandardLocation().isEmpty());
    EXPECT_TRUE(QFileInfo(blocker.fileName()).isFile());

    if (savedXdg.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedXdg);
    DataDirectory::use(before);
}

} // namespace

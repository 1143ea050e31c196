// The built program started as a child process, as a desktop launcher or a
// shell would start it, in a home folder of its own.
#include "shell/CommandLine.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// The arguments the desktop entry's Exec line gives the program, without
// the program itself.
QStringList launcherArguments() {
    QFile entry(QStringLiteral(TABULO_DESKTOP_ENTRY));
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return {QStringLiteral("<no desktop entry>")};
    for (const QByteArray &line : entry.readAll().split('\n')) {
        if (!line.startsWith("Exec="))
            continue;
        QStringList words = QString::fromUtf8(line.mid(5)).split(u' ', Qt::SkipEmptyParts);
        if (words.value(0) != QLatin1String("tabulo"))
            return {QStringLiteral("<Exec does not start tabulo>")};
        words.removeFirst();
        return words;
    }
    return {QStringLiteral("<no Exec line>")};
}

TEST(DesktopEntryTest, TheLauncherAsksForTheStandardDataLocation) {
    const QStringList arguments = launcherArguments();
    const tabulo::shell::CommandLineOptions options =
        tabulo::shell::parseCommandLine(QStringList{QStringLiteral("tabulo")} + arguments);
    EXPECT_EQ(options.action, tabulo::shell::CommandLineOptions::Action::Run)
        << arguments.join(u' ').toStdString();
    EXPECT_TRUE(options.standardDataLocation) << arguments.join(u' ').toStdString();
}

struct StartCase {
    const char *name;
    QStringList arguments;    // "{data}" stands for the --data-dir folder, "{launcher}" for the
                              // desktop entry's arguments
    const char *expectedHome; // where the tables land: "xdg", "work" or "data"
};

void PrintTo(const StartCase &c, std::ostream *os) {
    *os << c.name;
}

class LauncherStartTest : public ::testing::TestWithParam<StartCase> {};

// The table files and QK.INI anywhere under `root`, relative to it.
QStringList dataFilesUnder(const QString &root) {
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName();
        if (name == QLatin1String("QK.INI") || name.endsWith(QLatin1String(".db")))
            found.append(QDir(root).relativeFilePath(path));
    }
    found.sort();
    return found;
}

TEST_P(LauncherStartTest, TablesLandInTheChosenDataDirectoryAndNowhereElse) {
    tabulo::test::TempDataDir root;
    const QDir top(root.path());
    for (const char *folder : {"home", "work", "data", "xdg-data", "xdg-config", "xdg-cache"})
        ASSERT_TRUE(top.mkpath(QString::fromLatin1(folder)));
    const QString home = top.filePath(QStringLiteral("home"));
    const QString work = top.filePath(QStringLiteral("work"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), top.filePath(QStringLiteral("xdg-data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), top.filePath(QStringLiteral("xdg-config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), top.filePath(QStringLiteral("xdg-cache")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TABULO_TEST_EXIT_AFTER_START"), QStringLiteral("1"));

    const StartCase &c = GetParam();
    QStringList arguments;
    for (const QString &a : c.arguments) {
        if (a == QLatin1String("{launcher}"))
            arguments.append(launcherArguments());
        else
            arguments.append(a == QLatin1String("{data}") ? top.filePath(QStringLiteral("data")) : a);
    }
    QProcess program;
    program.setProcessEnvironment(env);
    // A launcher starts the program in the home folder; a shell user in the
    // folder they work in.
    const bool fromLauncher = std::string_view(c.expectedHome) == "xdg";
    program.setWorkingDirectory(fromLauncher ? home : work);
    program.start(QStringLiteral(TABULO_PROGRAM), arguments);
    ASSERT_TRUE(program.waitForFinished(120000)) << "the program did not end after its start";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

    const QString expected = std::string_view(c.expectedHome) == "xdg"
                                 ? QStringLiteral("xdg-data/tabulo/")
                                 : QString::fromLatin1(c.expectedHome) + QLatin1Char('/');
    const QStringList files = dataFilesUnder(root.path());
    // The frame's own table, the names list's and the placement file at least.
    for (const char *name : {"QK.INI", "QKSET.db", "QKNAM.db"})
        EXPECT_TRUE(files.contains(expected + QString::fromLatin1(name)))
            << name << " missing from " << expected.toStdString()
            << "; found: " << files.join(u' ').toStdString();
    for (const QString &file : files)
        EXPECT_TRUE(file.startsWith(expected))
            << file.toStdString() << " written outside " << expected.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Starts, LauncherStartTest,
    ::testing::Values(
        StartCase{"desktopLauncher", {QStringLiteral("{launcher}")}, "xdg"},
        StartCase{"commandLineInTheWorkingDirectory", {}, "work"},
        StartCase{"givenDataDirectory", {QStringLiteral("--data-dir"), QStringLiteral("{data}")}, "data"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

#include "shell/gui/ProgramWindows.h"
#include "support/ChildProcess.h"

#include <QApplication>
#include <gtest/gtest.h>

// Every test binary starts an offscreen QApplication so window tests can run
// beside plain logic tests. A binary started with "--child <role> ..." acts as
// a second station for the multi-process tests instead of running tests.
int main(int argc, char **argv)
{
    // Tests open features' windows on their own, without a frame: each
    // feature reaches another's windows as the program lets it.
    tabulo::shell::gui::registerFeatureWindows();
    if (argc >= 3 && std::string_view(argv[1]) == "--child")
        return tabulo::test::runChild(argc - 2, argv + 2);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

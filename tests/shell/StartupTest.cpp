// The frame's start-up order around the setup record.
#include "base/Clock.h"
#include "host/SetupSource.h"
#include "shell/gui/MainFrame.h"
#include "support/TempDataDir.h"

#include <gtest/gtest.h>

using namespace tabulo;

namespace {

// Notes whether the frame was on screen when the setup record was prepared.
class WatchingSetup final : public host::SetupSource {
public:
    Outcome prepare() override {
        frameVisible = frame && frame->isVisible();
        return outcome;
    }
    void release() override {}

    QWidget *frame = nullptr;
    bool frameVisible = true;
    Outcome outcome{true, QStringLiteral("Pat"), {}};
};

struct StartCase {
    const char *name;
    host::SetupSource::Outcome outcome;
    bool started;
    bool reported;
};

void PrintTo(const StartCase &c, std::ostream *os) {
    *os << c.name;
}

class StartupTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartupTest, TheSetupRecordComesBeforeTheFrameShows) {
    test::TempDataDir dir;
    WatchingSetup setup;
    setup.outcome = GetParam().outcome;
    shell::gui::MainFrame::Services services;
    services.setup = &setup;
    services.formatD3 = [](int) { return QStringLiteral("Dec 8, 2026"); };
    services.settingsFile = dir.file(QStringLiteral("QK.INI"));
    shell::gui::MainFrame frame(services);
    setup.frame = &frame;
    QString error;
    EXPECT_EQ(frame.start(&error), GetParam().started);
    EXPECT_FALSE(setup.frameVisible);
    EXPECT_EQ(frame.isVisible(), GetParam().started);
    EXPECT_EQ(frame.failureReported(), GetParam().reported);
    if (!GetParam().started)
        EXPECT_FALSE(error.isEmpty());
    frame.close();
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, StartupTest,
    ::testing::Values(StartCase{"ready", {true, QStringLiteral("Pat"), {}, false}, true, false},
                      StartCase{"blankRecordNotAdded",
                                {false, {}, QStringLiteral("Error adding QKset"), false},
                                false,
                                false},
                      StartCase{"unreadableRecordReported",
                                {false, {}, QStringLiteral("Disk I/O Error (33)"), true},
                                false,
                                true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

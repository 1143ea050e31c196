#pragma once

#include "base/Clock.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDataDir.h"
#include "support/WindowTour.h"

#include <QDateTime>
#include <QSize>

#include <memory>

namespace tabulo::test {

// The program's frame shown over a sample data directory on a fixed day,
// its message boxes answered by script: what the tests that drive the whole
// program share. start() in the fixture's SetUp, finish() in its TearDown.
class SampleProgram final {
public:
    // `people` sample records around the day, the frame at `size`.
    void start(int people, QSize size);
    // Closes whatever a test left open, newest first, then the frame; every
    // scripted answer must have been asked for.
    void finish();

    shell::gui::MainFrame &frame() { return m_program->frame(); }

    TempDataDir dir;
    dates::FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(9, 30))};
    ScriptedMessageService messages;

private:
    ScopedMessageService m_scope{messages};
    std::unique_ptr<ProgramFrame> m_program;
};

} // namespace tabulo::test

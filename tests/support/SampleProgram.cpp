#include "support/SampleProgram.h"

#include "engine/Globals.h"
#include "shell/gui/MainFrame.h"
#include "store/Store.h"
#include "support/SampleData.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace tabulo::test {

void SampleProgram::start(int people, QSize size) {
    store::Store::instance().setDirectory(dir.path());
    engine::resetGlobals();
    dates::Clock::setCurrent(&clock);
    fillSampleData(clock.today(), people);
    m_program = std::make_unique<ProgramFrame>();
    frame().resize(size);
    frame().show();
}

void SampleProgram::finish() {
    const auto subs = frame().mdiArea()->subWindowList(QMdiArea::CreationOrder);
    for (auto it = subs.crbegin(); it != subs.crend(); ++it)
        (*it)->close();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != &frame() && w->isVisible())
            w->close();
    }
    settleEvents();
    m_program.reset();
    messages.expectAllAnswered();
    store::Store::instance().closeAll();
    dates::Clock::setCurrent(nullptr);
}

} // namespace tabulo::test

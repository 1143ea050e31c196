#include "dates/gui/DateWindows.h"
#include "engine/gui/WindowHost.h"

#include "dates/PendingEvents.h"
#include "dates/gui/ImportantDateForm.h"
#include "dates/gui/ImportantDatesWindow.h"
#include "dates/gui/PendingEventsWindow.h"
#include "engine/Globals.h"
#include "host/gui/WindowOpeners.h"
#include "store/Store.h"

#include <QMainWindow>
#include <QPointer>

namespace tabulo::dates::gui {

namespace {
QPointer<ImportantDatesWindow> s_datesList;
} // namespace

void registerDateWindows(host::gui::WindowOpeners &openers) {
    using host::gui::FrameCommand;
    openers.set(FrameCommand::ImportantDates, [](const host::gui::FrameContext &) {
        engine::setGlobalRequest(engine::Request::None);
        openImportantDatesList();
    });
    openers.set(FrameCommand::PendingDatesList,
                [](const host::gui::FrameContext &context) { startPendingEvents(context.frame); });
}

ImportantDatesWindow *openImportantDatesList(QWidget *caller, std::function<void()> done) {
    if (s_datesList && !caller) {
        // Browsing needs one list only; a second start shows the one there is.
        engine::setGlobalRequest(engine::Request::None);
        engine::gui::WindowHost::bringToFront(s_datesList);
        return s_datesList;
    }
    auto *window = new ImportantDatesWindow(caller, std::move(done));
    if (!caller)
        s_datesList = window;
    engine::gui::WindowHost::present(window, caller);
    return window;
}

ImportantDateForm *runImportantDateForm(QWidget *caller, std::function<void()> done) {
    return ImportantDateForm::run(caller, std::move(done));
}

PendingEventsWindow *startPendingEvents(QObject *owner) {
    auto claim = std::make_unique<PendingWindowClaim>();
    if (!claim->owned()) {
        // No second check and no second window: the open one comes forward.
        if (PendingEventsWindow *open = PendingEventsWindow::openWindow()) {
            open->bringToFront();
            return open;
        }
        return nullptr;
    }
    auto tables = std::make_unique<store::TableUse>(store::tablesUsedBy(QStringLiteral("pending")));
    auto events = std::make_unique<PendingEvents>((*tables)[QStringLiteral("QKdat")],
                                                  (*tables)[QStringLiteral("QKset")]);
    // With nothing pending the tables and the claim go again at once.
    if (!events->startupCheck(owner))
        return nullptr;
    // The window browses: whatever request a caller left behind is not its.
    engine::setGlobalRequest(engine::Request::None);
    auto *window = new PendingEventsWindow(std::move(claim), std::move(tables), std::move(events));
    engine::gui::WindowHost::present(window);
    return window;
}

} // namespace tabulo::dates::gui

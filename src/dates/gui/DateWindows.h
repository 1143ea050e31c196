#pragma once

#include <functional>

class QObject;
class QWidget;

namespace tabulo::host::gui {
class WindowOpeners;
} // namespace tabulo::host::gui

namespace tabulo::dates::gui {

class ImportantDateForm;
class ImportantDatesWindow;
class PendingEventsWindow;

// Registers the important-dates list and the pending-events window with the
// main frame's menu. The frame's own start-up start of the pending-events
// window and its minute reminder both go through the "Pending Dates List"
// opener registered here.
void registerDateWindows(host::gui::WindowOpeners &openers);

// The important-dates list for GlobalRequest (0 to browse). One list at a
// time: a second start brings the open one to the front.
ImportantDatesWindow *openImportantDatesList(QWidget *caller = nullptr, std::function<void()> done = {});

// The important-date form for GlobalRequest over `caller`.
ImportantDateForm *runImportantDateForm(QWidget *caller, std::function<void()> done);

// Starts the pending-events window as every starter does (the frame at
// start-up, its menu, its reminder, the names list): with a window already
// open it only comes to the front and refreshes, without a second check;
// otherwise the start-up check runs and the window opens only when something
// is pending. Returns the window shown, or null. Boxes belong to `owner`.
PendingEventsWindow *startPendingEvents(QObject *owner = nullptr);

} // namespace tabulo::dates::gui

#pragma once

#include <functional>

class QWidget;

namespace tabulo::engine::gui {
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::people::gui {

// The name record form "UpdateQKnam": adds, changes or deletes the person in
// the QKnam buffer for GlobalRequest, with the person's category links,
// notes and phones each on a tab of its own as a list that follows the
// person. `done` runs when the form has ended, GlobalResponse holding its
// answer. Returns the window, or null when the form ended without showing
// (a delete, failed numbering).
//
// Beyond the plain form it keeps the people's links whole: a person added
// here is linked to "All" when it is saved, a saved change of name is copied
// into every link of the person, and a person that goes (a cancelled insert,
// a delete) takes along what still pointed at it.
engine::gui::RecordFormWindow *runNameRecordForm(QWidget *caller, std::function<void()> done);

} // namespace tabulo::people::gui

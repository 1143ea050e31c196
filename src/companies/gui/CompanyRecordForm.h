#pragma once

#include <functional>

class QWidget;

namespace tabulo::engine::gui {
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::companies::gui {

// The company record form "UpdateQKcmp": adds, changes or deletes the
// company in the QKcmp buffer for GlobalRequest, with every field of the
// company on two tabs and the company's phones, category links, notes and
// people each on a tab of its own as a list that follows the company.
// `done` runs when the form has ended, GlobalResponse holding its answer.
// Returns the window, or null when the form ended without showing (a
// delete, failed numbering).
//
// Beyond the plain form it keeps the company's links whole: a company added
// here is linked to "All" when it is saved, so the companies list and the
// reports show it; a saved change of name is copied into every link of the
// company; a company that goes takes its links along, and a new company
// that is cancelled also takes what was added on its tabs meanwhile (its
// people stay, without the company's number).
engine::gui::RecordFormWindow *runCompanyRecordForm(QWidget *caller, std::function<void()> done);

} // namespace tabulo::companies::gui

#pragma once

#include "store/Record.h"

#include <functional>
#include <optional>

class QWidget;

namespace tabulo::engine::gui {
class BrowseWindow;
} // namespace tabulo::engine::gui

namespace tabulo::companies::gui {

// The list "Company File" of every company in name order, for
// GlobalRequest (SelectRecord to pick one, none to browse). Its Insert,
// Change and Delete run the company record form. Over a caller it blocks
// only that window; `done` runs when it ends, GlobalResponse holding its
// answer and, after a selection, the QKcmp buffer the chosen company.
engine::gui::BrowseWindow *openCompanyFile(QWidget *caller = nullptr, std::function<void()> done = {});

// The picker contract of the windows that name a company: opens the list to
// pick, at the company in the QKcmp buffer (or the first one after its
// name); `done` gets the chosen company in full, or nothing when the user
// closed the list without choosing.
void chooseCompany(QWidget *caller, std::function<void(std::optional<store::Record>)> done);

} // namespace tabulo::companies::gui

#pragma once

#include "host/gui/WindowOpeners.h"

#include <functional>

class QWidget;

namespace tabulo::engine::gui {
class BrowseWindow;
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::companies::gui {

// The company categories list "Company Categories" for GlobalRequest (0 to
// browse, SelectRecord to pick). Over a caller it blocks only that window;
// `done` runs when it ends. A selected category is left in the QKgrp buffer
// and becomes the current company category (glo:grp_ctrl and its name).
engine::gui::BrowseWindow *openCompanyCategoryList(QWidget *caller = nullptr,
                                                   std::function<void()> done = {});

// The company category form for GlobalRequest over `caller`.
engine::gui::RecordFormWindow *runCompanyCategoryForm(QWidget *caller, std::function<void()> done);

// The raw editor of one company link (QKjcg) for GlobalRequest over
// `caller`; the caller primes JCG:CMP_CTRL for an insert.
engine::gui::RecordFormWindow *runCompanyGroupLinkForm(QWidget *caller, std::function<void()> done);

// The category assignment for the companies list: runs the category action
// word the list has set ("copy", "move", "delete") on the link in the QKjcg
// buffer (a copy links the company in the QKcmp buffer). Copy and move let
// the user pick the category first over `caller`; cancelling the picker
// changes nothing. The current company category is kept, the action word is
// cleared, and `done` runs when it is all over.
void runCategoryAssignment(QWidget *caller, std::function<void()> done);

// Lets the main frame's "Company Categories" command open the list.
void registerCompanyCategories(host::gui::WindowOpeners &openers);

} // namespace tabulo::companies::gui

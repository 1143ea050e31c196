#pragma once

#include "host/gui/WindowOpeners.h"
#include "people/Membership.h"

#include <functional>
#include <vector>

class QWidget;

namespace tabulo::engine::gui {
class BrowseWindow;
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::people::gui {

// The categories list "Names Categories" for GlobalRequest (0 to browse,
// SelectRecord to pick). Over a caller it blocks only that window; `done`
// runs when it ends. A selected category becomes the current category.
engine::gui::BrowseWindow *openCategoryList(QWidget *caller = nullptr, std::function<void()> done = {});

// The category form for GlobalRequest over `caller`.
engine::gui::RecordFormWindow *runCategoryForm(QWidget *caller, std::function<void()> done);

// The name-category link form for GlobalRequest over `caller`.
engine::gui::RecordFormWindow *runLinkForm(QWidget *caller, std::function<void()> done);

// Copy, move or delete membership from the names list: copy and move first
// let the user pick the target category (nothing happens if the user does
// not pick one, and `done` gets false); `done(true)` means the operation ran
// and the tags may be cleared.
void startMembership(QWidget *namesList, MembershipOp op, std::vector<qint32> taggedLinks,
                     std::function<void(bool ran)> done);

// Lets the main frame's "name categories" command open the categories list.
void registerOpeners(host::gui::WindowOpeners &openers);

} // namespace tabulo::people::gui

#pragma once

namespace tabulo::host::gui {
class WindowOpeners;
}

namespace tabulo::reports::gui {

// The frame's four report items.
void registerReportWindows(host::gui::WindowOpeners &openers);
// "--report KIND [--category NAME] --pdf FILE".
void registerReportCommands();

} // namespace tabulo::reports::gui

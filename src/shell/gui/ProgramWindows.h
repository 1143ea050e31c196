#pragma once

namespace tabulo::host::gui {
class WindowOpeners;
}

namespace tabulo::shell::gui {

// Plugs every subsystem's windows into the frame's menu: the program's one
// list of what each menu item opens, used by the program and by its tests.
void registerProgramWindows(host::gui::WindowOpeners &openers);

} // namespace tabulo::shell::gui

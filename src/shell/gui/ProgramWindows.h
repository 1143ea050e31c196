#pragma once

namespace tabulo::shell::gui {

class WindowOpeners;

// Plugs every subsystem's windows into the frame's menu: the program's one
// list of what each menu item opens, used by the program and by its tests.
void registerProgramWindows(WindowOpeners &openers);

} // namespace tabulo::shell::gui

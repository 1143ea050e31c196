#pragma once

namespace tabulo::host::gui {
class WindowOpeners;
}

namespace tabulo::shell::gui {

// Plugs every subsystem's windows into the frame's menu: the program's one
// list of what each menu item opens, used by the program and by its tests.
// Installs the feature windows below too.
void registerProgramWindows(host::gui::WindowOpeners &openers);

// Installs what answers each of the host's feature windows, so that one
// feature opens another's window without knowing it. Done again, it changes
// nothing.
void registerFeatureWindows();

} // namespace tabulo::shell::gui

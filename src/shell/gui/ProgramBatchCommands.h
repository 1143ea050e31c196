#pragma once

namespace tabulo::shell::gui {

// Registers every subsystem's command-line commands that work without a
// window (shell/BatchCommands.h). Called once, before the command line is
// read.
void registerProgramBatchCommands();

} // namespace tabulo::shell::gui

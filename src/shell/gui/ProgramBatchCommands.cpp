#include "shell/gui/ProgramBatchCommands.h"

#include "shell/BatchCommands.h"
#include "shell/SafetyCommands.h"

namespace tabulo::shell::gui {

void registerProgramBatchCommands() {
    // One line per subsystem that offers commands: its own register function.
    registerSafetyCommands();
}

} // namespace tabulo::shell::gui

#include "shell/gui/ProgramBatchCommands.h"

#include "exchange/ExchangeCommands.h"
#include "shell/BatchCommands.h"

namespace tabulo::shell::gui {

void registerProgramBatchCommands() {
    // One line per subsystem that offers commands: its own register function.
    exchange::registerExchangeCommands();
}

} // namespace tabulo::shell::gui

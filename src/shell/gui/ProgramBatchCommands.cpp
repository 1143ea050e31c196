#include "shell/gui/ProgramBatchCommands.h"

#include "exchange/ExchangeCommands.h"
#include "reports/gui/ReportCommands.h"
#include "shell/BatchCommands.h"

namespace tabulo::shell::gui {

void registerProgramBatchCommands() {
    // One line per subsystem that offers commands: its own register function.
    reports::gui::registerReportCommands();
    exchange::registerExchangeCommands();
}

} // namespace tabulo::shell::gui

#include "shell/gui/ProgramBatchCommands.h"

#include "exchange/ExchangeCommands.h"
#include "host/BatchCommands.h"
#include "reports/gui/ReportCommands.h"
#include "search/SearchCommands.h"
#include "shell/SafetyCommands.h"

namespace tabulo::shell::gui {

void registerProgramBatchCommands() {
    // One line per subsystem that offers commands: its own register function.
    reports::gui::registerReportCommands();
    exchange::registerExchangeCommands();
    registerSafetyCommands();
    search::registerSearchCommands();
}

} // namespace tabulo::shell::gui

#pragma once

namespace tabulo::exchange {

// Registers --import FILE and --export vcard|vcard3|csv FILE [--category NAME]
// with the batch-command registry.
void registerExchangeCommands();

} // namespace tabulo::exchange

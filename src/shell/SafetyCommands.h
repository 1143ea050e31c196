#pragma once

namespace tabulo::shell {

// --check, --repair and --backup DIR: the data directory's tables checked,
// repaired or copied without a window.
void registerSafetyCommands();

} // namespace tabulo::shell

#pragma once

namespace tabulo::search {

// --find TEXT: the matches of a search, one per line, for scripts.
void registerSearchCommands();

} // namespace tabulo::search

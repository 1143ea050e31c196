#include "host/BatchCommands.h"

#include <algorithm>

namespace tabulo::host {

namespace {
std::vector<BatchCommand> &registry() {
    static std::vector<BatchCommand> commands;
    return commands;
}
} // namespace

void registerBatchCommand(BatchCommand command) {
    auto &commands = registry();
    const auto same = std::find_if(commands.begin(), commands.end(),
                                   [&](const BatchCommand &c) { return c.name == command.name; });
    if (same != commands.end())
        *same = std::move(command);
    else
        commands.push_back(std::move(command));
}

const std::vector<BatchCommand> &batchCommands() {
    return registry();
}

const BatchCommand *findBatchCommand(const QString &name) {
    for (const BatchCommand &c : registry())
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace tabulo::host

#include "server/Defaults.h"

#include "server/processors/BuiltinTransforms.h"

namespace scribeon::server {

std::vector<Plan> defaultPlans() {
    // name, requests a month, longest text, commands switched on at once
    return {{0, "Free", 50, 2000, 3}, {0, "Pro", 2000, 20000, 50}};
}

std::vector<CatalogueCommand> defaultCommands() {
    std::vector<CatalogueCommand> commands;
    std::int64_t position = 0;
    for (const auto& transform : builtinTransforms())
        commands.push_back(
            {0, transform.name, transform.displayName, "builtin:" + transform.name, ++position});
    return commands;
}

} // namespace scribeon::server

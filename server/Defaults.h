#pragma once

#include "server/Storage.h"

#include <vector>

namespace scribeon::server {

// What `init` puts into a new database.
std::vector<Plan> defaultPlans();
std::vector<CatalogueCommand> defaultCommands();

} // namespace scribeon::server

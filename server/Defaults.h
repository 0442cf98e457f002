#pragma once

#include "server/storage/Storage.h"

#include <vector>

namespace scribeon::server {

// What `init` puts into a new database.
std::vector<Plan> defaultPlans();
std::vector<CatalogueCommand> defaultCommands();

} // namespace scribeon::server

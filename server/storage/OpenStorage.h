#pragma once

#include "server/storage/Storage.h"

#include <cstddef>
#include <string>

namespace scribeon::server {

// The engine the database names (a PostgreSQL connection string, otherwise
// an SQLite file), opened and brought to the current schema, with what the
// rest of the service must know of it.
OpenedStorage openStorage(const std::string& database, std::size_t poolSize = 8);

} // namespace scribeon::server

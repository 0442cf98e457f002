#include "server/storage/OpenStorage.h"

#include "server/storage/PostgresStorage.h"
#include "server/storage/SqliteStorage.h"

namespace scribeon::server {

OpenedStorage openStorage(const std::string& database, std::size_t poolSize) {
    // Each engine that recognises its kind of database, in turn; a file is
    // what is left.
    for (const auto open : {&PostgresStorage::open})
        if (auto opened = open(database, poolSize))
            return std::move(*opened);
    return SqliteStorage::open(database, poolSize);
}

} // namespace scribeon::server

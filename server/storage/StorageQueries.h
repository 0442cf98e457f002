#pragma once

#include "server/storage/Storage.h"
#include "server/storage/StorageRow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scribeon::server {

// The reads both engines make the same way, in SQL both understand. Each
// engine runs them on a connection of its own choosing (its pool, its
// writer's turn, its retry), inside its own transaction when it has one.

std::vector<Account> selectUsers(SqlReader& reader);
std::optional<Account> selectAccount(SqlReader& reader, std::int64_t userId);
std::vector<CatalogueCommand> selectCatalogue(SqlReader& reader);
// The catalogue's commands and the user's own, in order.
std::vector<UserCommand> selectCommandsFor(SqlReader& reader, std::int64_t userId);
std::optional<UserCommand> selectCommandFor(SqlReader& reader, std::int64_t userId,
                                            const std::string& code);
std::optional<AccountAndCommand> selectAccountAndCommand(SqlReader& reader, std::int64_t userId,
                                                         const std::string& code);
// Whether a command other than `exceptId` has the code.
bool codeTaken(SqlReader& reader, const std::string& code, std::int64_t exceptId);
// The id of the user's own command of that code.
std::optional<std::int64_t> ownCommandId(SqlReader& reader, std::int64_t userId,
                                         const std::string& code);
std::int64_t selectUsage(SqlReader& reader, std::int64_t userId, const std::string& month);

} // namespace scribeon::server

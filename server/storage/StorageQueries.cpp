#include "server/storage/StorageQueries.h"

namespace scribeon::server {

namespace {

const std::string accountColumns =
    "SELECT u.id, u.email, u.name, u.created_at, u.email_verified_at, u.plan_expires_at, p.id, "
    "p.name, p.monthly_limit, p.max_text_length, p.active_command_allowance "
    "FROM users u JOIN plans p ON p.id = u.plan_id ";

// The commands user ?1 sees: the catalogue's and their own.
const std::string userCommandColumns =
    "SELECT c.id, c.code, c.name, c.processor, c.position, COALESCE(uc.is_active, 0), "
    "c.owner_id IS NOT NULL FROM commands c "
    "LEFT JOIN user_commands uc ON uc.command_id = c.id AND uc.user_id = ?1 "
    "WHERE (c.owner_id IS NULL OR c.owner_id = ?1) ";

const std::string usersInOrder = accountColumns + "ORDER BY u.id";
const std::string accountById = accountColumns + "WHERE u.id = ?1";
const std::string userCommandsInOrder = userCommandColumns + "ORDER BY c.position, c.id";
const std::string userCommandByCode = userCommandColumns + "AND c.code = ?2";

// The account's columns (0-10), then a command's as userCommandColumns gives
// them (11-17), null when the user sees no command of that code.
const char* const accountAndCommandColumns =
    "SELECT u.id, u.email, u.name, u.created_at, u.email_verified_at, u.plan_expires_at, p.id, "
    "p.name, p.monthly_limit, p.max_text_length, p.active_command_allowance, "
    "c.id, c.code, c.name, c.processor, c.position, COALESCE(uc.is_active, 0), "
    "c.owner_id IS NOT NULL "
    "FROM users u JOIN plans p ON p.id = u.plan_id "
    "LEFT JOIN commands c ON c.code = ?2 AND (c.owner_id IS NULL OR c.owner_id = u.id) "
    "LEFT JOIN user_commands uc ON uc.command_id = c.id AND uc.user_id = u.id "
    "WHERE u.id = ?1";

Account readAccount(const StorageRow& row) {
    Account account;
    account.id = row.integer(0);
    account.email = row.text(1);
    account.name = row.text(2);
    account.createdAt = row.text(3);
    account.emailVerifiedAt = row.optionalText(4);
    account.planExpiresAt = row.optionalText(5);
    account.plan = {row.integer(6), row.text(7), row.integer(8), row.integer(9), row.integer(10)};
    return account;
}

UserCommand readUserCommand(const StorageRow& row, int first = 0) {
    return {{row.integer(first), row.text(first + 1), row.text(first + 2), row.text(first + 3),
             row.integer(first + 4)},
            row.integer(first + 5) != 0,
            row.flag(first + 6)};
}

} // namespace

std::vector<Account> selectUsers(SqlReader& reader) {
    std::vector<Account> accounts;
    reader.select(usersInOrder.c_str(), {},
                  [&](const StorageRow& row) { accounts.push_back(readAccount(row)); });
    return accounts;
}

std::optional<Account> selectAccount(SqlReader& reader, std::int64_t userId) {
    std::optional<Account> account;
    reader.select(accountById.c_str(), {userId},
                  [&](const StorageRow& row) { account = readAccount(row); });
    return account;
}

std::vector<CatalogueCommand> selectCatalogue(SqlReader& reader) {
    std::vector<CatalogueCommand> commands;
    reader.select("SELECT id, code, name, processor, position FROM commands "
                  "WHERE owner_id IS NULL ORDER BY position, id",
                  {}, [&](const StorageRow& row) {
                      commands.push_back(
                          {row.integer(0), row.text(1), row.text(2), row.text(3), row.integer(4)});
                  });
    return commands;
}

std::vector<UserCommand> selectCommandsFor(SqlReader& reader, std::int64_t userId) {
    std::vector<UserCommand> commands;
    reader.select(userCommandsInOrder.c_str(), {userId},
                  [&](const StorageRow& row) { commands.push_back(readUserCommand(row)); });
    return commands;
}

std::optional<UserCommand> selectCommandFor(SqlReader& reader, std::int64_t userId,
                                            const std::string& code) {
    std::optional<UserCommand> command;
    reader.select(userCommandByCode.c_str(), {userId, code},
                  [&](const StorageRow& row) { command = readUserCommand(row); });
    return command;
}

std::optional<AccountAndCommand> selectAccountAndCommand(SqlReader& reader, std::int64_t userId,
                                                         const std::string& code) {
    std::optional<AccountAndCommand> found;
    reader.select(accountAndCommandColumns, {userId, code}, [&](const StorageRow& row) {
        found = AccountAndCommand{readAccount(row), std::nullopt};
        if (row.optionalText(12))
            found->command = readUserCommand(row, 11);
    });
    return found;
}

bool codeTaken(SqlReader& reader, const std::string& code, std::int64_t exceptId) {
    return reader.select("SELECT 1 FROM commands WHERE code = ?1 AND id <> ?2", {code, exceptId},
                         [](const StorageRow&) {}) > 0;
}

std::optional<std::int64_t> ownCommandId(SqlReader& reader, std::int64_t userId,
                                         const std::string& code) {
    std::optional<std::int64_t> id;
    reader.select("SELECT id FROM commands WHERE code = ?1 AND owner_id = ?2", {code, userId},
                  [&](const StorageRow& row) { id = row.integer(0); });
    return id;
}

std::int64_t selectUsage(SqlReader& reader, std::int64_t userId, const std::string& month) {
    std::int64_t count = 0;
    reader.select("SELECT count FROM usage WHERE user_id = ?1 AND month = ?2", {userId, month},
                  [&](const StorageRow& row) { count = row.integer(0); });
    return count;
}

} // namespace scribeon::server

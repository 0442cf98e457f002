#include "server/storage/PostgresStorage.h"

#include "server/storage/StorageQueries.h"
#include "server/storage/StorageSchema.h"

namespace scribeon::server {

namespace {

const char* const sameEmail = "lower(email COLLATE \"C\") = lower(?1 COLLATE \"C\")";

std::string number(std::int64_t value) {
    return std::to_string(value);
}

} // namespace

std::optional<OpenedStorage> PostgresStorage::open(const std::string& database,
                                                   std::size_t poolSize) {
    if (!database.starts_with("postgresql://") && !database.starts_with("postgres://") &&
        database.find('=') == std::string::npos)
        return std::nullopt;
    return OpenedStorage{std::make_unique<PostgresStorage>(database, poolSize),
                         {.readsWait = true, .description = describe(database)}};
}

std::string PostgresStorage::describe(const std::string& connectionString) {
    PQconninfoOption* options = PQconninfoParse(connectionString.c_str(), nullptr);
    if (!options)
        return "a PostgreSQL database (the connection string cannot be read)";
    std::string database, host, user;
    for (auto* option = options; option->keyword; ++option) {
        const std::string keyword = option->keyword;
        const std::string value = option->val ? option->val : "";
        if (keyword == "dbname")
            database = value;
        else if (keyword == "host")
            host = value;
        else if (keyword == "user")
            user = value;
    }
    PQconninfoFree(options);
    return "PostgreSQL database " + (database.empty() ? std::string("(default)") : database) +
           (host.empty() ? "" : " on " + host) + (user.empty() ? "" : " as " + user);
}

PostgresStorage::PostgresStorage(const std::string& connectionString, std::size_t poolSize)
    : pool_(poolSize,
            [connectionString] { return std::make_unique<PostgresConnection>(connectionString); }) {
    withConnection([this](PostgresConnection& connection) { migrate(connection); });
}

void PostgresStorage::migrate(PostgresConnection& connection) {
    PostgresTransaction transaction(connection);
    // Servers starting together upgrade one after the other.
    connection.execute("SELECT pg_advisory_xact_lock(7279616)");
    connection.execute("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    auto rows = connection.query("SELECT version FROM schema_version");
    const std::int64_t current = rows.rows() > 0 ? rows.integer(0, 0) : 0;
    const auto steps = schemaSteps();
    if (current > std::ssize(steps))
        throw StorageError("the database was made by a newer scribeon-server (schema " +
                           std::to_string(current) + ")");
    for (auto step = current; step < std::ssize(steps); ++step)
        connection.execute(steps[static_cast<std::size_t>(step)].postgres);
    connection.query("DELETE FROM schema_version");
    connection.query("INSERT INTO schema_version (version) VALUES (?1)",
                     {number(std::ssize(steps))});
    transaction.commit();
}

void PostgresStorage::seedDefaults(const std::vector<Plan>& plans,
                                   const std::vector<CatalogueCommand>& commands) {
    withConnection([&](PostgresConnection& connection) {
        PostgresTransaction transaction(connection);
        for (const auto& plan : plans)
            connection.query("INSERT INTO plans (name, monthly_limit, max_text_length, "
                             "active_command_allowance) VALUES (?1, ?2, ?3, ?4) "
                             "ON CONFLICT (name) DO NOTHING",
                             {plan.name, number(plan.monthlyLimit), number(plan.maxTextLength),
                              number(plan.activeCommandAllowance)});
        for (const auto& command : commands)
            connection.query(
                "INSERT INTO commands (code, name, processor, position) "
                "VALUES (?1, ?2, ?3, ?4) ON CONFLICT (code) DO NOTHING",
                {command.code, command.name, command.processor, number(command.position)});
        transaction.commit();
    });
}

std::int64_t PostgresStorage::addUser(const NewUser& user) {
    return withConnection([&](PostgresConnection& connection) {
        PostgresTransaction transaction(connection);
        auto plan = connection.query(
            "SELECT id, active_command_allowance FROM plans WHERE name = ?1", {user.planName});
        if (plan.rows() == 0)
            throw StorageError("there is no plan named \"" + user.planName + "\"");
        if (connection
                .query((std::string("SELECT 1 FROM users WHERE ") + sameEmail).c_str(),
                       {user.email})
                .rows() > 0)
            throw StorageError("an account with the e-mail " + user.email + " exists already");
        const auto userId =
            connection
                .query("INSERT INTO users (email, name, password_hash, plan_id, plan_expires_at, "
                       "created_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6) RETURNING id",
                       {user.email, user.name, user.passwordHash, plan.text(0, 0),
                        user.planExpiresAt, user.createdAt})
                .integer(0, 0);
        connection.query("INSERT INTO user_commands (user_id, command_id, is_active) "
                         "SELECT ?1, id, CASE WHEN ROW_NUMBER() OVER (ORDER BY position, id) <= "
                         "?2 THEN 1 ELSE 0 END FROM commands WHERE owner_id IS NULL",
                         {number(userId), plan.text(0, 1)});
        transaction.commit();
        return userId;
    });
}

std::vector<Account> PostgresStorage::users() {
    return withRetriedConnection(
        [](PostgresConnection& connection) { return selectUsers(connection); });
}

std::optional<Account> PostgresStorage::account(std::int64_t userId) {
    return withRetriedConnection(
        [&](PostgresConnection& connection) { return selectAccount(connection, userId); });
}

std::optional<std::pair<std::int64_t, std::string>>
PostgresStorage::credentials(const std::string& email) {
    return withRetriedConnection(
        [&](PostgresConnection& connection) -> std::optional<std::pair<std::int64_t, std::string>> {
            auto rows = connection.query(
                (std::string("SELECT id, password_hash FROM users WHERE ") + sameEmail).c_str(),
                {email});
            if (rows.rows() == 0)
                return std::nullopt;
            return std::pair{rows.integer(0, 0), rows.text(0, 1)};
        });
}

void PostgresStorage::addToken(const std::string& digest, std::int64_t userId,
                               const std::string& now, std::size_t keepAtMost) {
    withConnection([&](PostgresConnection& connection) {
        PostgresTransaction transaction(connection);
        connection.query("INSERT INTO tokens (digest, user_id, created_at, last_used_at) "
                         "VALUES (?1, ?2, ?3, ?3)",
                         {digest, number(userId), now});
        connection.query("DELETE FROM tokens WHERE user_id = ?1 AND digest NOT IN (SELECT digest "
                         "FROM tokens WHERE user_id = ?1 ORDER BY last_used_at DESC, "
                         "created_at DESC LIMIT ?2)",
                         {number(userId), number(static_cast<std::int64_t>(keepAtMost))});
        transaction.commit();
    });
}

std::optional<std::int64_t> PostgresStorage::userForToken(const std::string& digest,
                                                          const std::string& now,
                                                          const std::string& expiredBefore,
                                                          const std::string& touchBefore) {
    return withRetriedConnection(
        [&](PostgresConnection& connection) -> std::optional<std::int64_t> {
            auto rows = connection.query(
                "SELECT user_id, last_used_at FROM tokens WHERE digest = ?1", {digest});
            if (rows.rows() == 0)
                return std::nullopt;
            const auto lastUsed = rows.text(0, 1);
            if (lastUsed < expiredBefore) {
                connection.query("DELETE FROM tokens WHERE digest = ?1", {digest});
                return std::nullopt;
            }
            if (lastUsed < touchBefore)
                connection.query("UPDATE tokens SET last_used_at = ?2 WHERE digest = ?1",
                                 {digest, now});
            return rows.integer(0, 0);
        });
}

void PostgresStorage::revokeToken(const std::string& digest) {
    withRetriedConnection([&](PostgresConnection& connection) {
        connection.query("DELETE FROM tokens WHERE digest = ?1", {digest});
    });
}

std::int64_t PostgresStorage::revokeTokensOf(std::int64_t userId) {
    return withRetriedConnection([&](PostgresConnection& connection) {
        return connection.query("DELETE FROM tokens WHERE user_id = ?1", {number(userId)})
            .affected();
    });
}

std::int64_t PostgresStorage::sweepTokens(const std::string& expiredBefore) {
    return withRetriedConnection([&](PostgresConnection& connection) {
        return connection.query("DELETE FROM tokens WHERE last_used_at < ?1", {expiredBefore})
            .affected();
    });
}

std::int64_t PostgresStorage::addCommand(const CatalogueCommand& command) {
    return withConnection([&](PostgresConnection& connection) {
        auto rows = connection.query(
            "INSERT INTO commands (code, name, processor, position) VALUES (?1, ?2, ?3, ?4) "
            "ON CONFLICT (code) DO NOTHING RETURNING id",
            {command.code, command.name, command.processor, number(command.position)});
        if (rows.rows() == 0)
            throw StorageError("a command with the code " + command.code + " exists already");
        return rows.integer(0, 0);
    });
}

std::vector<CatalogueCommand> PostgresStorage::catalogue() {
    return withRetriedConnection(
        [](PostgresConnection& connection) { return selectCatalogue(connection); });
}

CommandChange PostgresStorage::createCommand(std::int64_t userId, const CommandDraft& draft,
                                             std::int64_t allowance, std::int64_t maxOwn) {
    return withConnection([&](PostgresConnection& connection) {
        PostgresTransaction transaction(connection);
        // The user's row orders this against their toggles and other creations.
        connection.query("SELECT 1 FROM users WHERE id = ?1 FOR UPDATE", {number(userId)});
        if (connection.query("SELECT COUNT(*) FROM commands WHERE owner_id = ?1", {number(userId)})
                .integer(0, 0) >= maxOwn)
            return CommandChange::limitReached;
        auto created = connection.query(
            "INSERT INTO commands (code, name, processor, position, owner_id) "
            "SELECT ?1, ?2, ?3, COALESCE(MAX(position), 0) + 1, ?4 FROM commands "
            "WHERE owner_id IS NULL OR owner_id = ?4 ON CONFLICT (code) DO NOTHING RETURNING id",
            {draft.code, draft.name, draft.processor, number(userId)});
        if (created.rows() == 0)
            return CommandChange::codeTaken;
        connection.query("INSERT INTO user_commands (user_id, command_id, is_active) "
                         "SELECT ?1, ?2, CASE WHEN COUNT(*) < ?3 THEN 1 ELSE 0 END "
                         "FROM user_commands WHERE user_id = ?1 AND is_active = 1",
                         {number(userId), created.text(0, 0), number(allowance)});
        transaction.commit();
        return CommandChange::done;
    });
}

CommandChange PostgresStorage::updateCommand(std::int64_t userId, const std::string& code,
                                             const CommandDraft& draft) {
    return withConnection([&](PostgresConnection& connection) {
        PostgresTransaction transaction(connection);
        const auto id = ownCommandId(connection, userId, code);
        if (!id)
            return CommandChange::notFound;
        if (codeTaken(connection, draft.code, *id))
            return CommandChange::codeTaken;
        connection.query("UPDATE commands SET code = ?1, name = ?2, processor = ?3 WHERE id = ?4",
                         {draft.code, draft.name, draft.processor, number(*id)});
        transaction.commit();
        return CommandChange::done;
    });
}

CommandChange PostgresStorage::deleteCommand(std::int64_t userId, const std::string& code) {
    return withConnection([&](PostgresConnection& connection) {
        auto deleted = connection.query("DELETE FROM commands WHERE code = ?1 AND owner_id = ?2",
                                        {code, number(userId)});
        return deleted.affected() > 0 ? CommandChange::done : CommandChange::notFound;
    });
}

std::vector<UserCommand> PostgresStorage::commandsFor(std::int64_t userId) {
    return withRetriedConnection(
        [&](PostgresConnection& connection) { return selectCommandsFor(connection, userId); });
}

std::optional<UserCommand> PostgresStorage::commandFor(std::int64_t userId,
                                                       const std::string& code) {
    return withRetriedConnection(
        [&](PostgresConnection& connection) { return selectCommandFor(connection, userId, code); });
}

std::optional<AccountAndCommand> PostgresStorage::accountAndCommand(std::int64_t userId,
                                                                    const std::string& code) {
    return withRetriedConnection([&](PostgresConnection& connection) {
        return selectAccountAndCommand(connection, userId, code);
    });
}

ToggleResult PostgresStorage::toggle(std::int64_t userId, const std::string& code,
                                     std::int64_t allowance, UserCommand& after) {
    return withConnection([&](PostgresConnection& connection) {
        PostgresTransaction transaction(connection);
        // The user's row is locked first, so two toggles of one user take
        // turns and the allowance cannot be passed by racing them.
        connection.query("SELECT 1 FROM users WHERE id = ?1 FOR UPDATE", {number(userId)});
        auto found = selectCommandFor(connection, userId, code);
        if (!found)
            return ToggleResult::notFound;
        after = std::move(*found);
        after.isActive = !after.isActive;
        if (after.isActive &&
            connection
                    .query("SELECT COUNT(*) FROM user_commands WHERE user_id = ?1 AND "
                           "is_active = 1",
                           {number(userId)})
                    .integer(0, 0) >= allowance)
            return ToggleResult::limitReached;
        connection.query(
            "INSERT INTO user_commands (user_id, command_id, is_active) VALUES (?1, ?2, ?3) "
            "ON CONFLICT (user_id, command_id) DO UPDATE SET is_active = excluded.is_active",
            {number(userId), number(after.command.id), number(after.isActive ? 1 : 0)});
        transaction.commit();
        return ToggleResult::toggled;
    });
}

Admission PostgresStorage::admit(std::int64_t userId, const std::string& month,
                                 std::int64_t limit) {
    return withConnection([&](PostgresConnection& connection) -> Admission {
        // One statement: the row lock the upsert takes orders concurrent
        // requests from any server, and the WHERE refuses past the limit.
        auto counted = connection.query(
            "INSERT INTO usage (user_id, month, count) SELECT ?1, ?2, 1 WHERE ?3::BIGINT > 0 "
            "ON CONFLICT (user_id, month) DO UPDATE SET count = usage.count + 1 "
            "WHERE usage.count < ?3::BIGINT RETURNING count",
            {number(userId), month, number(limit)});
        if (counted.rows() > 0)
            return {true, counted.integer(0, 0)};
        auto current = connection.query("SELECT count FROM usage WHERE user_id = ?1 AND month = ?2",
                                        {number(userId), month});
        return {false, current.rows() > 0 ? current.integer(0, 0) : 0};
    });
}

void PostgresStorage::refund(std::int64_t userId, const std::string& month) {
    withConnection([&](PostgresConnection& connection) {
        connection.query("UPDATE usage SET count = count - 1 WHERE user_id = ?1 AND month = ?2 "
                         "AND count > 0",
                         {number(userId), month});
    });
}

std::int64_t PostgresStorage::usage(std::int64_t userId, const std::string& month) {
    return withRetriedConnection(
        [&](PostgresConnection& connection) { return selectUsage(connection, userId, month); });
}

} // namespace scribeon::server

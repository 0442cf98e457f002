#include "server/storage/SqliteStorage.h"

#include "server/storage/StorageQueries.h"
#include "server/storage/StorageSchema.h"

#include <filesystem>

namespace scribeon::server {

SqliteStorage::SqliteStorage(std::string path, std::size_t poolSize)
    : path_(std::move(path)),
      checkpointer_(path_ == ":memory:" ? nullptr
                                        : std::make_unique<SqliteCheckpointer>(path_, writer_)),
      pool_(poolSize, [this] {
          auto connection = std::make_unique<SqliteConnection>(path_);
          if (checkpointer_)
              checkpointer_->watch(*connection);
          return connection;
      }) {
    auto lease = borrowForWriting();
    migrate(*lease);
}

OpenedStorage SqliteStorage::open(const std::string& database, std::size_t poolSize) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(database).parent_path(), ignored);
    return {std::make_unique<SqliteStorage>(database, poolSize),
            {.readsWait = false, .description = database}};
}

SqliteStorage::Lease SqliteStorage::borrowForWriting() {
    std::unique_lock writing(writer_);
    return {std::move(writing), pool_.borrow()};
}

void SqliteStorage::migrate(SqliteConnection& connection) {
    SqliteTransaction transaction(connection);
    SqliteStatement version(connection, "PRAGMA user_version");
    version.step();
    const auto current = version.integer(0);
    const auto steps = schemaSteps();
    if (current > std::ssize(steps))
        throw StorageError("the database was made by a newer scribeon-server (schema " +
                           std::to_string(current) + ")");
    for (auto step = current; step < std::ssize(steps); ++step)
        connection.execute(steps[static_cast<std::size_t>(step)].sqlite);
    connection.execute(("PRAGMA user_version = " + std::to_string(steps.size())).c_str());
    transaction.commit();
}

void SqliteStorage::seedDefaults(const std::vector<Plan>& plans,
                                 const std::vector<CatalogueCommand>& commands) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    for (const auto& plan : plans) {
        SqliteStatement(*lease,
                        "INSERT OR IGNORE INTO plans (name, monthly_limit, max_text_length, "
                        "active_command_allowance) VALUES (?1, ?2, ?3, ?4)")
            .bind(1, plan.name)
            .bind(2, plan.monthlyLimit)
            .bind(3, plan.maxTextLength)
            .bind(4, plan.activeCommandAllowance)
            .run();
    }
    for (const auto& command : commands) {
        SqliteStatement(*lease, "INSERT OR IGNORE INTO commands (code, name, processor, position) "
                                "VALUES (?1, ?2, ?3, ?4)")
            .bind(1, command.code)
            .bind(2, command.name)
            .bind(3, command.processor)
            .bind(4, command.position)
            .run();
    }
    transaction.commit();
}

std::int64_t SqliteStorage::addUser(const NewUser& user) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    SqliteStatement plan(*lease, "SELECT id, active_command_allowance FROM plans WHERE name = ?1");
    plan.bind(1, user.planName);
    if (!plan.step())
        throw StorageError("there is no plan named \"" + user.planName + "\"");
    SqliteStatement taken(*lease, "SELECT 1 FROM users WHERE email = ?1");
    if (taken.bind(1, user.email).step())
        throw StorageError("an account with the e-mail " + user.email + " exists already");
    SqliteStatement(*lease,
                    "INSERT INTO users (email, name, password_hash, plan_id, plan_expires_at, "
                    "created_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
        .bind(1, user.email)
        .bind(2, user.name)
        .bind(3, user.passwordHash)
        .bind(4, plan.integer(0))
        .bind(5, user.planExpiresAt)
        .bind(6, user.createdAt)
        .run();
    const auto userId = (*lease).lastInsertId();
    // A new account starts with the first commands of the catalogue switched on, as many as its
    // plan allows.
    SqliteStatement(*lease,
                    "INSERT INTO user_commands (user_id, command_id, is_active) "
                    "SELECT ?1, id, ROW_NUMBER() OVER (ORDER BY position, id) <= ?2 FROM commands "
                    "WHERE owner_id IS NULL")
        .bind(1, userId)
        .bind(2, plan.integer(1))
        .run();
    transaction.commit();
    return userId;
}

std::vector<Account> SqliteStorage::users() {
    auto lease = borrow();
    return selectUsers(*lease);
}

std::optional<Account> SqliteStorage::account(std::int64_t userId) {
    auto lease = borrow();
    return selectAccount(*lease, userId);
}

std::optional<std::pair<std::int64_t, std::string>>
SqliteStorage::credentials(const std::string& email) {
    auto lease = borrow();
    SqliteStatement row(*lease, "SELECT id, password_hash FROM users WHERE email = ?1");
    if (!row.bind(1, email).step())
        return std::nullopt;
    return std::pair{row.integer(0), row.text(1)};
}

void SqliteStorage::addToken(const std::string& digest, std::int64_t userId, const std::string& now,
                             std::size_t keepAtMost) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    SqliteStatement(*lease, "INSERT INTO tokens (digest, user_id, created_at, last_used_at) "
                            "VALUES (?1, ?2, ?3, ?3)")
        .bind(1, digest)
        .bind(2, userId)
        .bind(3, now)
        .run();
    SqliteStatement(*lease, "DELETE FROM tokens WHERE user_id = ?1 AND digest NOT IN (SELECT "
                            "digest FROM tokens WHERE user_id = ?1 ORDER BY last_used_at DESC, "
                            "created_at DESC LIMIT ?2)")
        .bind(1, userId)
        .bind(2, static_cast<std::int64_t>(keepAtMost))
        .run();
    transaction.commit();
}

std::optional<std::int64_t> SqliteStorage::userForToken(const std::string& digest,
                                                        const std::string& now,
                                                        const std::string& expiredBefore,
                                                        const std::string& touchBefore) {
    std::int64_t userId = 0;
    std::string lastUsed;
    {
        auto lease = borrow();
        SqliteStatement row(*lease, "SELECT user_id, last_used_at FROM tokens WHERE digest = ?1");
        if (!row.bind(1, digest).step())
            return std::nullopt;
        userId = row.integer(0);
        lastUsed = row.text(1);
    }
    if (lastUsed < expiredBefore) {
        revokeToken(digest);
        return std::nullopt;
    }
    if (lastUsed < touchBefore) {
        auto lease = borrowForWriting();
        SqliteStatement(*lease, "UPDATE tokens SET last_used_at = ?2 WHERE digest = ?1")
            .bind(1, digest)
            .bind(2, now)
            .run();
    }
    return userId;
}

void SqliteStorage::revokeToken(const std::string& digest) {
    auto lease = borrowForWriting();
    SqliteStatement(*lease, "DELETE FROM tokens WHERE digest = ?1").bind(1, digest).run();
}

std::int64_t SqliteStorage::revokeTokensOf(std::int64_t userId) {
    auto lease = borrowForWriting();
    SqliteStatement(*lease, "DELETE FROM tokens WHERE user_id = ?1").bind(1, userId).run();
    return sqlite3_changes((*lease).handle());
}

std::int64_t SqliteStorage::sweepTokens(const std::string& expiredBefore) {
    auto lease = borrowForWriting();
    SqliteStatement(*lease, "DELETE FROM tokens WHERE last_used_at < ?1")
        .bind(1, expiredBefore)
        .run();
    return sqlite3_changes((*lease).handle());
}

std::int64_t SqliteStorage::addCommand(const CatalogueCommand& command) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    SqliteStatement taken(*lease, "SELECT 1 FROM commands WHERE code = ?1");
    if (taken.bind(1, command.code).step())
        throw StorageError("a command with the code " + command.code + " exists already");
    SqliteStatement(
        *lease, "INSERT INTO commands (code, name, processor, position) VALUES (?1, ?2, ?3, ?4)")
        .bind(1, command.code)
        .bind(2, command.name)
        .bind(3, command.processor)
        .bind(4, command.position)
        .run();
    const auto id = (*lease).lastInsertId();
    transaction.commit();
    return id;
}

std::vector<CatalogueCommand> SqliteStorage::catalogue() {
    auto lease = borrow();
    return selectCatalogue(*lease);
}

CommandChange SqliteStorage::createCommand(std::int64_t userId, const CommandDraft& draft,
                                           std::int64_t allowance, std::int64_t maxOwn) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    SqliteStatement own(*lease, "SELECT COUNT(*) FROM commands WHERE owner_id = ?1");
    if (own.bind(1, userId).step() && own.integer(0) >= maxOwn)
        return CommandChange::limitReached;
    if (codeTaken(*lease, draft.code, 0))
        return CommandChange::codeTaken;
    SqliteStatement(*lease, "INSERT INTO commands (code, name, processor, position, owner_id) "
                            "SELECT ?1, ?2, ?3, COALESCE(MAX(position), 0) + 1, ?4 FROM commands "
                            "WHERE owner_id IS NULL OR owner_id = ?4")
        .bind(1, draft.code)
        .bind(2, draft.name)
        .bind(3, draft.processor)
        .bind(4, userId)
        .run();
    SqliteStatement(*lease, "INSERT INTO user_commands (user_id, command_id, is_active) "
                            "SELECT ?1, ?2, COUNT(*) < ?3 FROM user_commands "
                            "WHERE user_id = ?1 AND is_active = 1")
        .bind(1, userId)
        .bind(2, (*lease).lastInsertId())
        .bind(3, allowance)
        .run();
    transaction.commit();
    return CommandChange::done;
}

CommandChange SqliteStorage::updateCommand(std::int64_t userId, const std::string& code,
                                           const CommandDraft& draft) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    const auto id = ownCommandId(*lease, userId, code);
    if (!id)
        return CommandChange::notFound;
    if (codeTaken(*lease, draft.code, *id))
        return CommandChange::codeTaken;
    SqliteStatement(*lease,
                    "UPDATE commands SET code = ?1, name = ?2, processor = ?3 WHERE id = ?4")
        .bind(1, draft.code)
        .bind(2, draft.name)
        .bind(3, draft.processor)
        .bind(4, *id)
        .run();
    transaction.commit();
    return CommandChange::done;
}

CommandChange SqliteStorage::deleteCommand(std::int64_t userId, const std::string& code) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    const auto id = ownCommandId(*lease, userId, code);
    if (!id)
        return CommandChange::notFound;
    SqliteStatement(*lease, "DELETE FROM commands WHERE id = ?1").bind(1, *id).run();
    transaction.commit();
    return CommandChange::done;
}

std::vector<UserCommand> SqliteStorage::commandsFor(std::int64_t userId) {
    auto lease = borrow();
    return selectCommandsFor(*lease, userId);
}

std::optional<UserCommand> SqliteStorage::commandFor(std::int64_t userId, const std::string& code) {
    auto lease = borrow();
    return selectCommandFor(*lease, userId, code);
}

std::optional<AccountAndCommand> SqliteStorage::accountAndCommand(std::int64_t userId,
                                                                  const std::string& code) {
    auto lease = borrow();
    return selectAccountAndCommand(*lease, userId, code);
}

ToggleResult SqliteStorage::toggle(std::int64_t userId, const std::string& code,
                                   std::int64_t allowance, UserCommand& after) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    auto found = selectCommandFor(*lease, userId, code);
    if (!found)
        return ToggleResult::notFound;
    after = std::move(*found);
    after.isActive = !after.isActive;
    if (after.isActive) {
        SqliteStatement active(
            *lease, "SELECT COUNT(*) FROM user_commands WHERE user_id = ?1 AND is_active = 1");
        active.bind(1, userId).step();
        if (active.integer(0) >= allowance)
            return ToggleResult::limitReached;
    }
    SqliteStatement(
        *lease, "INSERT INTO user_commands (user_id, command_id, is_active) VALUES (?1, ?2, ?3) "
                "ON CONFLICT (user_id, command_id) DO UPDATE SET is_active = excluded.is_active")
        .bind(1, userId)
        .bind(2, after.command.id)
        .bind(3, std::int64_t{after.isActive})
        .run();
    transaction.commit();
    return ToggleResult::toggled;
}

Admission SqliteStorage::admit(std::int64_t userId, const std::string& month, std::int64_t limit) {
    AdmissionWrite write{userId, month, limit, {}};
    admissions_.submit(write);
    return write.result;
}

// Writes of one batch run in the order they came, each seeing the counts the
// ones before it left, so the limit holds as if they had committed one by one.
void SqliteStorage::commitAdmissions(std::vector<AdmissionWrite*>& writes) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    for (auto* write : writes) {
        SqliteStatement current(*lease,
                                "SELECT count FROM usage WHERE user_id = ?1 AND month = ?2");
        const std::int64_t used =
            current.bind(1, write->userId).bind(2, write->month).step() ? current.integer(0) : 0;
        if (used >= write->limit) {
            write->result = {false, used};
            continue;
        }
        SqliteStatement(*lease, "INSERT INTO usage (user_id, month, count) VALUES (?1, ?2, 1) "
                                "ON CONFLICT (user_id, month) DO UPDATE SET count = count + 1")
            .bind(1, write->userId)
            .bind(2, write->month)
            .run();
        write->result = {true, used + 1};
    }
    transaction.commit();
}

void SqliteStorage::refund(std::int64_t userId, const std::string& month) {
    auto lease = borrowForWriting();
    SqliteStatement(
        *lease,
        "UPDATE usage SET count = count - 1 WHERE user_id = ?1 AND month = ?2 AND count > 0")
        .bind(1, userId)
        .bind(2, month)
        .run();
}

std::int64_t SqliteStorage::usage(std::int64_t userId, const std::string& month) {
    auto lease = borrow();
    return selectUsage(*lease, userId, month);
}

int SqliteStorage::checkpointsDone() const {
    return checkpointer_ ? checkpointer_->checkpointsDone() : 0;
}

std::string SqliteStorage::integrityCheck() {
    auto lease = borrow();
    SqliteStatement row(*lease, "PRAGMA integrity_check");
    return row.step() ? row.text(0) : "no answer";
}

} // namespace scribeon::server

#include "server/storage/SqliteStorage.h"

namespace scribeon::server {

namespace {

const char* const migrations[] = {
    R"sql(
    CREATE TABLE plans (
        id INTEGER PRIMARY KEY,
        name TEXT NOT NULL UNIQUE,
        monthly_limit INTEGER NOT NULL CHECK (monthly_limit >= 0),
        max_text_length INTEGER NOT NULL CHECK (max_text_length > 0),
        active_command_allowance INTEGER NOT NULL CHECK (active_command_allowance >= 0));
    CREATE TABLE users (
        id INTEGER PRIMARY KEY,
        email TEXT NOT NULL UNIQUE COLLATE NOCASE,
        name TEXT NOT NULL,
        password_hash TEXT NOT NULL,
        plan_id INTEGER NOT NULL REFERENCES plans(id),
        plan_expires_at TEXT,
        email_verified_at TEXT,
        created_at TEXT NOT NULL);
    CREATE TABLE commands (
        id INTEGER PRIMARY KEY,
        code TEXT NOT NULL UNIQUE,
        name TEXT NOT NULL,
        processor TEXT NOT NULL,
        position INTEGER NOT NULL);
    CREATE TABLE user_commands (
        user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
        command_id INTEGER NOT NULL REFERENCES commands(id) ON DELETE CASCADE,
        is_active INTEGER NOT NULL,
        PRIMARY KEY (user_id, command_id)) WITHOUT ROWID;
    CREATE TABLE tokens (
        digest TEXT PRIMARY KEY,
        user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
        created_at TEXT NOT NULL) WITHOUT ROWID;
    CREATE TABLE usage (
        user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
        month TEXT NOT NULL,
        count INTEGER NOT NULL,
        PRIMARY KEY (user_id, month)) WITHOUT ROWID;
    )sql",
    // Tokens expire after a time without use, and each user keeps a few.
    R"sql(
    ALTER TABLE tokens ADD COLUMN last_used_at TEXT;
    UPDATE tokens SET last_used_at = created_at;
    CREATE INDEX tokens_by_user ON tokens (user_id, last_used_at);
    CREATE INDEX tokens_by_use ON tokens (last_used_at);
    )sql",
    // Users make commands of their own; a command without an owner is the
    // shared catalogue's.
    R"sql(
    ALTER TABLE commands ADD COLUMN owner_id INTEGER REFERENCES users(id) ON DELETE CASCADE;
    CREATE INDEX commands_by_owner ON commands (owner_id);
    )sql",
};

const char* const accountColumns = "SELECT u.id, u.email, u.name, u.created_at, "
                                   "u.email_verified_at, u.plan_expires_at, p.id, p.name, "
                                   "p.monthly_limit, p.max_text_length, p.active_command_allowance "
                                   "FROM users u JOIN plans p ON p.id = u.plan_id ";

Account readAccount(const SqliteStatement& row) {
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

// The commands user ?1 sees: the catalogue's and their own.
const char* const userCommandColumns =
    "SELECT c.id, c.code, c.name, c.processor, c.position, COALESCE(uc.is_active, 0), "
    "c.owner_id IS NOT NULL FROM commands c "
    "LEFT JOIN user_commands uc ON uc.command_id = c.id AND uc.user_id = ?1 "
    "WHERE (c.owner_id IS NULL OR c.owner_id = ?1) ";

UserCommand readUserCommand(const SqliteStatement& row, int first = 0) {
    return {{row.integer(first), row.text(first + 1), row.text(first + 2), row.text(first + 3),
             row.integer(first + 4)},
            row.integer(first + 5) != 0,
            row.integer(first + 6) != 0};
}

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

bool codeTaken(SqliteConnection& connection, const std::string& code, std::int64_t exceptId) {
    SqliteStatement taken(connection, "SELECT 1 FROM commands WHERE code = ?1 AND id <> ?2");
    return taken.bind(1, code).bind(2, exceptId).step();
}

std::optional<std::int64_t> ownCommandId(SqliteConnection& connection, std::int64_t userId,
                                         const std::string& code) {
    SqliteStatement own(connection, "SELECT id FROM commands WHERE code = ?1 AND owner_id = ?2");
    if (!own.bind(1, code).bind(2, userId).step())
        return std::nullopt;
    return own.integer(0);
}

} // namespace

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

SqliteStorage::Lease SqliteStorage::borrowForWriting() {
    std::unique_lock writing(writer_);
    return {std::move(writing), pool_.borrow()};
}

void SqliteStorage::migrate(SqliteConnection& connection) {
    SqliteTransaction transaction(connection);
    SqliteStatement version(connection, "PRAGMA user_version");
    version.step();
    const auto current = version.integer(0);
    if (current > schemaVersion)
        throw StorageError("the database was made by a newer scribeon-server (schema " +
                           std::to_string(current) + ")");
    for (auto step = current; step < schemaVersion; ++step)
        connection.execute(migrations[step]);
    connection.execute(("PRAGMA user_version = " + std::to_string(schemaVersion)).c_str());
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
    SqliteStatement rows(*lease, (std::string(accountColumns) + "ORDER BY u.id").c_str());
    std::vector<Account> accounts;
    while (rows.step())
        accounts.push_back(readAccount(rows));
    return accounts;
}

std::optional<Account> SqliteStorage::account(std::int64_t userId) {
    auto lease = borrow();
    SqliteStatement row(*lease, (std::string(accountColumns) + "WHERE u.id = ?1").c_str());
    if (!row.bind(1, userId).step())
        return std::nullopt;
    return readAccount(row);
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
    SqliteStatement rows(
        *lease, "SELECT id, code, name, processor, position FROM commands WHERE owner_id IS NULL "
                "ORDER BY position, id");
    std::vector<CatalogueCommand> commands;
    while (rows.step())
        commands.push_back(
            {rows.integer(0), rows.text(1), rows.text(2), rows.text(3), rows.integer(4)});
    return commands;
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
    SqliteStatement rows(*lease,
                         (std::string(userCommandColumns) + "ORDER BY c.position, c.id").c_str());
    rows.bind(1, userId);
    std::vector<UserCommand> commands;
    while (rows.step())
        commands.push_back(readUserCommand(rows));
    return commands;
}

std::optional<UserCommand> SqliteStorage::commandFor(std::int64_t userId, const std::string& code) {
    auto lease = borrow();
    SqliteStatement row(*lease, (std::string(userCommandColumns) + "AND c.code = ?2").c_str());
    if (!row.bind(1, userId).bind(2, code).step())
        return std::nullopt;
    return readUserCommand(row);
}

std::optional<AccountAndCommand> SqliteStorage::accountAndCommand(std::int64_t userId,
                                                                  const std::string& code) {
    auto lease = borrow();
    SqliteStatement row(*lease, accountAndCommandColumns);
    if (!row.bind(1, userId).bind(2, code).step())
        return std::nullopt;
    AccountAndCommand found{readAccount(row), std::nullopt};
    if (row.optionalText(12))
        found.command = readUserCommand(row, 11);
    return found;
}

ToggleResult SqliteStorage::toggle(std::int64_t userId, const std::string& code,
                                   std::int64_t allowance, UserCommand& after) {
    auto lease = borrowForWriting();
    SqliteTransaction transaction(*lease);
    SqliteStatement row(*lease, (std::string(userCommandColumns) + "AND c.code = ?2").c_str());
    if (!row.bind(1, userId).bind(2, code).step())
        return ToggleResult::notFound;
    after = readUserCommand(row);
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
    SqliteStatement row(*lease, "SELECT count FROM usage WHERE user_id = ?1 AND month = ?2");
    return row.bind(1, userId).bind(2, month).step() ? row.integer(0) : 0;
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

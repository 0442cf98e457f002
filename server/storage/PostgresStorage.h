#pragma once

#include "server/storage/ConnectionPool.h"
#include "server/storage/PostgresConnection.h"
#include "server/storage/Storage.h"

namespace scribeon::server {

// Storage in a PostgreSQL database that several servers may share. Every
// rule that must hold across them is one statement or one transaction in
// the database: a request is admitted and counted by a single conditional
// upsert, and a token is looked up on every request, so a sign-out on one
// server is seen by the others at once.
class PostgresStorage : public Storage {
public:
    // connectionString: a postgresql:// URI or libpq key=value pairs.
    explicit PostgresStorage(const std::string& connectionString, std::size_t poolSize = 8);
    // None when the database is not a connection string.
    static std::optional<OpenedStorage> open(const std::string& database, std::size_t poolSize);

    void seedDefaults(const std::vector<Plan>& plans,
                      const std::vector<CatalogueCommand>& commands) override;
    std::int64_t addUser(const NewUser& user) override;
    std::vector<Account> users() override;
    std::optional<Account> account(std::int64_t userId) override;
    std::optional<std::pair<std::int64_t, std::string>>
    credentials(const std::string& email) override;
    void addToken(const std::string& digest, std::int64_t userId, const std::string& now,
                  std::size_t keepAtMost) override;
    std::optional<std::int64_t> userForToken(const std::string& digest, const std::string& now,
                                             const std::string& expiredBefore,
                                             const std::string& touchBefore) override;
    void revokeToken(const std::string& digest) override;
    std::int64_t revokeTokensOf(std::int64_t userId) override;
    std::int64_t sweepTokens(const std::string& expiredBefore) override;
    std::int64_t addCommand(const CatalogueCommand& command) override;
    std::vector<CatalogueCommand> catalogue() override;
    CommandChange createCommand(std::int64_t userId, const CommandDraft& draft,
                                std::int64_t allowance, std::int64_t maxOwn) override;
    CommandChange updateCommand(std::int64_t userId, const std::string& code,
                                const CommandDraft& draft) override;
    CommandChange deleteCommand(std::int64_t userId, const std::string& code) override;
    std::vector<UserCommand> commandsFor(std::int64_t userId) override;
    std::optional<UserCommand> commandFor(std::int64_t userId, const std::string& code) override;
    std::optional<AccountAndCommand> accountAndCommand(std::int64_t userId,
                                                       const std::string& code) override;
    ToggleResult toggle(std::int64_t userId, const std::string& code, std::int64_t allowance,
                        UserCommand& after) override;
    Admission admit(std::int64_t userId, const std::string& month, std::int64_t limit) override;
    void refund(std::int64_t userId, const std::string& month) override;
    std::int64_t usage(std::int64_t userId, const std::string& month) override;

private:
    // The database, server and user a connection string names, for messages:
    // never its password.
    static std::string describe(const std::string& connectionString);

    // Runs work on a pooled connection. A lost connection is closed with
    // every idle one: they were opened before the database went away (a
    // restart, a failover), so the next request opens fresh ones.
    template <typename Work> auto withConnection(Work work) {
        auto lease = pool_.borrow();
        try {
            return work(*lease);
        } catch (const StorageUnavailable&) {
            lease.discard();
            pool_.discardIdle();
            throw;
        }
    }
    // For work that may run twice to the same effect (reads, deletes, a use
    // written back): tried once more on a fresh connection, so a database
    // that restarted between two requests costs none of them. Counting and
    // toggling are never retried: a commit whose answer was lost may have
    // happened.
    template <typename Work> auto withRetriedConnection(Work work) {
        try {
            return withConnection(work);
        } catch (const StorageUnavailable&) {
            return withConnection(work);
        }
    }
    void migrate(PostgresConnection& connection);

    ConnectionPool<PostgresConnection> pool_;
};

} // namespace scribeon::server

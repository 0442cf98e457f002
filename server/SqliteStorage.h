#pragma once

#include "server/SqliteConnection.h"
#include "server/Storage.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace scribeon::server {

// Storage in one SQLite file (WAL). Each call borrows a connection from a
// small pool, so readers run side by side while writers take turns.
class SqliteStorage : public Storage {
public:
    static constexpr int schemaVersion = 2;

    explicit SqliteStorage(std::string path, std::size_t poolSize = 8);

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
    std::vector<UserCommand> commandsFor(std::int64_t userId) override;
    std::optional<UserCommand> commandFor(std::int64_t userId, const std::string& code) override;
    ToggleResult toggle(std::int64_t userId, const std::string& code, std::int64_t allowance,
                        UserCommand& after) override;
    Admission admit(std::int64_t userId, const std::string& month, std::int64_t limit) override;
    void refund(std::int64_t userId, const std::string& month) override;
    std::int64_t usage(std::int64_t userId, const std::string& month) override;

    std::string integrityCheck();

private:
    class Lease {
    public:
        Lease(SqliteStorage& owner, std::unique_ptr<SqliteConnection> connection)
            : owner_(owner), connection_(std::move(connection)) {}
        ~Lease() { owner_.giveBack(std::move(connection_)); }
        SqliteConnection& operator*() { return *connection_; }

    private:
        SqliteStorage& owner_;
        std::unique_ptr<SqliteConnection> connection_;
    };

    Lease borrow();
    void giveBack(std::unique_ptr<SqliteConnection> connection);
    void migrate(SqliteConnection& connection);

    std::string path_;
    std::size_t poolSize_;
    std::mutex mutex_;
    std::condition_variable available_;
    std::vector<std::unique_ptr<SqliteConnection>> idle_;
    std::size_t open_ = 0;
};

} // namespace scribeon::server

#pragma once

#include "server/storage/ConnectionPool.h"
#include "server/storage/GroupCommit.h"
#include "server/storage/SqliteCheckpointer.h"
#include "server/storage/SqliteConnection.h"
#include "server/storage/Storage.h"

#include <memory>
#include <mutex>
#include <vector>

namespace scribeon::server {

// Storage in one SQLite file (WAL). Each call borrows a connection from a
// small pool, so readers run side by side. Writers take turns on a mutex of
// our own before they touch SQLite's write lock: two connections that meet
// on that lock are parted by SQLite's busy handler, which sleeps for
// milliseconds at a time, and that was the whole tail of a request's latency.
class SqliteStorage : public Storage {
public:
    explicit SqliteStorage(std::string path, std::size_t poolSize = 8);
    // Any database that is not another engine's is a file, made with its
    // folder when missing.
    static OpenedStorage open(const std::string& database, std::size_t poolSize);

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

    std::string integrityCheck();
    int checkpointsDone() const;

private:
    class Lease {
    public:
        Lease(std::unique_lock<std::mutex> writing,
              ConnectionPool<SqliteConnection>::Lease connection)
            : writing_(std::move(writing)), connection_(std::move(connection)) {}
        SqliteConnection& operator*() { return *connection_; }

    private:
        std::unique_lock<std::mutex> writing_; // released after the connection is back
        ConnectionPool<SqliteConnection>::Lease connection_;
    };

    Lease borrow() { return {{}, pool_.borrow()}; }
    // The writer's turn is taken before a connection, never while holding one,
    // so a writer waiting for a connection only waits on readers, who finish.
    Lease borrowForWriting();
    void migrate(SqliteConnection& connection);

    struct AdmissionWrite {
        std::int64_t userId;
        const std::string& month;
        std::int64_t limit;
        Admission result;
    };
    void commitAdmissions(std::vector<AdmissionWrite*>& writes);

    std::string path_;
    std::mutex writer_;
    std::unique_ptr<SqliteCheckpointer> checkpointer_; // outlives the pool's connections
    ConnectionPool<SqliteConnection> pool_;
    // Process requests arrive by the thousand a second, each counting one use:
    // one commit for all that are waiting keeps them in order and cheap.
    GroupCommit<AdmissionWrite> admissions_{
        [this](std::vector<AdmissionWrite*>& writes) { commitAdmissions(writes); }};
};

} // namespace scribeon::server

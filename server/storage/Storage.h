#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scribeon::server {

struct Plan {
    std::int64_t id = 0;
    std::string name;
    std::int64_t monthlyLimit = 0;
    std::int64_t maxTextLength = 0;
    std::int64_t activeCommandAllowance = 0;
};

struct Account {
    std::int64_t id = 0;
    std::string email;
    std::string name;
    Plan plan;
    std::string createdAt;
    std::optional<std::string> emailVerifiedAt;
    // The paid period ends here (ISO 8601, UTC); absent means it does not end.
    std::optional<std::string> planExpiresAt;
};

struct CatalogueCommand {
    std::int64_t id = 0;
    std::string code;
    std::string name;
    std::string processor; // "builtin:<name>" or "llm:<system prompt>"
    std::int64_t position = 0;
};

struct UserCommand {
    CatalogueCommand command;
    bool isActive = false;
    bool isOwn = false; // the user made it: only they see, edit and delete it
};

// A command a user makes or changes for themselves.
struct CommandDraft {
    std::string code;
    std::string name;
    std::string processor;
};

struct NewUser {
    std::string email;
    std::string name;
    std::string planName;
    std::string passwordHash;
    std::string createdAt;
    std::optional<std::string> planExpiresAt;
};

struct Admission {
    bool admitted = false;
    std::int64_t usage = 0; // this month's count after the decision
};

enum class ToggleResult { toggled, notFound, limitReached };

// An account and, when it sees a command of that code, the command: what a
// process request reads, in one round trip.
struct AccountAndCommand {
    Account account;
    std::optional<UserCommand> command;
};

// notFound also answers a command the user does not own: another user's
// code is indistinguishable from one that does not exist.
enum class CommandChange { done, notFound, codeTaken, limitReached };

class StorageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database cannot be reached now (a server gone away, a lost
// connection); the request may succeed later.
class StorageUnavailable : public StorageError {
public:
    using StorageError::StorageError;
};

// Everything the service keeps. Every method is safe to call from many
// threads at once; each is one transaction.
class Storage {
public:
    virtual ~Storage() = default;

    // Plans and the built-in commands; running it again changes nothing.
    virtual void seedDefaults(const std::vector<Plan>& plans,
                              const std::vector<CatalogueCommand>& commands) = 0;

    virtual std::int64_t addUser(const NewUser& user) = 0; // StorageError on a taken e-mail
    virtual std::vector<Account> users() = 0;
    virtual std::optional<Account> account(std::int64_t userId) = 0;
    // (user id, password hash) of the account with this e-mail.
    virtual std::optional<std::pair<std::int64_t, std::string>>
    credentials(const std::string& email) = 0;

    // Stores a token; the user's oldest (by last use) beyond `keepAtMost` go.
    virtual void addToken(const std::string& digest, std::int64_t userId, const std::string& now,
                          std::size_t keepAtMost) = 0;
    // The token's user, unless it was last used before `expiredBefore` (it is
    // then deleted). A use is written back when the stored one is older than
    // `touchBefore`, so most requests only read.
    virtual std::optional<std::int64_t> userForToken(const std::string& digest,
                                                     const std::string& now,
                                                     const std::string& expiredBefore,
                                                     const std::string& touchBefore) = 0;
    virtual void revokeToken(const std::string& digest) = 0;
    virtual std::int64_t revokeTokensOf(std::int64_t userId) = 0; // how many went
    virtual std::int64_t sweepTokens(const std::string& expiredBefore) = 0;

    // The shared catalogue, which every user sees.
    virtual std::int64_t addCommand(const CatalogueCommand& command) = 0;
    virtual std::vector<CatalogueCommand> catalogue() = 0;
    // A command of the user's own, after their others; switched on when
    // the allowance has room. Codes are unique across all commands. A user
    // who has `maxOwn` of their own already gets limitReached.
    virtual CommandChange createCommand(std::int64_t userId, const CommandDraft& draft,
                                        std::int64_t allowance, std::int64_t maxOwn) = 0;
    virtual CommandChange updateCommand(std::int64_t userId, const std::string& code,
                                        const CommandDraft& draft) = 0;
    virtual CommandChange deleteCommand(std::int64_t userId, const std::string& code) = 0;
    // The catalogue and the user's own commands, in order.
    virtual std::vector<UserCommand> commandsFor(std::int64_t userId) = 0;
    virtual std::optional<UserCommand> commandFor(std::int64_t userId, const std::string& code) = 0;
    virtual std::optional<AccountAndCommand> accountAndCommand(std::int64_t userId,
                                                               const std::string& code) = 0;
    // Flips the command for the user; switching on counts against the allowance.
    virtual ToggleResult toggle(std::int64_t userId, const std::string& code,
                                std::int64_t allowance, UserCommand& after) = 0;

    // Counts one request against the month unless the limit is reached, in
    // the same transaction as the check.
    virtual Admission admit(std::int64_t userId, const std::string& month, std::int64_t limit) = 0;
    // Gives back an admitted request that produced no result.
    virtual void refund(std::int64_t userId, const std::string& month) = 0;
    virtual std::int64_t usage(std::int64_t userId, const std::string& month) = 0;
};

// What the rest of the service must know of an engine.
struct StorageTraits {
    // Each read is a round trip to a database server, so a thread that must
    // stay quick (the front end's I/O threads) does not make one.
    bool readsWait = false;
    // The database as messages name it: never a password.
    std::string description;
};

struct OpenedStorage {
    std::unique_ptr<Storage> storage;
    StorageTraits traits;
};

} // namespace scribeon::server

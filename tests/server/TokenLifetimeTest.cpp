#include "TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sqlite3.h>

#include <tuple>

namespace scribeon::server {
namespace {

using std::chrono::days;
using std::chrono::hours;

class TokenLifetimeTest : public testing::Test {
protected:
    int get(const std::string& token) { return server.call("GET", "/api/v1/user", token).status; }
    std::string signIn() {
        const auto reply =
            server.call("POST", "/api/v1/auth/sign-in", "",
                        R"({"email":"ada@example.com","password":"password-1"})", "192.0.2.1");
        EXPECT_EQ(reply.status, 200);
        return reply.body.value("token", "");
    }

    TestServer server;
};

TEST_F(TokenLifetimeTest, ATokenExpiresAfterNinetyDaysWithoutUseAndEachUseRenewsIt) {
    const std::string token = server.addUser("ada@example.com");
    const struct {
        days after; // since the previous step
        int status;
    } steps[] = {
        {days(0), 200},  {days(89), 200}, // used on day 89: renewed
        {days(89), 200},                  // day 178, 89 days after the last use
        {days(91), 401},                  // 91 days unused
        {days(0), 401},                   // and it stays gone
    };
    for (const auto& step : steps) {
        server.now += step.after;
        EXPECT_EQ(get(token), step.status);
    }
}

TEST_F(TokenLifetimeTest, EachUserKeepsTwentySignInsTheLeastRecentlyUsedGoingFirst) {
    const std::string first = server.addUser("ada@example.com", "Free", std::nullopt, true);
    server.now += hours(2);
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < SessionService::tokensPerUser; ++i) {
        tokens.push_back(signIn());
        server.now += hours(2);
    }
    EXPECT_EQ(get(tokens[0]), 200); // the first is now the most recently used
    server.now += hours(2);
    const std::string newest = signIn();
    EXPECT_EQ(get(first), 401) << "the least recently used went first";
    EXPECT_EQ(get(tokens[1]), 401) << "then the next";
    for (const std::string& kept : {tokens[0], tokens[2], tokens[19], newest})
        EXPECT_EQ(get(kept), 200);
}

TEST_F(TokenLifetimeTest, SignOutEverywhereEndsEverySignInOfThatAccountOnly) {
    server.addUser("ada@example.com", "Free", std::nullopt, true);
    const std::string bob = server.addUser("bob@example.com");
    const std::string laptop = signIn(), phone = signIn();
    EXPECT_EQ(server.call("POST", "/api/v1/auth/sign-out-everywhere", phone).status, 200);
    EXPECT_EQ(get(laptop), 401);
    EXPECT_EQ(get(phone), 401);
    EXPECT_EQ(get(bob), 200);
    EXPECT_EQ(server.call("POST", "/api/v1/auth/sign-out-everywhere", phone).status, 401);
}

// A database made before tokens expired and before users had commands of
// their own opens with its accounts, commands, usage and tokens intact.
TEST(TokenSchemaTest, ADatabaseOfTheFirstSchemaIsUpgradedInPlaceWithItsData) {
    const auto directory = TestServer::freshDirectory();
    const std::string path = (directory / "server.db").string();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const char* schema =
            "CREATE TABLE plans (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, monthly_limit "
            "INTEGER NOT NULL, max_text_length INTEGER NOT NULL, active_command_allowance INTEGER "
            "NOT NULL);"
            "CREATE TABLE users (id INTEGER PRIMARY KEY, email TEXT NOT NULL UNIQUE COLLATE "
            "NOCASE, name TEXT NOT NULL, password_hash TEXT NOT NULL, plan_id INTEGER NOT NULL "
            "REFERENCES plans(id), plan_expires_at TEXT, email_verified_at TEXT, created_at TEXT "
            "NOT NULL);"
            "CREATE TABLE commands (id INTEGER PRIMARY KEY, code TEXT NOT NULL UNIQUE, name TEXT "
            "NOT NULL, processor TEXT NOT NULL, position INTEGER NOT NULL);"
            "CREATE TABLE user_commands (user_id INTEGER NOT NULL, command_id INTEGER NOT NULL, "
            "is_active INTEGER NOT NULL, PRIMARY KEY (user_id, command_id)) WITHOUT ROWID;"
            "CREATE TABLE tokens (digest TEXT PRIMARY KEY, user_id INTEGER NOT NULL, created_at "
            "TEXT NOT NULL) WITHOUT ROWID;"
            "CREATE TABLE usage (user_id INTEGER NOT NULL, month TEXT NOT NULL, count INTEGER NOT "
            "NULL, PRIMARY KEY (user_id, month)) WITHOUT ROWID;"
            "INSERT INTO plans VALUES (1, 'Free', 50, 2000, 3);"
            "INSERT INTO users VALUES (1, 'ada@example.com', 'Ada', '$x', 1, NULL, NULL, "
            "'2026-11-01T00:00:00.000000Z');"
            "INSERT INTO tokens VALUES ('digest-1', 1, '2026-11-01T00:00:00.000000Z');"
            "INSERT INTO commands VALUES (1, 'upper-case', 'UPPER', 'builtin:upper-case', 1),"
            "(2, 'lower-case', 'lower', 'builtin:lower-case', 2);"
            "INSERT INTO user_commands VALUES (1, 1, 0), (1, 2, 1);"
            "INSERT INTO usage VALUES (1, '2026-11', 42);"
            "PRAGMA user_version = 1;";
        ASSERT_EQ(sqlite3_exec(db, schema, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    SqliteStorage storage(path);
    EXPECT_EQ(storage.userForToken("digest-1", "2026-12-06T00:00:00.000000Z",
                                   "2026-09-07T00:00:00.000000Z", "2026-12-05T23:00:00.000000Z"),
              1);
    EXPECT_EQ(storage.userForToken("digest-1", "2027-03-10T00:00:00.000000Z",
                                   "2026-12-10T00:00:00.000000Z", "2027-03-09T23:00:00.000000Z"),
              std::nullopt)
        << "renewed on 2026-12-06, unused since";
    EXPECT_EQ(storage.usage(1, "2026-11"), 42);
    auto commands = storage.commandsFor(1);
    ASSERT_EQ(commands.size(), 2u);
    // What was there is the shared catalogue, each switched as it was.
    EXPECT_EQ(std::tuple(commands[0].command.code, commands[0].isActive, commands[1].isActive,
                         commands[1].isOwn),
              std::tuple("upper-case", false, true, false));
    EXPECT_EQ(storage.createCommand(1, {"mine", "Mine", "builtin:upper-case"}, 3, 100),
              CommandChange::done);
    EXPECT_EQ(storage.catalogue().size(), 2u) << "a user's own command is not the catalogue's";
    EXPECT_EQ(storage.integrityCheck(), "ok");
    std::filesystem::remove_all(directory);
}

} // namespace
} // namespace scribeon::server

#include "ServerProcess.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <future>

namespace scribeon::server {
namespace {

// Two servers on one PostgreSQL database: this process's, and a real
// scribeon-server process beside it.
class SharedDatabaseTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("SCRIBEON_TEST_POSTGRES") || !serverBinary())
            GTEST_SKIP() << "needs SCRIBEON_TEST_POSTGRES and SCRIBEON_SERVER_BINARY";
        one = std::make_unique<TestServer>();
        one->now = std::chrono::system_clock::now(); // the other server keeps real time
    }

    std::unique_ptr<TestServer> one;
};

// Requests to process sent by `clients` clients at once, alternating between
// the two ports; how many were admitted and how many refused with 429.
std::pair<int, int> processInParallel(int clients, int perClient, const std::string& token, int one,
                                      int two) {
    std::atomic<int> admitted{0}, refused{0};
    std::vector<std::future<void>> running;
    for (int c = 0; c < clients; ++c)
        running.push_back(std::async(std::launch::async, [&, c] {
            auto client = clientOn(c % 2 == 0 ? one : two);
            for (int i = 0; i < perClient; ++i) {
                auto result = client.Post("/api/v1/commands/upper-case/process", bearer(token),
                                          R"({"text":"x"})", "application/json");
                admitted += result && result->status == 200 ? 1 : 0;
                refused += result && result->status == 429 ? 1 : 0;
            }
        }));
    for (auto& r : running)
        r.get();
    return {admitted, refused};
}

TEST_F(SharedDatabaseTest, TheMonthlyLimitAndASignOutHoldAcrossBothServers) {
    constexpr int limit = 30, clients = 8, perClient = 10;
    one->storage->seedDefaults({{0, "Small", limit, 100, 3}}, {});
    const std::string token = one->addUser("busy@example.com", "Small");
    ServerProcess two(one->database(), one->directory());
    ASSERT_NE(two.port, 0);

    EXPECT_EQ(processInParallel(clients, perClient, token, one->port, two.port),
              std::make_pair(limit, clients * perClient - limit));
    EXPECT_EQ(one->storage->usage(1, utcMonthOf(one->now).key), limit);

    auto there = clientOn(two.port);
    ASSERT_EQ(there.Get("/api/v1/user", bearer(token))->status, 200);
    ASSERT_EQ(one->client().Post("/api/v1/auth/sign-out", bearer(token), "", "")->status, 200);
    EXPECT_EQ(there.Get("/api/v1/user", bearer(token))->status, 401);
}

// The test server's database, and a connection to the cluster beside it.
std::string databaseNameOf(const TestServer& server) {
    return server.database().substr(server.database().rfind('=') + 1);
}

PostgresConnection clusterAdministrator() {
    return PostgresConnection(std::getenv("SCRIBEON_TEST_POSTGRES"));
}

// What a database restart does to every open connection.
void dropEveryConnectionTo(const TestServer& server) {
    clusterAdministrator().execute(("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                    "WHERE datname = '" +
                                    databaseNameOf(server) + "'")
                                       .c_str());
}

TEST_F(SharedDatabaseTest, ADatabaseThatRestartedBetweenRequestsCostsNoneOfThem) {
    const std::string token = one->addUser("ada@example.com");
    auto client = one->client();
    ASSERT_EQ(client.Get("/api/v1/commands", bearer(token))->status, 200);
    dropEveryConnectionTo(*one);
    EXPECT_EQ(client.Get("/api/v1/commands", bearer(token))->status, 200);
    dropEveryConnectionTo(*one);
    EXPECT_EQ(client
                  .Post("/api/v1/commands/upper-case/process", bearer(token), R"({"text":"a"})",
                        "application/json")
                  ->status,
              200)
        << "the token's lookup found the lost connections before the count needed one";
    EXPECT_EQ(one->storage->usage(1, utcMonthOf(one->now).key), 1);
}

TEST_F(SharedDatabaseTest, AnUnreachableDatabaseGives503AndTheServerRecovers) {
    const std::string token = one->addUser("ada@example.com");
    auto client = one->client();
    ASSERT_EQ(client.Get("/api/v1/commands", bearer(token))->status, 200);
    const std::string name = databaseNameOf(*one);
    auto admin = clusterAdministrator();
    admin.execute(("ALTER DATABASE " + name + " ALLOW_CONNECTIONS false").c_str());
    dropEveryConnectionTo(*one);
    for (const char* path : {"/api/v1/commands", "/commands"}) {
        const auto reply = client.Get(
            path, {{"Authorization", "Bearer " + token}, {"Cookie", "scribeon_session=" + token}});
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 503) << path;
        EXPECT_EQ(reply->get_header_value("Retry-After"), "1");
    }
    admin.execute(("ALTER DATABASE " + name + " ALLOW_CONNECTIONS true").c_str());
    EXPECT_EQ(client.Get("/api/v1/commands", bearer(token))->status, 200);
}

std::string outputOf(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[512];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, got);
        ::pclose(pipe);
    }
    return output;
}

TEST_F(SharedDatabaseTest, APasswordInTheConnectionStringIsNeverPrinted) {
    const std::string withPassword = one->database() + " password=hunter2-secret";
    const struct {
        std::string database;
        const char* says;
    } cases[] = {
        {withPassword, "Database ready: PostgreSQL database scribeon_test_"},
        {withPassword + " dbname=no_such_database", "cannot connect to the database"},
        {"postgresql://scribeon:hunter2-secret@/no_such_database?host=/nonexistent",
         "cannot connect to the database"},
    };
    for (const auto& c : cases) {
        const auto output =
            outputOf(std::string(serverBinary()) + " --db '" + c.database + "' init");
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
        EXPECT_EQ(output.find("hunter2"), std::string::npos) << output;
    }
}

TEST_F(SharedDatabaseTest, ADatabaseFromANewerServerIsRefusedAndLeftAlone) {
    one->stop();
    PostgresConnection(one->database()).execute("UPDATE schema_version SET version = 99");
    try {
        openStorage(one->database());
        ADD_FAILURE() << "opened a database of schema 99";
    } catch (const StorageError& error) {
        EXPECT_NE(std::string(error.what()).find("newer scribeon-server (schema 99)"),
                  std::string::npos)
            << error.what();
    }
    auto version = PostgresConnection(one->database()).query("SELECT version FROM schema_version");
    EXPECT_EQ(version.integer(0, 0), 99);
}

} // namespace
} // namespace scribeon::server

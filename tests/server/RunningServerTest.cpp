#include "TestServer.h"

#include <gtest/gtest.h>

#include <future>
#include <poll.h>

namespace scribeon::server {
namespace {

// Tests of scribeon-server as a process of its own, on the database of the
// test server beside it; they skip without the binary.
class RunningServerTest : public testing::Test {
protected:
    void SetUp() override {
        if (!serverBinary())
            GTEST_SKIP() << "SCRIBEON_SERVER_BINARY is not set";
    }

    TestServer one;
};

// A server process killed under write load: the database is intact, every
// answered request was counted, and the only extra counts are the requests
// it had committed but not yet answered. PostgreSQL takes two servers at
// once, and the one beside the killed one goes on.
TEST_F(RunningServerTest, AServerKilledUnderLoadLosesNoCountAndCountsNoneTwice) {
    one.now = std::chrono::system_clock::now(); // the process keeps real time
    one.storage->seedDefaults({{0, "Roomy", 1'000'000, 100, 3}}, {});
    const std::string token = one.addUser("load@example.com", "Roomy");
    const bool shared = one.sqlite() == nullptr;
    if (!shared)
        one.stop();
    ServerProcess two(one.database(), one.directory());
    ASSERT_NE(two.port, 0);

    constexpr int clientsEach = 3;
    std::atomic<bool> go{true};
    std::atomic<int> answered{0}, answeredByTwo{0};
    std::vector<std::future<void>> running;
    for (int c = 0; c < (shared ? 2 : 1) * clientsEach; ++c)
        running.push_back(std::async(std::launch::async, [&, c] {
            const bool toTwo = c < clientsEach;
            auto client = clientOn(toTwo ? two.port : one.port);
            while (go) {
                auto result = client.Post("/api/v1/commands/upper-case/process", bearer(token),
                                          R"({"text":"x"})", "application/json");
                if (result && result->status == 200) {
                    ++answered;
                    answeredByTwo += toTwo ? 1 : 0;
                } else if (toTwo) {
                    return; // the server is gone
                }
            }
        }));
    EXPECT_TRUE(waitUntil([&] { return answeredByTwo >= 300; })) << answeredByTwo;
    two.kill(SIGKILL);
    const int answeredBeforeKill = answered;
    EXPECT_TRUE(!shared || waitUntil([&] { return answered >= answeredBeforeKill + 100; }))
        << "the server beside it stopped";
    go = false;
    for (auto& r : running)
        r.get();
    if (!shared) {
        one.start();
        EXPECT_EQ(one.sqlite()->integrityCheck(), "ok");
    }
    const auto stored = one.storage->usage(1, utcMonthOf(one.now).key);
    EXPECT_GE(stored, answered.load());
    EXPECT_LE(stored, answered.load() + clientsEach);
}

// Two servers on one PostgreSQL database: this process's, and a real
// scribeon-server process beside it.
class SharedDatabaseTest : public RunningServerTest {
protected:
    void SetUp() override {
        if (!std::getenv("SCRIBEON_TEST_POSTGRES") || !serverBinary())
            GTEST_SKIP() << "needs SCRIBEON_TEST_POSTGRES and SCRIBEON_SERVER_BINARY";
        one.now = std::chrono::system_clock::now(); // the other server keeps real time
    }

    // SQL run by the cluster's administrator, on this test's database when it names `$db`.
    void administer(std::string sql) const {
        if (const auto at = sql.find("$db"); at != std::string::npos)
            sql.replace(at, 3, one.database().substr(one.database().rfind('=') + 1));
        PostgresConnection(std::getenv("SCRIBEON_TEST_POSTGRES")).execute(sql.c_str());
    }
    // What a database restart does to every open connection.
    void dropEveryConnection() const {
        administer("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '$db'");
    }
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
    one.storage->seedDefaults({{0, "Small", limit, 100, 3}}, {});
    const std::string token = one.addUser("busy@example.com", "Small");
    ServerProcess two(one.database(), one.directory());
    ASSERT_NE(two.port, 0);

    EXPECT_EQ(processInParallel(clients, perClient, token, one.port, two.port),
              std::make_pair(limit, clients * perClient - limit));
    EXPECT_EQ(one.storage->usage(1, utcMonthOf(one.now).key), limit);

    auto there = clientOn(two.port);
    ASSERT_EQ(there.Get("/api/v1/user", bearer(token))->status, 200);
    ASSERT_EQ(one.client().Post("/api/v1/auth/sign-out", bearer(token), "", "")->status, 200);
    EXPECT_EQ(there.Get("/api/v1/user", bearer(token))->status, 401);
}

TEST_F(SharedDatabaseTest, ADatabaseThatRestartedBetweenRequestsCostsNoneOfThem) {
    const std::string token = one.addUser("ada@example.com");
    auto client = one.client();
    ASSERT_EQ(client.Get("/api/v1/commands", bearer(token))->status, 200);
    dropEveryConnection();
    EXPECT_EQ(client.Get("/api/v1/commands", bearer(token))->status, 200);
    dropEveryConnection();
    EXPECT_EQ(client
                  .Post("/api/v1/commands/upper-case/process", bearer(token), R"({"text":"a"})",
                        "application/json")
                  ->status,
              200)
        << "the token's lookup found the lost connections before the count needed one";
    EXPECT_EQ(one.storage->usage(1, utcMonthOf(one.now).key), 1);
}

TEST_F(SharedDatabaseTest, AnUnreachableDatabaseGives503AndTheServerRecovers) {
    const std::string token = one.addUser("ada@example.com");
    auto client = one.client();
    ASSERT_EQ(client.Get("/api/v1/commands", bearer(token))->status, 200);
    administer("ALTER DATABASE $db ALLOW_CONNECTIONS false");
    dropEveryConnection();
    for (const char* path : {"/api/v1/commands", "/commands"}) {
        const auto reply = client.Get(
            path, {{"Authorization", "Bearer " + token}, {"Cookie", "scribeon_session=" + token}});
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 503) << path;
        EXPECT_EQ(reply->get_header_value("Retry-After"), "1");
    }
    administer("ALTER DATABASE $db ALLOW_CONNECTIONS true");
    EXPECT_EQ(client.Get("/api/v1/commands", bearer(token))->status, 200);
}

TEST_F(SharedDatabaseTest, APasswordInTheConnectionStringIsNeverPrinted) {
    const std::string withPassword = one.database() + " password=hunter2-secret";
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
            runTool(std::string(serverBinary()) + " --db '" + c.database + "' init").second;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
        EXPECT_EQ(output.find("hunter2"), std::string::npos) << output;
    }
}

TEST_F(SharedDatabaseTest, ADatabaseFromANewerServerIsRefusedAndLeftAlone) {
    one.stop();
    PostgresConnection(one.database()).execute("UPDATE schema_version SET version = 99");
    try {
        openStorage(one.database());
        ADD_FAILURE() << "opened a database of schema 99";
    } catch (const StorageError& error) {
        EXPECT_NE(std::string(error.what()).find("newer scribeon-server (schema 99)"),
                  std::string::npos)
            << error.what();
    }
    auto version = PostgresConnection(one.database()).query("SELECT version FROM schema_version");
    EXPECT_EQ(version.integer(0, 0), 99);
}

// The request bytes go exactly as written, which no HTTP client library
// promises for a target like this one.
TEST_F(RunningServerTest, AForgedLineInAPathStaysInsideOneEscapedLogLineOfTheAccessLog) {
    ServerProcess server(one.database(), one.directory(), false);
    const int socket =
        sendToLoopback(server.port, "GET /api/v1/x%0d%0aGET%20/forged%20200%e2%80%ae HTTP/1.1\r\n"
                                    "Host: 127.0.0.1\r\nConnection: close\r\n\r\n");
    char reply[64] = {};
    EXPECT_GT(::read(socket, reply, sizeof reply - 1), 0);
    EXPECT_TRUE(std::string_view(reply).starts_with("HTTP/1.1 404")) << reply;
    ::close(socket);
    server.kill(SIGTERM);
    std::ifstream log(one.directory() / "stderr.txt");
    std::vector<std::string> mentions;
    for (std::string line; std::getline(log, line);)
        if (line.find("forged") != std::string::npos)
            mentions.push_back(line);
    ASSERT_EQ(mentions.size(), 1u);
    EXPECT_TRUE(mentions[0].starts_with("GET /api/v1/x\\x0D\\x0AGET /forged 200\\u{202E} 404 "))
        << mentions[0];
}

TEST_F(RunningServerTest, UserAddRefusesWhatTheSignUpPageRefuses) {
    const struct {
        std::string email, name;
        int status;
    } cases[] = {
        {"ok@example.com", "Ok", 0},
        {"c1@example.com\xC2\x85", "C1", 2},
        {"esc@example.com", "Esc\x1B[2J", 2},
        {"accents@example.com", "a" + repeated(accent, 5000), 2},
    };
    for (const auto& c : cases) {
        // With a password on standard input.
        EXPECT_EQ(runTool("echo 'long enough' | '" + std::string(serverBinary()) + "' --db '" +
                          one.database() + "' user add --email '" + c.email + "' --name '" +
                          c.name + "'")
                      .first,
                  c.status)
            << c.email;
        EXPECT_EQ(one.storage->credentials(c.email).has_value(), c.status == 0) << c.email;
    }
}

constexpr std::size_t fileBytes = std::size_t{48} * 1024 * 1024;

// What the process holds in memory, in KiB.
long long residentKib(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with("VmRSS:"))
            return std::stoll(line.substr(6));
    return -1;
}

// On either engine: the database only decides where the server keeps its
// accounts, but the download path must not depend on it.
TEST_F(RunningServerTest, SlowDownloadsCostLittleMemoryAndThoseBeyondTheBoundAreTurnedAway) {
    const auto downloads = one.directory() / "downloads";
    std::filesystem::create_directories(downloads);
    std::string content(fileBytes, '\0');
    for (std::size_t i = 0; i < fileBytes; ++i)
        content[i] = static_cast<char>(i % 251);
    std::ofstream(downloads / "scribeon_9.9.9_amd64.deb", std::ios::binary) << content;
    ServerProcess server(one.database(), one.directory(), true,
                         "--downloads '" + downloads.string() + "' --max-downloads 4");
    ASSERT_NE(server.port, 0);
    const std::string path = "/downloads/scribeon_9.9.9_amd64.deb";
    const long long heldBefore = residentKib(server.pid);

    // Clients that ask for the file, read the reply's head and then take nothing
    // more: the server must keep what it has not sent on disk.
    std::vector<int> stalled;
    for (int i = 0; i < 4; ++i) {
        stalled.push_back(sendToLoopback(
            server.port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 4096));
        char head[1024] = {}; // the file's first byte, a NUL, ends the head as text
        pollfd ready{stalled.back(), POLLIN, 0};
        if (::poll(&ready, 1, 20000) == 1)
            ::recv(stalled.back(), head, sizeof head - 1, 0);
        EXPECT_TRUE(std::string_view(head).starts_with("HTTP/1.1 200")) << head;
        EXPECT_NE(std::string_view(head).find("Content-Length: " + std::to_string(fileBytes)),
                  std::string::npos);
    }
    // Read whole, four copies of 48 MiB would be 192 MiB at least.
    EXPECT_LT(residentKib(server.pid) - heldBefore, 32 * 1024)
        << "the server holds more than 32 MiB more while four clients stall";

    auto client = clientOn(server.port);
    const auto refused = client.Get(path);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503);
    EXPECT_EQ(refused->get_header_value("Retry-After"), "5");
    EXPECT_EQ(client.Head(path)->status, 200) << "a HEAD sends no file and needs no turn";

    // Clients that go away give their turns back; then the file comes whole.
    for (const int socket : stalled)
        ::close(socket);
    std::string received;
    ASSERT_TRUE(waitUntil([&] {
        const auto reply = client.Get(path);
        received = reply ? reply->body : "";
        return reply && reply->status == 200;
    }));
    EXPECT_TRUE(received == content) << "the bytes sent differ from the file's";
}

} // namespace
} // namespace scribeon::server

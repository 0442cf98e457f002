#include "server/Defaults.h"
#include "server/accounts/Secrets.h"
#include "server/storage/SqliteStorage.h"
#include "server/storage/UtcCalendar.h"

#include <httplib.h>

#include "ServerProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace scribeon::server {
namespace {

using namespace std::chrono_literals;

TEST(CrashSafetyTest, KilledUnderWriteLoadTheDatabaseIsIntactAndNoAdmittedRequestIsLost) {
    if (!serverBinary())
        GTEST_SKIP() << "SCRIBEON_SERVER_BINARY is not set";
    char pattern[] = "/tmp/scribeon-crash-test.XXXXXX";
    const std::filesystem::path directory = ::mkdtemp(pattern);
    const std::string database = (directory / "server.db").string();
    const Secrets secrets;
    std::int64_t userId = 0;
    {
        SqliteStorage storage(database);
        storage.seedDefaults({{0, "Big", 1000000, 1000, 3}}, defaultCommands());
        userId = storage.addUser(
            {"load@example.com", "Load", "Big", "$x", "2026-12-01T00:00:00Z", std::nullopt});
        storage.addToken(secrets.tokenDigest("load-token"), userId, "2026-12-01T00:00:00Z", 20);
    }

    ServerProcess server(database, directory);
    ASSERT_GT(server.port, 0);
    std::atomic<bool> go{true};
    std::atomic<int> answered{0};
    std::vector<std::future<void>> writers;
    writers.reserve(4);
    for (int w = 0; w < 4; ++w)
        writers.push_back(std::async(std::launch::async, [&] {
            httplib::Client client("127.0.0.1", server.port);
            while (go) {
                auto result = client.Post("/api/v1/commands/upper-case/process",
                                          {{"Authorization", "Bearer load-token"}},
                                          R"({"text":"x"})", "application/json");
                if (result && result->status == 200)
                    ++answered;
            }
        }));
    while (answered < 200)
        std::this_thread::sleep_for(1ms);
    server.kill(SIGKILL);
    go = false;
    for (auto& w : writers)
        w.get();

    SqliteStorage reopened(database);
    EXPECT_EQ(reopened.integrityCheck(), "ok");
    // Every answered request was committed before its answer was sent.
    EXPECT_GE(reopened.usage(userId, utcMonthOf(std::chrono::system_clock::now()).key),
              answered.load());
    std::filesystem::remove_all(directory);
}

} // namespace
} // namespace scribeon::server

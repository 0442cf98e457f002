#include "TestServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace scribeon::server {
namespace {

// Many clients at once against a small allowance: exactly the allowance is
// admitted, and the count is still there after a restart.
TEST(UsageAdmissionTest, ParallelRequestsNeverOverAdmitAndTheCountSurvivesARestart) {
    constexpr int limit = 25;
    constexpr int clients = 8;
    constexpr int perClient = 10;
    TestServer server;
    server.keepDirectory();
    server.storage->seedDefaults({{0, "Small", limit, 100, 3}}, {});
    const std::string token = server.addUser("busy@example.com", "Small");

    std::atomic<int> admitted{0}, refused{0}, other{0};
    std::vector<std::future<void>> running;
    for (int c = 0; c < clients; ++c)
        running.push_back(std::async(std::launch::async, [&] {
            auto client = server.client();
            for (int i = 0; i < perClient; ++i) {
                auto result = client.Post("/api/v1/commands/upper-case/process", bearer(token),
                                          R"({"text":"x"})", "application/json");
                (result && result->status == 200   ? admitted
                 : result && result->status == 429 ? refused
                                                   : other)++;
            }
        }));
    for (auto& r : running)
        r.get();
    EXPECT_EQ(admitted.load(), limit);
    EXPECT_EQ(refused.load(), clients * perClient - limit);
    EXPECT_EQ(other.load(), 0);

    const auto month = utcMonthOf(server.now).key;
    server.stop();
    server.start();
    const auto user = server.storage->credentials("busy@example.com");
    ASSERT_TRUE(user);
    EXPECT_EQ(server.storage->usage(user->first, month), limit);
    if (auto* sqlite = server.sqlite()) {
        EXPECT_EQ(sqlite->integrityCheck(), "ok");
    }
    std::error_code ignored;
    server.stop();
    std::filesystem::remove_all(server.directory(), ignored);
}

} // namespace
} // namespace scribeon::server

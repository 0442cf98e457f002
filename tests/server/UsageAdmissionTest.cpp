#include "TestServer.h"

#include <gtest/gtest.h>

namespace scribeon::server {
namespace {

// Many clients at once against a small allowance: exactly the allowance is
// admitted, and the count is still there after a restart.
TEST(UsageAdmissionTest, ParallelRequestsNeverOverAdmitAndTheCountSurvivesARestart) {
    constexpr int limit = 25;
    constexpr int clients = 8;
    constexpr int perClient = 10;
    TestServer server;
    server.storage->seedDefaults({{0, "Small", limit, 100, 3}}, {});
    const std::string token = server.addUser("busy@example.com", "Small");

    const auto tally =
        processInParallel(clients, perClient, token, [&](int) { return server.port; });
    EXPECT_EQ(tally.admitted, limit);
    EXPECT_EQ(tally.refused, clients * perClient - limit);
    EXPECT_EQ(tally.other, 0);

    const auto month = utcMonthOf(server.now).key;
    server.stop();
    server.start();
    const auto user = server.storage->credentials("busy@example.com");
    ASSERT_TRUE(user);
    EXPECT_EQ(server.storage->usage(user->first, month), limit);
    if (auto* sqlite = server.sqlite()) {
        EXPECT_EQ(sqlite->integrityCheck(), "ok");
    }
}

} // namespace
} // namespace scribeon::server

#include "FakeChatBackend.h"
#include "TestServer.h"

#include <gtest/gtest.h>

namespace scribeon::server {
namespace {

// Many clients at once against a small allowance, with plain built-in
// requests and with streams from a language model: exactly the allowance is
// admitted, and the count is still there after a restart.
TEST(UsageAdmissionTest, ParallelRequestsNeverOverAdmitAndTheCountSurvivesARestart) {
    constexpr int limit = 25;
    constexpr int clients = 8;
    constexpr int perClient = 10;
    FakeChatBackend backend;
    for (const bool streamed : {false, true}) {
        SCOPED_TRACE(streamed ? "streams" : "plain");
        TestServer server;
        server.languageModel.url = backend.url();
        server.storage->seedDefaults({{0, "Small", limit, 100, 3}}, {});
        server.storage->addCommand({0, "model", "Model", "llm:{\"reply\": \"a b c\"}", 0});
        const std::string token = server.addUser("busy@example.com", "Small");

        const auto tally = processInParallel(
            clients, perClient, token, [&](int) { return server.port; },
            streamed ? "model" : "upper-case", streamed);
        EXPECT_EQ(tally.admitted, limit);
        EXPECT_EQ(tally.refused, clients * perClient - limit);
        EXPECT_EQ(tally.other, 0);

        const auto month = utcMonthOf(server.now).key;
        server.restart();
        const auto user = server.storage->credentials("busy@example.com");
        ASSERT_TRUE(user);
        EXPECT_EQ(server.storage->usage(user->first, month), limit);
        if (auto* sqlite = server.sqlite()) {
            EXPECT_EQ(sqlite->integrityCheck(), "ok");
        }
    }
}

} // namespace
} // namespace scribeon::server

#include "ServerProcess.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace scribeon::server {
namespace {

using namespace std::chrono_literals;

// A server process killed under write load: the database is intact, every
// answered request was counted, and the only extra counts are the requests
// it had committed but not yet answered. PostgreSQL takes two servers at
// once, and the one beside the killed one goes on.
TEST(CrashSafetyTest, AServerKilledUnderLoadLosesNoCountAndCountsNoneTwice) {
    if (!serverBinary())
        GTEST_SKIP() << "SCRIBEON_SERVER_BINARY is not set";
    TestServer one;
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
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (answeredByTwo < 300 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_GE(answeredByTwo.load(), 300);
    two.kill(SIGKILL);
    const int answeredBeforeKill = answered;
    while (shared && answered < answeredBeforeKill + 100 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    go = false;
    for (auto& r : running)
        r.get();
    if (shared) {
        EXPECT_GE(answered.load(), answeredBeforeKill + 100) << "the server beside it stopped";
    } else {
        one.start();
        EXPECT_EQ(one.sqlite()->integrityCheck(), "ok");
    }
    const auto user = one.storage->credentials("load@example.com");
    const auto stored = one.storage->usage(user->first, utcMonthOf(one.now).key);
    EXPECT_GE(stored, answered.load());
    EXPECT_LE(stored, answered.load() + clientsEach);
}

} // namespace
} // namespace scribeon::server

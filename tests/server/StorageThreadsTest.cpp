#include "server/accounts/SessionService.h"
#include "server/storage/SqliteStorage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <unistd.h>

// The storage and the sessions driven from many threads at once, with no
// front end in between: these tests also run under the thread and address
// sanitizers, so every lock of the pool, the writer's turn, the group commit,
// the checkpointer, the throttle and the hashing bound is exercised there.
namespace scribeon::server {
namespace {

constexpr std::int64_t monthlyLimit = 100;
constexpr std::int64_t allowance = 2;

class StorageThreadsTest : public testing::Test {
protected:
    StorageThreadsTest() {
        storage.seedDefaults({{0, "Free", monthlyLimit, 1000, allowance}},
                             {{0, "a", "A", "builtin:upper-case", 1},
                              {0, "b", "B", "builtin:upper-case", 2},
                              {0, "c", "C", "builtin:upper-case", 3}});
    }
    ~StorageThreadsTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    std::int64_t addUser(const std::string& email, const std::string& hash = "$not-a-hash") {
        return storage.addUser({email, "Test", "Free", hash, "2026-12-06T12:00:00Z", std::nullopt});
    }

    // `threads` threads, each running `work(thread)`.
    static void inParallel(int threads, const std::function<void(int)>& work) {
        std::vector<std::jthread> running;
        running.reserve(static_cast<std::size_t>(threads));
        for (int t = 0; t < threads; ++t)
            running.emplace_back([&work, t] { work(t); });
    }

    static std::filesystem::path freshDirectory() {
        char pattern[] = "/tmp/scribeon-storage-test.XXXXXX";
        return ::mkdtemp(pattern);
    }

    std::filesystem::path directory_ = freshDirectory();
    SqliteStorage storage{(directory_ / "server.db").string(), 4};
    const Secrets secrets;
    SignInThrottle throttle{{.freeFailures = 3, .freeAddressFailures = 10}};
    SessionService sessions{storage, secrets, throttle};
};

TEST_F(StorageThreadsTest, ParallelAdmissionsAndRefundsHoldTheLimitExactly) {
    const auto user = addUser("bob@example.com");
    std::atomic<int> admitted{0}, refunded{0};
    inParallel(12, [&](int thread) {
        for (int i = 0; i < 20; ++i) {
            if (!storage.admit(user, "2026-12", monthlyLimit).admitted)
                continue;
            ++admitted;
            if (thread == 0 && i % 4 == 0) { // a run that delivered nothing
                storage.refund(user, "2026-12");
                ++refunded;
            }
        }
    });
    EXPECT_EQ(admitted - refunded, monthlyLimit);
    EXPECT_EQ(storage.usage(user, "2026-12"), monthlyLimit);
}

TEST_F(StorageThreadsTest, ParallelTogglesNeverPassTheAllowance) {
    const auto user = addUser("bob@example.com"); // a and b are on
    inParallel(6, [&](int thread) {
        const std::string code(1, static_cast<char>('a' + thread % 3));
        for (int i = 0; i < 15; ++i) {
            UserCommand after;
            storage.toggle(user, code, allowance, after);
            storage.commandsFor(user);
        }
    });
    int active = 0;
    for (const auto& command : storage.commandsFor(user))
        active += command.isActive ? 1 : 0;
    EXPECT_LE(active, allowance);
}

TEST_F(StorageThreadsTest, ManyWritersAlongsideTheCheckpointerLoseNothing) {
    constexpr int threads = 6, tokens = 150; // past the checkpointer's threshold
    std::vector<std::int64_t> users;
    for (int t = 0; t < threads; ++t)
        users.push_back(addUser("user" + std::to_string(t) + "@example.com"));
    inParallel(threads, [&](int thread) {
        const auto user = users[static_cast<std::size_t>(thread)];
        for (int i = 0; i < tokens; ++i) {
            const std::string digest = std::to_string(thread) + "-" + std::to_string(i);
            storage.addToken(digest, user, "2026-12-06T12:00:00Z", tokens);
            EXPECT_EQ(storage.userForToken(digest, "2026-12-06T13:30:00Z", "2026-01-01T00:00:00Z",
                                           "2026-12-06T12:30:00Z"),
                      user);
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (storage.checkpointsDone() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(storage.checkpointsDone(), 0);
    for (const auto user : users)
        EXPECT_EQ(storage.revokeTokensOf(user), tokens);
    EXPECT_EQ(storage.integrityCheck(), "ok");
}

TEST_F(StorageThreadsTest, ParallelGuessesGetNoMorePasswordChecksThanTheAllowance) {
    addUser("bob@example.com", secrets.hashPassword("password-1"));
    std::atomic<int> checked{0};
    inParallel(24, [&](int thread) {
        const auto session =
            sessions.start("bob@example.com", "guess", "10.1.0." + std::to_string(thread));
        const auto* refusal = std::get_if<SessionRefusal>(&session);
        ASSERT_TRUE(refusal);
        checked += refusal->reason == SessionRefusal::Reason::wrongCredentials ? 1 : 0;
    });
    EXPECT_GE(checked, 1);
    EXPECT_LE(checked, 3); // the throttle's free failures
}

// The throttle keys an e-mail by its bytes; a database that ends text at a
// NUL would find the account under every "victim@...\0<suffix>", each a
// fresh set of guesses. Such e-mails, and ones longer than any address, are
// refused before the throttle or the database sees them.
TEST_F(StorageThreadsTest, UnfitEmailsAreRefusedBeforeAnyWork) {
    addUser("victim@example.com", secrets.hashPassword("password-1"));
    const auto reason = [&](const std::string& email, const std::string& password) {
        const auto session = sessions.start(email, password, "198.51.100.7");
        const auto* refusal = std::get_if<SessionRefusal>(&session);
        return refusal ? refusal->reason : std::optional<SessionRefusal::Reason>();
    };
    using Reason = SessionRefusal::Reason;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(reason("victim@example.com", "guess"), Reason::wrongCredentials);
    ASSERT_EQ(reason("victim@example.com", "password-1"), Reason::throttled);
    const std::string unfit[] = {std::string("victim@example.com\0zz", 21),
                                 "victim@example.com\xc2\x85",
                                 std::string(243, 'a') + "@example.com"}; // 255 bytes
    const std::size_t before = throttle.recordCount();
    for (const auto& email : unfit)
        EXPECT_EQ(reason(email, "password-1"), Reason::wrongCredentials) << email.size();
    EXPECT_EQ(throttle.recordCount(), before);
    EXPECT_EQ(reason(std::string(242, 'a') + "@example.com", "x"), Reason::wrongCredentials);
    EXPECT_GT(throttle.recordCount(), before) << "254 bytes: checked";
    EXPECT_FALSE(storage.credentials(unfit[0])) << "nor is the storage cut short at the NUL";
}

} // namespace
} // namespace scribeon::server

#include "server/accounts/SessionService.h"
#include "server/storage/GroupCommit.h"
#include "server/storage/SqliteStorage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unistd.h>

// The storage and the sessions driven from many threads at once, with no
// front end in between: these tests also run under the thread and address
// sanitizers, so every lock of the pool, the writer's turn, the group commit,
// the checkpointer, the throttle and the hashing bound is exercised there.
namespace scribeon::server {
namespace {

bool waitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    return condition();
}

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
    ~StorageThreadsTest() override { std::filesystem::remove_all(directory_); }

    std::int64_t addUser(const std::string& email, const std::string& hash = "$not-a-hash") {
        return storage.addUser({email, "Test", "Free", hash, "2026-12-06T12:00:00Z", std::nullopt});
    }

    // `threads` threads, each running `work(thread)`.
    static void inParallel(int threads, const std::function<void(int)>& work) {
        std::vector<std::jthread> running;
        for (int t = 0; t < threads; ++t)
            running.emplace_back([&work, t] { work(t); });
    }

    const std::filesystem::path directory_ = [] {
        char pattern[] = "/tmp/scribeon-storage-test.XXXXXX";
        return std::filesystem::path(::mkdtemp(pattern));
    }();
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
    EXPECT_EQ(std::tuple(admitted - refunded, storage.usage(user, "2026-12")),
              std::tuple(monthlyLimit, monthlyLimit));
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
    EXPECT_LE(std::ranges::count_if(storage.commandsFor(user), &UserCommand::isActive), allowance);
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
    EXPECT_TRUE(waitUntil([&] { return storage.checkpointsDone() > 0; }));
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
    EXPECT_TRUE(checked >= 1 && checked <= 3) << checked; // the throttle's free failures
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

struct Write {
    bool poisoned = false;
    long sequence = -1; // set by the commit that holds it
};

TEST(GroupCommitTest, WritesArrivingDuringACommitShareTheNextOne) {
    std::vector<std::size_t> batches;
    std::atomic<bool> firstStarted{false};
    GroupCommit<Write>* self = nullptr;
    GroupCommit<Write> commits([&](std::vector<Write*>& writes) {
        batches.push_back(writes.size());
        firstStarted = true;
        if (batches.size() == 1) { // hold the first commit until the others queue behind it
            ASSERT_TRUE(waitUntil([&] { return self->queued() == 5; }));
        } else { // a window in which a follower answered early would see its write unwritten
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        for (auto* write : writes)
            write->sequence = static_cast<long>(batches.size());
    });
    self = &commits;
    Write first;
    std::thread leader([&] { commits.submit(first); });
    ASSERT_TRUE(waitUntil([&] { return firstStarted.load(); }));
    std::vector<Write> later(5);
    std::vector<std::thread> followers;
    for (auto& write : later)
        followers.emplace_back([&] {
            commits.submit(write);
            EXPECT_EQ(write.sequence, 2) << "answered before its commit";
        });
    leader.join();
    for (auto& follower : followers)
        follower.join();
    EXPECT_EQ(batches, (std::vector<std::size_t>{1, 5}));
}

TEST(GroupCommitTest, AFailedCommitFailsItsWritesAndTheNextOneGoesOn) {
    int commitsRun = 0;
    GroupCommit<Write> commits([&](std::vector<Write*>& writes) {
        ++commitsRun;
        for (auto* write : writes)
            if (write->poisoned)
                throw std::runtime_error("disk full");
        for (auto* write : writes)
            write->sequence = commitsRun;
    });
    Write bad{true};
    EXPECT_THROW(commits.submit(bad), std::runtime_error);
    Write good;
    commits.submit(good);
    EXPECT_EQ(good.sequence, 2);
}

using Clock = SignInThrottle::Clock;
using Outcome = SignInThrottle::Outcome;
using std::chrono::seconds;

const Clock::time_point start{std::chrono::hours(1000)};

// One attempt, settled at once; the seconds to wait when it was refused.
long long attempt(SignInThrottle& throttle, const std::string& email, const std::string& address,
                  Outcome outcome, Clock::time_point now) {
    const auto admission = throttle.admit(email, address, now);
    if (admission.admitted())
        throttle.settle(email, address, admission, outcome, now);
    return admission.retryAfter;
}

TEST(SignInThrottleTest, FailuresPastTheFreeOnesDoubleTheWaitUpToTheLongest) {
    SignInThrottle throttle({.freeFailures = 3,
                             .freeAddressFailures = 100,
                             .firstDelay = seconds(2),
                             .longestDelay = seconds(30)});
    auto now = start;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(attempt(throttle, "bob@x", "10.0.0.9", Outcome::failed, now), 0) << i;
    // After each further failure the next try waits 2, 4, 8, 16, then 30 s (capped).
    for (const long long wait : {2, 4, 8, 16, 30, 30}) {
        EXPECT_EQ(attempt(throttle, "bob@x", "10.0.0.9", Outcome::failed, now), wait);
        now += seconds(wait);
        EXPECT_EQ(attempt(throttle, "bob@x", "10.0.0.9", Outcome::failed, now), 0);
    }
    // A whole quiet window forgives.
    now += seconds(15 * 60);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(attempt(throttle, "bob@x", "10.0.0.9", Outcome::failed, now), 0) << i;
}

TEST(SignInThrottleTest, AttemptsInFlightCountBeforeTheirPasswordsAreChecked) {
    SignInThrottle throttle({.freeFailures = 5});
    std::vector<SignInThrottle::Admission> admitted;
    for (int i = 0; i < 48; ++i) {
        const auto admission = throttle.admit("bob@x", "10.0.0." + std::to_string(i), start);
        if (admission.admitted())
            admitted.push_back(admission);
    }
    EXPECT_EQ(admitted.size(), 5u);
    // A withdrawn attempt (the service was busy) gives its turn back.
    throttle.settle("bob@x", "10.0.0.0", admitted.back(), Outcome::withdrawn, start);
    EXPECT_TRUE(throttle.admit("bob@x", "10.0.0.99", start).admitted());
}

TEST(SignInThrottleTest, AKnownAddressKeepsItsOwnerInWhileOthersAreThrottled) {
    SignInThrottle throttle({.freeFailures = 3, .freeAddressFailures = 5});
    const std::string home = "192.0.2.1", attacker = "198.51.100.7", office = "203.0.113.4";
    EXPECT_EQ(attempt(throttle, "bob@x", home, Outcome::succeeded, start), 0);
    for (int i = 0; i < 3; ++i)
        attempt(throttle, "bob@x", attacker, Outcome::failed, start);
    EXPECT_EQ(attempt(throttle, "carol@x", office, Outcome::succeeded, start), 0);
    for (int i = 0; i < 5; ++i) // then made-up e-mails flood from the office address
        attempt(throttle, "guess" + std::to_string(i) + "@x", office, Outcome::failed, start);
    const struct {
        const char* who;
        std::string email, address;
        bool admitted;
    } cases[] = {
        {"the attacker", "bob@x", attacker, false},
        {"bob from a new address", "bob@x", "192.0.2.200", false},
        {"bob at home", "bob@x", home, true},
        {"a newcomer behind the flooded address", "dave@x", office, false},
        {"carol at the office, where she signed in before", "carol@x", office, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(throttle.admit(c.email, c.address, start + seconds(1)).admitted(), c.admitted)
            << c.who;
}

TEST(SignInThrottleTest, SuccessfulSignInsAreLimitedToo) {
    SignInThrottle throttle({.window = seconds(60), .successesPerWindow = 4});
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(attempt(throttle, "bob@x", "10.0.0.1", Outcome::succeeded, start), 0) << i;
    EXPECT_EQ(attempt(throttle, "bob@x", "10.0.0.1", Outcome::succeeded, start + seconds(10)), 50);
    EXPECT_EQ(attempt(throttle, "bob@x", "10.0.0.1", Outcome::succeeded, start + seconds(60)), 0);
}

TEST(SignInThrottleTest, TenThousandMadeUpEmailsStayWithinTheBound) {
    SignInThrottle throttle({.maxRecords = 100});
    for (int i = 0; i < 10000; ++i)
        attempt(throttle, "user" + std::to_string(i) + "@example.com",
                "10.0." + std::to_string(i % 250) + "." + std::to_string(i / 250), Outcome::failed,
                start);
    EXPECT_LE(throttle.recordCount(), 200u); // accounts and addresses; failures make no pairs
}

} // namespace
} // namespace scribeon::server

#include "TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <future>

namespace scribeon::server {
namespace {

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

TEST(SignInThrottleTest, EmailsAreKeyedAsTheDatabaseComparesThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"BOB@Example.COM", "bob@example.com"},
        {"Zoë@Example.com", "zoë@example.com"}, // the database folds ASCII only
    };
    for (const auto& [email, key] : cases)
        EXPECT_EQ(SignInThrottle::normalisedEmail(email), key);
}

// Through the service, with the client address an HTTP front end would give.
class SignInEndpointTest : public testing::Test {
protected:
    int signIn(const std::string& email, const std::string& password,
               const std::string& address = "192.0.2.1") {
        const nlohmann::json body = {{"email", email}, {"password", password}};
        return server.call("POST", "/api/v1/auth/sign-in", "", body.dump(), address).status;
    }

    TestServer server;
};

TEST_F(SignInEndpointTest, ParallelGuessesGetNoMorePasswordChecksThanTheAllowance) {
    server.addUser("bob@example.com", "Free", std::nullopt, true);
    std::vector<std::future<int>> guesses;
    for (int i = 0; i < 48; ++i)
        guesses.push_back(std::async(std::launch::async, [this, i] {
            return signIn("bob@example.com", "guess", "10.1.0." + std::to_string(i));
        }));
    int checked = 0;
    for (auto& guess : guesses) {
        const int status = guess.get();
        EXPECT_TRUE(status == 422 || status == 429 || status == 503) << status;
        checked += status == 422;
    }
    EXPECT_LE(checked, 3); // the test server's allowance
    EXPECT_GE(checked, 1);
}

TEST_F(SignInEndpointTest, AnOverlongEmailIsRefusedBeforeAnyWork) {
    const std::size_t before = server.throttle->recordCount();
    EXPECT_EQ(signIn(std::string(1 << 20, 'a') + "@example.com", "x"), 422);
    EXPECT_EQ(signIn(std::string(243, 'a') + "@example.com", "x"), 422); // 255 bytes
    EXPECT_EQ(server.throttle->recordCount(), before);
    EXPECT_EQ(signIn(std::string(242, 'a') + "@example.com", "x"), 422); // 254: checked
    EXPECT_GT(server.throttle->recordCount(), before);
}

// The throttle keys an e-mail by its bytes; a database that ends text at a
// NUL would find the account under every "victim@...\0<suffix>", each a
// fresh set of guesses. Controls never reach the database.
TEST_F(SignInEndpointTest, ControlCharactersInTheEmailOpenNoWayPastTheThrottle) {
    server.addUser("victim@example.com", "Free", std::nullopt, true);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(signIn("victim@example.com", "guess", "198.51.100.7"), 422);
    ASSERT_EQ(signIn("victim@example.com", "password-1", "198.51.100.7"), 429);
    const std::string variants[] = {
        std::string("victim@example.com\0zz", 21), std::string("victim@example.com\0", 19),
        "victim@example.com\x1b", "victim@example.com\x7f", "victim@example.com\xc2\x85"};
    const std::size_t before = server.throttle->recordCount();
    for (const auto& email : variants)
        EXPECT_EQ(signIn(email, "password-1", "198.51.100.7"), 422) << nlohmann::json(email);
    EXPECT_EQ(server.throttle->recordCount(), before) << "refused before any password check";

    // Below the service, the storage refuses such a lookup rather than cut it.
    std::optional<std::pair<std::int64_t, std::string>> found;
    try {
        found = server.storage->credentials(variants[0]);
    } catch (const StorageError&) {
    }
    EXPECT_FALSE(found);
}

// Over HTTP: X-Forwarded-For decides the address only when the request
// comes from the configured proxy; otherwise an attacker could claim to be
// its victim's known address.
TEST(ForwardedAddressTest, OnlyATrustedProxyNamesTheClientAddress) {
    for (const bool trusted : {true, false}) {
        SCOPED_TRACE(trusted ? "behind a trusted proxy" : "no proxy configured");
        TestServer server;
        if (trusted) {
            server.trustedProxy = "127.0.0.1";
            server.stop();
            server.start();
        }
        server.addUser("bob@example.com", "Free", std::nullopt, true);
        auto client = server.client();
        auto signIn = [&](const char* password, const char* forwardedFor) {
            const nlohmann::json body = {{"email", "bob@example.com"}, {"password", password}};
            return client
                .Post("/api/v1/auth/sign-in", {{"X-Forwarded-For", forwardedFor}}, body.dump(),
                      "application/json")
                ->status;
        };
        EXPECT_EQ(signIn("password-1", "192.0.2.1"), 200); // the owner, at home
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(signIn("guess", "10.9.9.9, 198.51.100.7"), 422);
        // Trusted, the guesses came from 198.51.100.7 and home is untouched;
        // untrusted, every request is 127.0.0.1, the owner's known pair,
        // whose three failures now hold it back.
        EXPECT_EQ(signIn("password-1", "192.0.2.1"), trusted ? 200 : 429);
    }
}

} // namespace
} // namespace scribeon::server

#include "server/accounts/SignInThrottle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

} // namespace
} // namespace scribeon::server

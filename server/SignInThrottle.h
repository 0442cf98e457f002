#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace scribeon::server {

// Counts failed sign-ins per e-mail and per client address in a sliding
// window; once either reaches its allowance, further attempts are refused
// until the oldest failure leaves the window.
class SignInThrottle {
public:
    using Clock = std::chrono::steady_clock;

    struct Limits {
        int perEmail = 5;
        int perAddress = 20;
        std::chrono::seconds window{15 * 60};
    };

    explicit SignInThrottle(Limits limits) : limits_(limits) {}

    // Seconds until an attempt is allowed again; 0 when allowed now.
    long long retryAfter(const std::string& email, const std::string& address,
                         Clock::time_point now);
    void recordFailure(const std::string& email, const std::string& address, Clock::time_point now);
    void recordSuccess(const std::string& email);

private:
    using Failures = std::deque<Clock::time_point>;
    long long waitFor(Failures& failures, int allowance, Clock::time_point now) const;
    void forgetIdle(Clock::time_point now);

    Limits limits_;
    std::mutex mutex_;
    std::unordered_map<std::string, Failures> byEmail_;
    std::unordered_map<std::string, Failures> byAddress_;
    Clock::time_point lastSweep_{};
};

} // namespace scribeon::server

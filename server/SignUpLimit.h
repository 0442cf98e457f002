#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace scribeon::server {

// How many accounts one client address may make in a window, so a script
// cannot fill the database (or the password hasher) with sign-ups. At most
// `maxAddresses` are remembered; past that, expired ones go first, then the
// oldest.
class SignUpLimit {
public:
    using Clock = std::chrono::steady_clock;

    struct Limits {
        int perWindow = 5;
        std::chrono::seconds window{60 * 60};
        std::size_t maxAddresses = 10000;
    };

    explicit SignUpLimit(Limits limits) : limits_(limits) {}

    // 0 when the address may make an account now (it is counted), else the
    // seconds until it may.
    long long take(const std::string& address, Clock::time_point now);
    // An account that was not made after all.
    void giveBack(const std::string& address);
    std::size_t addressCount() const;

private:
    struct Window {
        Clock::time_point start;
        int taken = 0;
    };
    void makeRoom(Clock::time_point now);

    Limits limits_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Window> windows_;
};

} // namespace scribeon::server

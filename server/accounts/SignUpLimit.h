#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace scribeon::server {

// How many sign-ups one client address may try in a window, whatever their
// answer, so a script can neither fill the database (or the password
// hasher) with accounts nor find out which addresses have one. At most
// `maxAddresses` are remembered; past that, expired ones go first, then the
// oldest.
class SignUpLimit {
public:
    using Clock = std::chrono::steady_clock;

    struct Limits {
        int perWindow = 10; // a few accounts, with a mistake or two each
        std::chrono::seconds window{60 * 60};
        std::size_t maxAddresses = 10000;
    };

    explicit SignUpLimit(Limits limits) : limits_(limits) {}

    // 0 when the address may try a sign-up now (it is counted), else the
    // seconds until it may.
    long long take(const std::string& address, Clock::time_point now);
    // A sign-up the service could not answer (busy, the database away).
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

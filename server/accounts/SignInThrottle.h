#pragma once

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace scribeon::server {

// Decides whether a sign-in may check its password now. Records are kept per
// account (the e-mail as the database compares it), per client address, and
// per (account, address) pair that has signed in before. A pair that has
// signed in before is judged on its own record only, so an attacker who
// throttles an account or an address does not lock out its owner at home.
// After the free failures each further one doubles the wait, up to the
// longest; successes are limited too. An attempt is reserved before the
// password is hashed, so parallel attempts cannot exceed the allowance, and
// each map holds at most `maxRecords` entries, the least recently used going
// first.
class SignInThrottle {
public:
    using Clock = std::chrono::steady_clock;

    struct Limits {
        int freeFailures = 5;         // per account, and per known pair
        int freeAddressFailures = 20; // per client address
        std::chrono::seconds firstDelay{2};
        std::chrono::seconds longestDelay{15 * 60};
        std::chrono::seconds window{15 * 60}; // a record idle this long is forgotten
        int successesPerWindow = 20;          // per account
        std::size_t maxRecords = 10000;       // per map
    };

    struct Admission {
        long long retryAfter = 0; // seconds; 0 when admitted
        bool knownAddress = false;
        bool admitted() const { return retryAfter == 0; }
    };

    explicit SignInThrottle(Limits limits) : limits_(limits) {}

    // The e-mail as the database compares it: ASCII letters folded.
    static std::string normalisedEmail(std::string_view email);

    // What became of an admitted attempt; withdrawn: the password was never
    // checked (the service was too busy), so it counts for nothing.
    enum class Outcome { succeeded, failed, withdrawn };

    // An admitted attempt must be settled, whatever its outcome.
    Admission admit(const std::string& email, const std::string& address, Clock::time_point now);
    void settle(const std::string& email, const std::string& address, const Admission& admission,
                Outcome outcome, Clock::time_point now);

    // How many records the maps hold; for the bound's test.
    std::size_t recordCount() const;

private:
    struct Record {
        int failures = 0;
        int pending = 0;
        Clock::time_point lastFailure{};
        int successes = 0;
        Clock::time_point successWindowStart{};
        Clock::time_point lastUse{};
        bool known = false; // a pair that has signed in
    };

    // A map bounded by size: the least recently used record goes first.
    class Records {
    public:
        explicit Records(std::size_t capacity) : capacity_(capacity) {}
        Record& at(const std::string& key, Clock::time_point now);
        Record* find(const std::string& key);
        std::size_t size() const { return records_.size(); }

    private:
        using Order = std::list<std::string>;
        std::size_t capacity_;
        Order order_; // most recent first
        std::unordered_map<std::string, std::pair<Record, Order::iterator>> records_;
    };

    long long failureWait(Record& record, int free, Clock::time_point now) const;
    long long successWait(Record& record, Clock::time_point now) const;
    static void recordOutcome(Record& record, Outcome outcome, Clock::time_point now);

    Limits limits_;
    mutable std::mutex mutex_;
    Records accounts_{limits_.maxRecords};
    Records addresses_{limits_.maxRecords};
    Records pairs_{limits_.maxRecords};
};

} // namespace scribeon::server

#include "server/accounts/SignInThrottle.h"

#include <algorithm>

namespace scribeon::server {

namespace {

long long secondsUntil(SignInThrottle::Clock::time_point when,
                       SignInThrottle::Clock::time_point now) {
    return std::max<long long>(1, std::chrono::ceil<std::chrono::seconds>(when - now).count());
}

std::string pairKey(const std::string& email, const std::string& address) {
    return email + '\n' + address;
}

} // namespace

std::string SignInThrottle::normalisedEmail(std::string_view email) {
    std::string folded(email);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return folded;
}

SignInThrottle::Record& SignInThrottle::Records::at(const std::string& key, Clock::time_point now) {
    if (auto found = records_.find(key); found != records_.end()) {
        order_.splice(order_.begin(), order_, found->second.second);
        found->second.first.lastUse = now;
        return found->second.first;
    }
    if (records_.size() >= capacity_ && !order_.empty()) {
        records_.erase(order_.back());
        order_.pop_back();
    }
    order_.push_front(key);
    auto& entry = records_[key];
    entry.second = order_.begin();
    entry.first.lastUse = now;
    return entry.first;
}

SignInThrottle::Record* SignInThrottle::Records::find(const std::string& key) {
    auto found = records_.find(key);
    return found == records_.end() ? nullptr : &found->second.first;
}

long long SignInThrottle::failureWait(Record& record, int free, Clock::time_point now) const {
    if (record.failures > 0 && now - record.lastFailure >= limits_.window)
        record.failures = 0; // quiet for a whole window: forgiven
    if (record.failures + record.pending < free)
        return 0;
    if (record.failures < free)
        return 1; // attempts in flight fill the allowance; their outcome decides
    const int doublings = std::min(record.failures - free, 20);
    const auto delay = std::min<std::chrono::seconds>(limits_.firstDelay * (1LL << doublings),
                                                      limits_.longestDelay);
    const auto ready = record.lastFailure + delay;
    if (now < ready)
        return secondsUntil(ready, now);
    return record.pending > 0 ? 1 : 0; // past the delay: one attempt at a time
}

long long SignInThrottle::successWait(Record& record, Clock::time_point now) const {
    if (now - record.successWindowStart >= limits_.window) {
        record.successes = 0;
        record.successWindowStart = now;
    }
    if (record.successes < limits_.successesPerWindow)
        return 0;
    return secondsUntil(record.successWindowStart + limits_.window, now);
}

SignInThrottle::Admission SignInThrottle::admit(const std::string& email,
                                                const std::string& address, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    Record& account = accounts_.at(email, now);
    Record* pair = pairs_.find(pairKey(email, address));
    Admission admission;
    admission.knownAddress = pair && pair->known;
    admission.retryAfter = successWait(account, now);
    if (admission.knownAddress) {
        admission.retryAfter =
            std::max(admission.retryAfter, failureWait(*pair, limits_.freeFailures, now));
        if (admission.admitted())
            ++pair->pending;
        return admission;
    }
    Record& fromAddress = addresses_.at(address, now);
    admission.retryAfter =
        std::max({admission.retryAfter, failureWait(account, limits_.freeFailures, now),
                  failureWait(fromAddress, limits_.freeAddressFailures, now)});
    if (admission.admitted()) {
        ++account.pending;
        ++fromAddress.pending;
    }
    return admission;
}

void SignInThrottle::recordOutcome(Record& record, Outcome outcome, Clock::time_point now) {
    record.pending = std::max(0, record.pending - 1);
    if (outcome == Outcome::succeeded) {
        record.failures = 0;
    } else if (outcome == Outcome::failed) {
        ++record.failures;
        record.lastFailure = now;
    }
}

void SignInThrottle::settle(const std::string& email, const std::string& address,
                            const Admission& admission, Outcome outcome, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    const std::string pair = pairKey(email, address);
    // Failures never create a pair record: a flood of them must not push the
    // owners' known pairs out of the map.
    if (admission.knownAddress) {
        if (Record* known = pairs_.find(pair))
            recordOutcome(*known, outcome, now);
    } else {
        recordOutcome(accounts_.at(email, now), outcome, now);
        recordOutcome(addresses_.at(address, now), outcome, now);
    }
    if (outcome == Outcome::succeeded) {
        pairs_.at(pair, now).known = true;
        ++accounts_.at(email, now).successes;
    }
}

std::size_t SignInThrottle::recordCount() const {
    const std::lock_guard lock(mutex_);
    return accounts_.size() + addresses_.size() + pairs_.size();
}

} // namespace scribeon::server

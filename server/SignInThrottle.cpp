#include "server/SignInThrottle.h"

#include <algorithm>

namespace scribeon::server {

long long SignInThrottle::waitFor(Failures& failures, int allowance, Clock::time_point now) const {
    while (!failures.empty() && failures.front() + limits_.window <= now)
        failures.pop_front();
    if (static_cast<int>(failures.size()) < allowance)
        return 0;
    const auto wait =
        std::chrono::ceil<std::chrono::seconds>(failures.front() + limits_.window - now);
    return std::max<long long>(1, wait.count());
}

long long SignInThrottle::retryAfter(const std::string& email, const std::string& address,
                                     Clock::time_point now) {
    std::lock_guard lock(mutex_);
    forgetIdle(now);
    return std::max(waitFor(byEmail_[email], limits_.perEmail, now),
                    waitFor(byAddress_[address], limits_.perAddress, now));
}

void SignInThrottle::recordFailure(const std::string& email, const std::string& address,
                                   Clock::time_point now) {
    std::lock_guard lock(mutex_);
    byEmail_[email].push_back(now);
    byAddress_[address].push_back(now);
}

void SignInThrottle::recordSuccess(const std::string& email) {
    std::lock_guard lock(mutex_);
    byEmail_.erase(email);
}

// Without this, a stream of made-up e-mails would grow the maps for ever.
void SignInThrottle::forgetIdle(Clock::time_point now) {
    if (now - lastSweep_ < limits_.window)
        return;
    lastSweep_ = now;
    for (auto* map : {&byEmail_, &byAddress_})
        std::erase_if(*map, [&](auto& entry) {
            return entry.second.empty() || entry.second.back() + limits_.window <= now;
        });
}

} // namespace scribeon::server

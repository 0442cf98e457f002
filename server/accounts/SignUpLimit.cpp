#include "server/accounts/SignUpLimit.h"

#include <algorithm>

namespace scribeon::server {

long long SignUpLimit::take(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    auto found = windows_.find(address);
    if (found != windows_.end() && now - found->second.start >= limits_.window) {
        windows_.erase(found);
        found = windows_.end();
    }
    if (found == windows_.end()) {
        if (windows_.size() >= limits_.maxAddresses)
            makeRoom(now);
        found = windows_.emplace(address, Window{now, 0}).first;
    }
    Window& window = found->second;
    if (window.taken >= limits_.perWindow) {
        const auto left = limits_.window - (now - window.start);
        return std::max<long long>(1, std::chrono::ceil<std::chrono::seconds>(left).count());
    }
    ++window.taken;
    return 0;
}

void SignUpLimit::giveBack(const std::string& address) {
    std::lock_guard lock(mutex_);
    if (auto found = windows_.find(address); found != windows_.end() && found->second.taken > 0)
        --found->second.taken;
}

std::size_t SignUpLimit::addressCount() const {
    std::lock_guard lock(mutex_);
    return windows_.size();
}

void SignUpLimit::makeRoom(Clock::time_point now) {
    std::erase_if(windows_,
                  [&](const auto& entry) { return now - entry.second.start >= limits_.window; });
    if (windows_.size() < limits_.maxAddresses)
        return;
    const auto oldest =
        std::min_element(windows_.begin(), windows_.end(), [](const auto& a, const auto& b) {
            return a.second.start < b.second.start;
        });
    windows_.erase(oldest);
}

} // namespace scribeon::server

#include "tests/fakes/FakeMainQueue.h"

#include <algorithm>
#include <mutex>

namespace scribeon {

void FakeMainQueue::post(std::function<void()> task) {
    postAfter(Milliseconds{0}, std::move(task));
}

Cancel FakeMainQueue::postAfter(Milliseconds delay, std::function<void()> task) {
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(mutex_);
    entries_.push_back(
        {now_ + std::max(delay, Milliseconds{0}), nextSequence_++, std::move(task), cancelled});
    return Cancel{cancelled};
}

void FakeMainQueue::advance(Milliseconds delta) {
    std::unique_lock lock(mutex_);
    const Milliseconds target = now_ + delta;
    for (;;) {
        auto next =
            std::min_element(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
                return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
            });
        if (next == entries_.end() || next->due > target)
            break;
        Entry entry = std::move(*next);
        entries_.erase(next);
        now_ = std::max(now_, entry.due);
        lock.unlock();
        if (!*entry.cancelled)
            entry.task();
        lock.lock();
    }
    now_ = target;
}

std::size_t FakeMainQueue::pendingCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(),
                                                  [](const Entry& e) { return !*e.cancelled; }));
}

} // namespace scribeon

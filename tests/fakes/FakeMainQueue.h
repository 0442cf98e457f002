#pragma once

#include "platform/MainQueue.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace scribeon {

// Virtual-time queue: nothing runs until the test advances the clock. Tasks
// may be posted from other threads; they run on the thread that advances.
class FakeMainQueue : public MainQueue {
public:
    void post(std::function<void()> task) override;
    Cancel postAfter(Milliseconds delay, std::function<void()> task) override;

    // Runs every task due up to now + delta in due-time order (ties in posting
    // order), tasks posted meanwhile included, leaving the clock at now + delta.
    void advance(Milliseconds delta);
    void runPending() { advance(Milliseconds{0}); }

    Milliseconds now() const {
        std::lock_guard lock(mutex_);
        return now_;
    }
    std::size_t pendingCount() const;

private:
    struct Entry {
        Milliseconds due;
        std::uint64_t sequence;
        std::function<void()> task;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };
    mutable std::mutex mutex_;
    Milliseconds now_{0};
    std::uint64_t nextSequence_ = 0;
    std::vector<Entry> entries_;
};

} // namespace scribeon

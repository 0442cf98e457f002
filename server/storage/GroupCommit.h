#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

namespace scribeon::server {

// Many threads hand in small writes; whichever finds nobody committing takes
// every write waiting so far and commits them in one transaction while the
// others wait for their answers. Writes are served in the order they came,
// and each caller returns only after the transaction holding its write has
// committed, so an answer never runs ahead of what is on disk.
template <typename Write> class GroupCommit {
public:
    // Runs every write of the batch in one transaction; if it throws, every
    // write of the batch fails with that error.
    using CommitAll = std::function<void(std::vector<Write*>&)>;

    explicit GroupCommit(CommitAll commitAll) : commitAll_(std::move(commitAll)) {}

    void submit(Write& write) {
        Waiting mine{&write, false, nullptr};
        std::unique_lock lock(mutex_);
        queue_.push_back(&mine);
        turn_.wait(lock, [&] { return mine.done || !committing_; });
        if (!mine.done)
            lead(lock);
        if (mine.error)
            std::rethrow_exception(mine.error);
    }

    // Writes queued for the next commit, not yet taken by one.
    std::size_t queued() const {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }

private:
    struct Waiting {
        Write* write;
        bool done = false;
        std::exception_ptr error;
    };

    void lead(std::unique_lock<std::mutex>& lock) {
        committing_ = true;
        std::vector<Waiting*> batch;
        batch.swap(queue_);
        lock.unlock();
        std::vector<Write*> writes;
        writes.reserve(batch.size());
        for (auto* waiting : batch)
            writes.push_back(waiting->write);
        std::exception_ptr error;
        try {
            commitAll_(writes);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        for (auto* waiting : batch) {
            waiting->error = error;
            waiting->done = true;
        }
        committing_ = false;
        turn_.notify_all();
    }

    CommitAll commitAll_;
    mutable std::mutex mutex_;
    std::condition_variable turn_;
    std::vector<Waiting*> queue_;
    bool committing_ = false;
};

} // namespace scribeon::server

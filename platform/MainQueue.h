#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace scribeon {

using Milliseconds = std::chrono::milliseconds;

// Handle to a delayed task or an exchange in flight. Cancelling is
// idempotent and harmless after the work ended; dropping the handle does not
// cancel. Copies share one flag, which any thread may set and read.
class Cancel {
public:
    Cancel() = default;
    explicit Cancel(std::shared_ptr<std::atomic<bool>> cancelled)
        : cancelled_(std::move(cancelled)) {}
    static Cancel make() { return Cancel(std::make_shared<std::atomic<bool>>(false)); }
    void cancel() const {
        if (cancelled_)
            *cancelled_ = true;
    }
    bool isCancelled() const { return cancelled_ && *cancelled_; }

private:
    std::shared_ptr<std::atomic<bool>> cancelled_;
};

// The one thread on which every decision runs. `post` may be called from any
// thread; the tasks themselves always run on the main thread, in order.
class MainQueue {
public:
    virtual ~MainQueue() = default;
    virtual void post(std::function<void()> task) = 0;
    virtual Cancel postAfter(Milliseconds delay, std::function<void()> task) = 0;
};

} // namespace scribeon

#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace scribeon {

using Milliseconds = std::chrono::milliseconds;

// Handle to a delayed task. Cancelling is idempotent and harmless after the
// task ran; dropping the handle does not cancel.
class Cancel {
public:
    Cancel() = default;
    explicit Cancel(std::shared_ptr<bool> cancelled) : cancelled_(std::move(cancelled)) {}
    void cancel() const {
        if (cancelled_)
            *cancelled_ = true;
    }
    bool isCancelled() const { return cancelled_ && *cancelled_; }

private:
    std::shared_ptr<bool> cancelled_;
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

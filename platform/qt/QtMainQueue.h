#pragma once

#include "platform/MainQueue.h"

#include <QObject>

#include <deque>
#include <memory>
#include <mutex>

namespace scribeon {

// Runs tasks on the thread that owns this object (the GUI thread). A task
// posted from a worker travels through a queue of our own under a mutex, and
// an event only wakes the GUI thread: the hand-off is then one that thread
// checkers see (Qt's own queue synchronises inside the library) and a task
// never touches the event that carried the wake-up.
class QtMainQueue : public MainQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;
    void post(std::function<void()> task) override;
    Cancel postAfter(Milliseconds delay, std::function<void()> task) override;

private:
    class Waker;
    void runPending();

    QObject context_;
    std::unique_ptr<Waker> waker_;
    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;
};

} // namespace scribeon

#include "platform/qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace scribeon {

// Every event it receives means: run what is pending. It reads nothing from
// the event, which a worker built.
class QtMainQueue::Waker : public QObject {
public:
    explicit Waker(QtMainQueue& queue) : queue_(queue) {}

    bool event(QEvent* event) override {
        queue_.runPending();
        return QObject::event(event);
    }

private:
    QtMainQueue& queue_;
};

QtMainQueue::QtMainQueue() : waker_(std::make_unique<Waker>(*this)) {}

QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::post(std::function<void()> task) {
    // Built before the task is queued, so that the GUI thread, which frees
    // it, has taken the mutex after its construction.
    auto* wake = new QEvent(QEvent::User);
    {
        const std::lock_guard lock(mutex_);
        pending_.push_back(std::move(task));
    }
    QCoreApplication::postEvent(waker_.get(), wake);
}

// One task at a time off the queue: a task that runs a nested event loop (a
// modal dialog) leaves the later ones queued, and the nested loop runs them
// in order, as Qt's own queue would.
void QtMainQueue::runPending() {
    for (;;) {
        std::function<void()> task;
        {
            const std::lock_guard lock(mutex_);
            if (pending_.empty())
                return;
            task = std::move(pending_.front());
            pending_.pop_front();
        }
        task();
    }
}

Cancel QtMainQueue::postAfter(Milliseconds delay, std::function<void()> task) {
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    // The timer must be created on the main thread even when a worker posts.
    post([this, delay, cancelled, task = std::move(task)]() mutable {
        QTimer::singleShot(delay, &context_, [cancelled, task = std::move(task)] {
            if (!*cancelled)
                task();
        });
    });
    return Cancel{cancelled};
}

} // namespace scribeon

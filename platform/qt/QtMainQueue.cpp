#include "platform/qt/QtMainQueue.h"

#include <QMetaObject>
#include <QTimer>

namespace scribeon {

QtMainQueue::QtMainQueue() = default;

void QtMainQueue::post(std::function<void()> task) {
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

Cancel QtMainQueue::postAfter(Milliseconds delay, std::function<void()> task) {
    auto cancelled = std::make_shared<bool>(false);
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

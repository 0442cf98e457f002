#include "platform/qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

// Spins the event loop until `done` or a generous deadline.
template <typename Pred> bool processUntil(Pred done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(QtMainQueueTest, TasksPostedFromAWorkerRunOnTheMainThreadInOrder) {
    QtMainQueue queue;
    std::vector<int> order;
    std::atomic<bool> wrongThread{false};
    QThread* mainThread = QThread::currentThread();
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            queue.post([&, i] {
                if (QThread::currentThread() != mainThread)
                    wrongThread = true;
                order.push_back(i);
            });
        queue.postAfter(10ms, [&] { order.push_back(1000); });
    });
    worker.join();
    ASSERT_TRUE(processUntil([&] { return order.size() == 101; }));
    EXPECT_FALSE(wrongThread);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(order.back(), 1000);
}

TEST(QtMainQueueTest, CancelledDelayedTaskDoesNotRun) {
    QtMainQueue queue;
    bool cancelledRan = false, laterRan = false;
    Cancel cancel = queue.postAfter(20ms, [&] { cancelledRan = true; });
    queue.postAfter(60ms, [&] { laterRan = true; });
    cancel.cancel();
    ASSERT_TRUE(processUntil([&] { return laterRan; }));
    EXPECT_FALSE(cancelledRan);
}

} // namespace
} // namespace scribeon

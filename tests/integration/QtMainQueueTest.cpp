#include "platform/qt/QtMainQueue.h"
#include "tests/desktop/WaitUntil.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <string>
#include <thread>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

// Posted from a worker, tasks run on the main thread in order; a cancelled
// delayed one never does.
TEST(QtMainQueueTest, TasksPostedFromAWorkerRunOnTheMainThreadInOrder) {
    QtMainQueue queue;
    std::vector<int> order;
    std::atomic<bool> wrongThread{false};
    QThread* mainThread = QThread::currentThread();
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            queue.post([&, i] {
                wrongThread = wrongThread || QThread::currentThread() != mainThread;
                order.push_back(i);
            });
        queue.postAfter(10ms, [&] { order.push_back(-1); }).cancel();
        queue.postAfter(30ms, [&] { order.push_back(100); });
    });
    worker.join();
    ASSERT_TRUE(waitUntil([&] { return order.size() == 101; }));
    EXPECT_FALSE(wrongThread);
    std::vector<int> expected(101);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
}

// A task that opens a modal dialog runs a nested event loop; the tasks
// queued behind it run inside that loop, in order, not after it ends.
TEST(QtMainQueueTest, TasksQueuedBehindANestedEventLoopRunInsideIt) {
    QtMainQueue queue;
    std::vector<std::string> order;
    queue.post([&] {
        order.push_back("modal opens");
        QEventLoop modal; // what a modal dialog's exec() runs
        queue.post([&] { modal.quit(); });
        QTimer::singleShot(10000, &modal, &QEventLoop::quit);
        modal.exec();
        order.push_back("modal closes");
    });
    queue.post([&] { order.push_back("second"); });
    queue.post([&] { order.push_back("third"); });
    ASSERT_TRUE(waitUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<std::string>{"modal opens", "second", "third", "modal closes"}));
}

} // namespace
} // namespace scribeon

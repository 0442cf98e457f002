#include "platform/fake/FakeMainQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

TEST(FakeMainQueueTest, RunsDueTasksInTimeThenPostingOrderIncludingOnesPostedWhileAdvancing) {
    FakeMainQueue queue;
    std::vector<std::string> ran;
    auto record = [&](std::string name) { return [&ran, name] { ran.push_back(name); }; };
    queue.postAfter(300ms, record("c@300"));
    queue.postAfter(100ms, [&] {
        ran.push_back("a@100");
        EXPECT_EQ(queue.now(), 100ms);
        queue.postAfter(50ms, record("b@150"));
        queue.postAfter(500ms, record("late@600"));
    });
    queue.post(record("now-1"));
    queue.post(record("now-2"));

    queue.advance(400ms);

    EXPECT_EQ(ran, (std::vector<std::string>{"now-1", "now-2", "a@100", "b@150", "c@300"}));
    EXPECT_EQ(queue.now(), 400ms);
    EXPECT_EQ(queue.pendingCount(), 1u);
    queue.advance(200ms);
    EXPECT_EQ(ran.back(), "late@600");
}

TEST(FakeMainQueueTest, CancelledTaskNeverRuns) {
    FakeMainQueue queue;
    int runs = 0;
    Cancel cancel = queue.postAfter(100ms, [&] { ++runs; });
    queue.advance(99ms);
    cancel.cancel();
    queue.advance(10s);
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(cancel.isCancelled());
}

} // namespace
} // namespace scribeon

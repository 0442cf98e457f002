#include "server/storage/GroupCommit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

namespace scribeon::server {
namespace {

struct Write {
    bool poisoned = false;
    long sequence = -1; // set by the commit that holds it
};

bool waitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(GroupCommitTest, WritesArrivingDuringACommitShareTheNextOne) {
    std::vector<std::size_t> batches;
    std::atomic<bool> firstStarted{false};
    GroupCommit<Write>* self = nullptr;
    GroupCommit<Write> commits([&](std::vector<Write*>& writes) {
        batches.push_back(writes.size());
        firstStarted = true;
        if (batches.size() == 1) { // hold the first commit until the others queue behind it
            ASSERT_TRUE(waitUntil([&] { return self->queued() == 5; }));
        } else { // a window in which a follower answered early would see its write unwritten
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        for (auto* write : writes)
            write->sequence = static_cast<long>(batches.size());
    });
    self = &commits;
    Write first;
    std::thread leader([&] { commits.submit(first); });
    ASSERT_TRUE(waitUntil([&] { return firstStarted.load(); }));
    std::vector<Write> later(5);
    std::vector<std::thread> followers;
    followers.reserve(later.size());
    for (auto& write : later)
        followers.emplace_back([&] {
            commits.submit(write);
            EXPECT_EQ(write.sequence, 2) << "answered before its commit";
        });
    leader.join();
    for (auto& follower : followers)
        follower.join();
    EXPECT_EQ(batches, (std::vector<std::size_t>{1, 5}));
    for (const auto& write : later)
        EXPECT_EQ(write.sequence, 2);
}

TEST(GroupCommitTest, AFailedCommitFailsItsWritesAndTheNextOneGoesOn) {
    int commitsRun = 0;
    GroupCommit<Write> commits([&](std::vector<Write*>& writes) {
        ++commitsRun;
        for (auto* write : writes)
            if (write->poisoned)
                throw std::runtime_error("disk full");
        for (auto* write : writes)
            write->sequence = commitsRun;
    });
    Write bad{true};
    EXPECT_THROW(commits.submit(bad), std::runtime_error);
    Write good;
    commits.submit(good);
    EXPECT_EQ(good.sequence, 2);
}

} // namespace
} // namespace scribeon::server

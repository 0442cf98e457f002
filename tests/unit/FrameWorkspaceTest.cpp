#include "platform/FrameWorkspace.h"
#include "tests/fakes/FakeSleeper.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

constexpr int ownPid = 100;
constexpr int editorPid = 200;
constexpr int viewerPid = 300;

AccessibleFrame frame(int pid, const char* name, bool active, bool focused = false) {
    AccessibleFrame result{pid, name};
    result.active = active;
    result.showing = true;
    result.hasFocusedDescendant = focused;
    return result;
}

// Wayland gives no window class: terminals are told apart by their role.
RunningApplication app(int pid, const char* name, bool isSelf = false) {
    return {pid, name, std::string(), isSelf};
}

// One active frame is found in the Wayland end-to-end run; here the doubtful
// cases.
TEST(FrameWorkspaceTest, ChoosesTheActiveFrameOfAnotherApplication) {
    AccessibleFrame minimised = frame(viewerPid, "viewer", true, true);
    minimised.iconified = true;
    AccessibleFrame unmapped = frame(viewerPid, "viewer", true, true);
    unmapped.showing = false;
    struct Row {
        const char* what;
        std::vector<AccessibleFrame> frames;
        std::optional<RunningApplication> expected;
    };
    const Row rows[] = {
        {"two claimants: the one holding the focus",
         {frame(viewerPid, "viewer", true), frame(editorPid, "editor", true, true)},
         app(editorPid, "editor")},
        {"two claimants, neither focused: the first",
         {frame(viewerPid, "viewer", true), frame(editorPid, "editor", true)},
         app(viewerPid, "viewer")},
        {"ours and another's: never ours",
         {frame(ownPid, "Scribeon", true, true), frame(editorPid, "editor", true)},
         app(editorPid, "editor")},
        {"only ours: reported as our own",
         {frame(ownPid, "Scribeon", true, true), frame(editorPid, "editor", false)},
         app(ownPid, "Scribeon", true)},
        {"iconified or unmapped frames do not count",
         {minimised, unmapped, frame(editorPid, "editor", false)},
         std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(frontmostOf(row.frames, ownPid), row.expected) << row.what;
}

// No client may raise another's window on Wayland: activation waits, in
// virtual time and bounded, for the compositor to hand the focus back.
TEST(FrameWorkspaceTest, ActivationWaitsForTheFrameAndGivesUpInTime) {
    FakeSleeper clock;
    int focusReturnsAfterPolls = 3;
    int polls = 0;
    FrameWorkspace workspace(
        [&] {
            const bool back = polls++ >= focusReturnsAfterPolls;
            return std::vector<AccessibleFrame>{frame(ownPid, "Scribeon", !back),
                                                frame(editorPid, "editor", back, back)};
        },
        ownPid, clock);

    EXPECT_TRUE(workspace.activate(editorPid));
    EXPECT_EQ(clock.sleeps.size(), 3U);

    polls = 0;
    clock.sleeps.clear();
    focusReturnsAfterPolls = 1000;
    EXPECT_FALSE(workspace.activate(editorPid));
    EXPECT_LE(clock.now, std::chrono::milliseconds(600));
    EXPECT_FALSE(workspace.activate(viewerPid)); // no such window at all
}

} // namespace
} // namespace scribeon

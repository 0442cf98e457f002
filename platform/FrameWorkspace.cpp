#include "platform/FrameWorkspace.h"

#include <algorithm>

namespace scribeon {

namespace {

using std::chrono::milliseconds;

// A compositor focuses the previous window within a frame or two of our
// panel unmapping; the toolkit's state reaches the bus a little later.
constexpr milliseconds activationPoll{20};
constexpr int activationPolls = 15;

bool inFront(const AccessibleFrame& frame) {
    return frame.active && frame.showing && !frame.iconified;
}

RunningApplication applicationOf(const AccessibleFrame& frame, bool isSelf) {
    return {frame.pid, frame.applicationName, std::string(), isSelf};
}

} // namespace

std::optional<RunningApplication> frontmostOf(const std::vector<AccessibleFrame>& frames,
                                              int ownPid) {
    const AccessibleFrame* chosen = nullptr;
    for (const AccessibleFrame& frame : frames) {
        if (!inFront(frame) || frame.pid == ownPid)
            continue;
        if (!chosen || (frame.hasFocusedDescendant && !chosen->hasFocusedDescendant))
            chosen = &frame;
    }
    if (chosen)
        return applicationOf(*chosen, false);
    const auto own = std::find_if(frames.begin(), frames.end(), [ownPid](const auto& frame) {
        return frame.pid == ownPid && inFront(frame);
    });
    if (own != frames.end())
        return applicationOf(*own, true);
    return std::nullopt;
}

FrameWorkspace::FrameWorkspace(FrameList frames, int ownPid, Sleeper& sleeper)
    : frames_(std::move(frames)), ownPid_(ownPid), sleeper_(sleeper) {}

std::optional<RunningApplication> FrameWorkspace::frontmostApplication() {
    return frontmostOf(frames_(), ownPid_);
}

bool FrameWorkspace::activate(int pid) {
    for (int poll = 0;; ++poll) {
        const std::optional<RunningApplication> front = frontmostApplication();
        if (front && front->pid == pid)
            return true;
        if (poll == activationPolls)
            return false;
        sleeper_.sleepFor(activationPoll);
    }
}

} // namespace scribeon

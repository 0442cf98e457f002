#pragma once

#include "platform/Sleeper.h"
#include "platform/Workspace.h"

#include <functional>
#include <string>
#include <vector>

namespace scribeon {

// A top-level window as the accessibility bus describes it.
struct AccessibleFrame {
    int pid = 0;
    std::string applicationName;
    bool active = false;
    bool showing = false;
    bool iconified = false;
    bool hasFocusedDescendant = false;
};

// Where the desktop tells no client which window is in front (Wayland), the
// frontmost application is the one whose frame the accessibility bus calls
// active. Toolkits update that state late and independently, so for a moment
// two frames may both claim it: the one holding the focused element wins,
// and this program's own frame only when no other claims it.
std::optional<RunningApplication> frontmostOf(const std::vector<AccessibleFrame>& frames,
                                              int ownPid);

// The workspace of a desktop that lets no client raise another's window:
// activation cannot be asked for, only waited for, bounded, as the
// compositor hands the focus back once our panel is gone.
class FrameWorkspace : public Workspace {
public:
    using FrameList = std::function<std::vector<AccessibleFrame>()>;

    FrameWorkspace(FrameList frames, int ownPid, Sleeper& sleeper);

    std::optional<RunningApplication> frontmostApplication() override;
    bool activate(int pid) override;

private:
    FrameList frames_;
    int ownPid_;
    Sleeper& sleeper_;
};

} // namespace scribeon

#pragma once

#include "platform/RunningApplication.h"

#include <optional>

namespace scribeon {

// The desktop's windows seen as applications: which one is in front, and
// bringing one to the front.
class Workspace {
public:
    virtual ~Workspace() = default;
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // Makes the application's top-level window the active one and waits,
    // bounded, until the desktop reports it so. False when it did not happen.
    virtual bool activate(int pid) = 0;
};

} // namespace scribeon

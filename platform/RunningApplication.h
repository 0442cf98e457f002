#pragma once

#include <string>

namespace scribeon {

// An application of the desktop, as the workspace reports it.
struct RunningApplication {
    int pid = 0;
    std::string name;
    bool operator==(const RunningApplication&) const = default;
};

} // namespace scribeon

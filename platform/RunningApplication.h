#pragma once

#include <string>

namespace scribeon {

// An application of the desktop, as the workspace reports it.
struct RunningApplication {
    int pid = 0;
    std::string name; // empty when the application has no name
    // The class part of the window's WM_CLASS, lower case ("xterm"); tells
    // terminals apart.
    std::string windowClass;
    // This program's own window (a panel of ours): never asked for its
    // selection nor sent keys, since this process is busy asking.
    bool isSelf = false;
    bool operator==(const RunningApplication&) const = default;
};

} // namespace scribeon

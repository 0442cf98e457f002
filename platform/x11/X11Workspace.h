#pragma once

#include "platform/Workspace.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The C libraries' own tag names: declared here so that their headers
// (and X11's macros) stay out of ours.
typedef struct _XDisplay Display; // NOLINT(bugprone-reserved-identifier)

namespace scribeon {

// The EWMH view of the desktop: the active window's _NET_WM_PID is the
// frontmost application; activating sends the window manager a
// _NET_ACTIVE_WINDOW request and waits, bounded, until it reports the window.
class X11Workspace : public Workspace {
public:
    using NameLookup = std::function<std::optional<std::string>(int pid)>;

    // Absent without an X display.
    static std::unique_ptr<X11Workspace> open(NameLookup nameOf = {});
    ~X11Workspace() override;
    X11Workspace(const X11Workspace&) = delete;
    X11Workspace& operator=(const X11Workspace&) = delete;

    std::optional<RunningApplication> frontmostApplication() override;
    bool activate(int pid) override;

    std::optional<unsigned long> activeWindow();

private:
    X11Workspace(Display* display, NameLookup nameOf);
    std::optional<int> pidOf(unsigned long window);
    std::string windowClassOf(unsigned long window);
    std::vector<unsigned long> windowList(unsigned long property);

    Display* display_;
    NameLookup nameOf_;
    unsigned long activeWindowAtom_;
    unsigned long pidAtom_;
    unsigned long stackingAtom_;
};

} // namespace scribeon

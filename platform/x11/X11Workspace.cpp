#include "platform/x11/X11Workspace.h"

#include "platform/x11/X11ErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace scribeon {

namespace {

using Clock = std::chrono::steady_clock;
// Long enough for openbox and xfwm4 to switch windows on a loaded machine,
// short enough that a refused activation does not stall the user.
constexpr std::chrono::milliseconds activationLimit{150};
constexpr std::chrono::milliseconds activationPoll{5};

std::optional<std::string> commandNameOf(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!std::getline(comm, name) || name.empty())
        return std::nullopt;
    return name;
}

} // namespace

std::unique_ptr<X11Workspace> X11Workspace::open(NameLookup nameOf) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::unique_ptr<X11Workspace>(new X11Workspace(display, std::move(nameOf)));
}

X11Workspace::X11Workspace(Display* display, NameLookup nameOf)
    : display_(display), nameOf_(std::move(nameOf)),
      activeWindowAtom_(XInternAtom(display, "_NET_ACTIVE_WINDOW", False)),
      pidAtom_(XInternAtom(display, "_NET_WM_PID", False)),
      stackingAtom_(XInternAtom(display, "_NET_CLIENT_LIST_STACKING", False)) {}

X11Workspace::~X11Workspace() {
    XCloseDisplay(display_);
}

std::vector<unsigned long> X11Workspace::windowList(unsigned long property) {
    std::vector<unsigned long> windows;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ScopedErrorTrap trap(display_);
    const int status = XGetWindowProperty(display_, DefaultRootWindow(display_), property, 0, 4096,
                                          False, XA_WINDOW, &type, &format, &count, &after, &data);
    if (trap.sync() == Success && status == Success && data && format == 32) {
        auto* ids = reinterpret_cast<unsigned long*>(data); // Xlib hands 32-bit items as longs
        windows.assign(ids, ids + count);
    }
    if (data)
        XFree(data);
    return windows;
}

std::optional<unsigned long> X11Workspace::activeWindow() {
    const std::vector<unsigned long> active = windowList(activeWindowAtom_);
    if (active.empty() || active.front() == None)
        return std::nullopt;
    return active.front();
}

std::optional<int> X11Workspace::pidOf(unsigned long window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ScopedErrorTrap trap(display_); // the window may be gone already
    const int status = XGetWindowProperty(display_, window, pidAtom_, 0, 1, False, XA_CARDINAL,
                                          &type, &format, &count, &after, &data);
    std::optional<int> pid;
    if (trap.sync() == Success && status == Success && data && format == 32 && count == 1) {
        const unsigned long value = *reinterpret_cast<unsigned long*>(data);
        if (value > 0 && value < 0x400000) // Linux pids stay below 2^22
            pid = static_cast<int>(value);
    }
    if (data)
        XFree(data);
    return pid;
}

std::string X11Workspace::windowClassOf(unsigned long window) {
    XClassHint hint{nullptr, nullptr};
    ScopedErrorTrap trap(display_);
    const Status status = XGetClassHint(display_, window, &hint);
    std::string windowClass;
    if (trap.sync() == Success && status && hint.res_class)
        windowClass = hint.res_class;
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    std::transform(windowClass.begin(), windowClass.end(), windowClass.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return windowClass;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    const std::optional<unsigned long> window = activeWindow();
    if (!window)
        return std::nullopt;
    const std::optional<int> pid = pidOf(*window);
    if (!pid)
        return std::nullopt;
    const bool self = *pid == ::getpid();
    // Asking our own process over AT-SPI would wait on the main thread that
    // is asking.
    std::optional<std::string> name = nameOf_ && !self ? nameOf_(*pid) : std::nullopt;
    if (!name)
        name = commandNameOf(*pid);
    return RunningApplication{*pid, name.value_or(""), windowClassOf(*window), self};
}

bool X11Workspace::activate(int pid) {
    if (const auto active = activeWindow(); active && pidOf(*active) == pid)
        return true;
    // The topmost of the application's windows is the one the user last had.
    const std::vector<unsigned long> stacking = windowList(stackingAtom_);
    const auto window = std::find_if(stacking.rbegin(), stacking.rend(),
                                     [&](unsigned long w) { return pidOf(w) == pid; });
    if (window == stacking.rend())
        return false;

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = *window;
    event.xclient.message_type = activeWindowAtom_;
    event.xclient.format = 32;
    event.xclient.data.l[0] =
        2; // from a pager: window managers honour it without focus-stealing rules
    event.xclient.data.l[1] = CurrentTime;
    {
        ScopedErrorTrap trap(display_);
        XSendEvent(display_, DefaultRootWindow(display_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        if (trap.sync() != Success)
            return false;
    }
    const auto deadline = Clock::now() + activationLimit;
    while (Clock::now() < deadline) {
        if (activeWindow() == *window)
            return true;
        std::this_thread::sleep_for(activationPoll);
    }
    return activeWindow() == *window;
}

} // namespace scribeon

#include "platform/x11/X11SelectionReader.h"

#include "platform/x11/X11ErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xfixes.h>

#include <chrono>
#include <poll.h>

namespace scribeon {

namespace {

using Clock = std::chrono::steady_clock;
constexpr long answerLimitMs = 1000;

long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

} // namespace

std::unique_ptr<X11SelectionReader> X11SelectionReader::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::unique_ptr<X11SelectionReader>(new X11SelectionReader(display));
}

X11SelectionReader::X11SelectionReader(Display* display) : display_(display) {
    window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, window_, PropertyChangeMask);
    int error = 0, major = 0, minor = 0;
    if (XFixesQueryExtension(display, &fixesEventBase_, &error) &&
        XFixesQueryVersion(display, &major, &minor))
        XFixesSelectSelectionInput(display, DefaultRootWindow(display),
                                   XInternAtom(display, "CLIPBOARD", False),
                                   XFixesSetSelectionOwnerNotifyMask);
    else
        fixesEventBase_ = -1;
}

X11SelectionReader::~X11SelectionReader() {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

unsigned long X11SelectionReader::owner(Selection selection) {
    const Atom atom =
        selection == Selection::clipboard ? XInternAtom(display_, "CLIPBOARD", False) : XA_PRIMARY;
    return XGetSelectionOwner(display_, atom);
}

// The time in a PropertyNotify is the server's idea of "now", which it brings
// up to date only on input and on a few requests; the property change alone
// can report a time from before the copy another client just made (seen on
// Xvfb: 300 ms behind). Setting the owner of a selection of our own makes the
// server read its clock first.
std::optional<unsigned long> X11SelectionReader::serverTime() {
    const Atom clock = XInternAtom(display_, "_SCRIBEON_CLOCK", False);
    XSetSelectionOwner(display_, clock, window_, CurrentTime);
    XChangeProperty(display_, window_, clock, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
    XFlush(display_);
    XEvent event;
    const auto start = Clock::now();
    do {
        if (!waitFor(PropertyNotify, answerLimitMs - msSince(start), &event))
            return std::nullopt;
    } while (event.xproperty.atom != clock);
    return event.xproperty.time;
}

std::optional<int> X11SelectionReader::ownerPid(Selection selection) {
    const Window window = owner(selection);
    int event = 0, error = 0;
    if (window == None || !XResQueryExtension(display_, &event, &error))
        return std::nullopt;
    XResClientIdSpec client{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    ScopedErrorTrap trap(display_); // the owner may be gone already
    const Status status = XResQueryClientIds(display_, 1, &client, &count, &ids);
    std::optional<int> pid;
    if (trap.sync() == Success && status == Success) {
        for (long i = 0; i < count; ++i)
            if (XResGetClientIdType(&ids[i]) == XRES_CLIENT_ID_PID && XResGetClientPid(&ids[i]) > 0)
                pid = XResGetClientPid(&ids[i]);
    }
    if (ids)
        XResClientIdsDestroy(count, ids);
    return pid;
}

std::optional<unsigned long> X11SelectionReader::clipboardOwnerChanges() {
    if (fixesEventBase_ < 0)
        return std::nullopt;
    // The round trip brings in every notification the server has sent so far.
    XSync(display_, False);
    XEvent event;
    while (XPending(display_) > 0) {
        XNextEvent(display_, &event);
        note(&event);
    }
    return clipboardOwnerChanges_;
}

// A clear leaves CLIPBOARD without an owner; only a new owner is a copy.
void X11SelectionReader::note(const void* event) {
    const auto* any = static_cast<const XEvent*>(event);
    if (fixesEventBase_ < 0 || any->type != fixesEventBase_ + XFixesSelectionNotify)
        return;
    if (static_cast<const XFixesSelectionNotifyEvent*>(event)->owner != None)
        ++clipboardOwnerChanges_;
}

// Waits up to `remainingMs` for an event of the type on our window; false
// on time-out.
bool X11SelectionReader::waitFor(int type, long remainingMs, void* out) {
    auto* event = static_cast<XEvent*>(out);
    const auto start = Clock::now();
    for (;;) {
        while (XPending(display_) > 0) {
            XNextEvent(display_, event);
            note(event);
            if (event->type == type && event->xany.window == window_)
                return true;
        }
        const long left = remainingMs - msSince(start);
        if (left <= 0)
            return false;
        pollfd watch{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&watch, 1, static_cast<int>(left));
    }
}

std::optional<std::string> X11SelectionReader::text(Selection selection) {
    const Atom atom =
        selection == Selection::clipboard ? XInternAtom(display_, "CLIPBOARD", False) : XA_PRIMARY;
    if (XGetSelectionOwner(display_, atom) == None)
        return std::nullopt;
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    const Atom incr = XInternAtom(display_, "INCR", False);
    const Atom property = XInternAtom(display_, "SCRIBEON_SELECTION", False);
    XDeleteProperty(display_, window_, property);
    XConvertSelection(display_, atom, utf8, property, window_, CurrentTime);
    XFlush(display_);

    const auto start = Clock::now();
    XEvent event;
    if (!waitFor(SelectionNotify, answerLimitMs, &event) || event.xselection.property == None)
        return std::nullopt;

    std::string text;
    bool incremental = false;
    for (;;) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window_, property, 0, 0x1000000, True, AnyPropertyType,
                               &type, &format, &count, &after, &data) != Success)
            return std::nullopt;
        const bool isIncr = type == incr;
        if (data && !isIncr && format == 8)
            text.append(reinterpret_cast<const char*>(data), count);
        if (data)
            XFree(data);
        if (isIncr) {
            incremental = true; // large texts come in chunks, each announced by a property change
        } else if (!incremental || count == 0) {
            break;
        } else if (type != utf8 && type != XA_STRING) {
            return std::nullopt;
        }
        do {
            if (!waitFor(PropertyNotify, answerLimitMs - msSince(start), &event))
                return std::nullopt;
        } while (event.xproperty.atom != property || event.xproperty.state != PropertyNewValue);
    }
    return text;
}

} // namespace scribeon

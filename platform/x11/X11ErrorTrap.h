#pragma once

#include <X11/Xlib.h>

namespace scribeon {

// Xlib reports request errors through one process-wide handler, later and
// asynchronously. While a trap is set, errors of its connection are caught
// here (the requests are followed by XSync); others go to whoever handled them.
class ScopedErrorTrap {
public:
    explicit ScopedErrorTrap(Display* display) {
        watched_ = display;
        errorCode_ = Success;
        previous_ = XSetErrorHandler(&ScopedErrorTrap::handle);
    }
    ~ScopedErrorTrap() {
        XSetErrorHandler(previous_);
        watched_ = nullptr;
    }
    ScopedErrorTrap(const ScopedErrorTrap&) = delete;
    ScopedErrorTrap& operator=(const ScopedErrorTrap&) = delete;

    int sync() {
        XSync(watched_, False);
        return errorCode_;
    }

private:
    static int handle(Display* display, XErrorEvent* event) {
        if (display == watched_) {
            if (errorCode_ == Success)
                errorCode_ = event->error_code;
            return 0;
        }
        return previous_ ? previous_(display, event) : 0;
    }

    static inline Display* watched_ = nullptr;
    static inline int errorCode_ = Success;
    static inline XErrorHandler previous_ = nullptr;
};

} // namespace scribeon

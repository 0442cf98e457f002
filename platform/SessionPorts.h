#pragma once

#include "platform/DesktopSession.h"

namespace scribeon {

// Which adapter serves each desktop-facing port in a session. The program
// asks once at start-up; a port whose adapter cannot open falls back to its
// Unavailable stand-in.
struct SessionPorts {
    // On Wayland the desktop's shortcuts portal, where the desktop offers it.
    enum class Hotkey { x11Grab, portal, none };
    enum class Windows { x11, accessibleFrames };
    enum class Keys { xtest, virtualKeyboard, none };
    enum class Clipboard { qt, dataControl };

    Hotkey hotkey = Hotkey::none;
    Windows windows = Windows::x11;
    Keys keys = Keys::none;
    Clipboard clipboard = Clipboard::qt;

    bool operator==(const SessionPorts&) const = default;

    // `keyboardTools`: the compositor's virtual keyboard and background
    // clipboard can be reached (wlroots only).
    static SessionPorts choose(const DesktopSession& session, bool keyboardTools);
};

} // namespace scribeon

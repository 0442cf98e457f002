#pragma once

#include "platform/DesktopSession.h"

namespace scribeon {

// On X11 the keystroke fallbacks need XTest besides the accessibility bus. A
// Wayland session never has XTest (under XWayland it reaches only X
// clients), so there the bus alone decides: waiting for XTest would keep the
// program untrusted for good.
inline bool trustedIn(const DesktopSession& session, bool accessibilityBusOn, bool hasXTest) {
    return accessibilityBusOn && (session.isWayland() || hasXTest);
}

// Whether this process may read and write other applications' text and post
// synthetic keystrokes, and a way to ask the desktop for it.
class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;
    virtual bool isTrusted() = 0;
    virtual void prompt() = 0;
};

} // namespace scribeon

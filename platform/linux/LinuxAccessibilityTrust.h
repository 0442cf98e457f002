#pragma once

#include "platform/AccessibilityTrust.h"

#include <utility>

namespace scribeon {

// Trusted = the AT-SPI bus reports accessibility enabled and, in an X11
// session, the X server has the XTest extension (for synthetic keystrokes).
// Without a session bus, or in an X11 session without a display, the process
// counts as not trusted.
class LinuxAccessibilityTrust : public AccessibilityTrust {
public:
    explicit LinuxAccessibilityTrust(DesktopSession session) : session_(std::move(session)) {}

    bool isTrusted() override;
    void prompt() override;

private:
    bool hasXTest();
    DesktopSession session_;
    bool xtestFound_ = false;
};

} // namespace scribeon

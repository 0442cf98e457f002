#pragma once

#include "platform/AccessibilityTrust.h"

namespace scribeon {

// Trusted = the AT-SPI bus reports accessibility enabled and the X server
// has the XTest extension (for synthetic keystrokes). Without a session bus
// or an X display the process counts as not trusted.
class LinuxAccessibilityTrust : public AccessibilityTrust {
public:
    bool isTrusted() override;
    void prompt() override;

private:
    bool hasXTest();
    bool xtestFound_ = false;
};

} // namespace scribeon

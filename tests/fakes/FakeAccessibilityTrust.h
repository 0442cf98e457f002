#pragma once

#include "platform/AccessibilityTrust.h"

namespace scribeon {

class FakeAccessibilityTrust : public AccessibilityTrust {
public:
    bool trusted = false;
    int promptCount = 0;

    bool isTrusted() override { return trusted; }
    void prompt() override { ++promptCount; }
};

} // namespace scribeon

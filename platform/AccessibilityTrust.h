#pragma once

namespace scribeon {

// Whether this process may read and write other applications' text and post
// synthetic keystrokes, and a way to ask the desktop for it.
class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;
    virtual bool isTrusted() = 0;
    virtual void prompt() = 0;
};

} // namespace scribeon

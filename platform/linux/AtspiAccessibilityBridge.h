#pragma once

#include "platform/AccessibilityBridge.h"
#include "platform/FrameWorkspace.h"

#include <memory>
#include <vector>

// The C libraries' own tag names: declared here so that their headers
// (and X11's macros) stay out of ours.
typedef struct _AtspiAccessible AtspiAccessible;       // NOLINT(bugprone-reserved-identifier)
typedef struct _AtspiEvent AtspiEvent;                 // NOLINT(bugprone-reserved-identifier)
typedef struct _AtspiEventListener AtspiEventListener; // NOLINT(bugprone-reserved-identifier)

namespace scribeon {

// Other applications' text through AT-SPI (libatspi). libatspi is not
// thread-safe and its calls block, so every call is made from the main thread
// with short time-outs, and processes that are stopped or zombies are not
// asked at all. The focused element comes from focus events, kept up to date
// by the main loop, with a bounded tree search when no event has told it.
class AtspiAccessibilityBridge : public AccessibilityBridge {
public:
    AtspiAccessibilityBridge();
    ~AtspiAccessibilityBridge() override;
    AtspiAccessibilityBridge(const AtspiAccessibilityBridge&) = delete;
    AtspiAccessibilityBridge& operator=(const AtspiAccessibilityBridge&) = delete;

    FocusedElement focusedElement(int pid) override;
    // The name the application gives itself on the accessibility bus.
    std::optional<std::string> applicationName(int pid);
    // Every application's top-level windows with their states, except this
    // process's own: asking ourselves would wait on the very thread that
    // has to answer.
    std::vector<AccessibleFrame> frames(int ownPid);

private:
    bool ready();
    AtspiAccessible* applicationOf(int pid);
    static void onFocusChanged(AtspiEvent* event, void* self);

    bool initialised_ = false;
    AtspiEventListener* listener_ = nullptr;
    AtspiAccessible* lastFocused_ = nullptr;
};

} // namespace scribeon

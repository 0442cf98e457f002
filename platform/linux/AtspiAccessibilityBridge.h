#pragma once

#include "platform/AccessibilityBridge.h"
#include "platform/FrameWorkspace.h"

#include <memory>
#include <string>
#include <unordered_map>
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
    int lastFocusedPid();
    static void onFocusChanged(AtspiEvent* event, void* self);

    // Names by process, each with the process's start time so that a
    // number used again by a new process is asked again: the walk over the
    // bus's applications that finds a name costs a dozen round trips, on
    // the way from the shortcut to the chooser.
    struct KnownName {
        unsigned long long started = 0;
        std::string name;
    };
    std::unordered_map<int, KnownName> names_;
    bool initialised_ = false;
    AtspiEventListener* listener_ = nullptr;
    AtspiAccessible* lastFocused_ = nullptr;
    int lastFocusedPid_ = 0; // 0: not asked yet since the focus moved
};

} // namespace scribeon

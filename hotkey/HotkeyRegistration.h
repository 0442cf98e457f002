#pragma once

#include <functional>

namespace scribeon {

// The global shortcut as the launch sequence uses it. `onTrigger` runs on the
// main queue, once per press.
class HotkeyRegistration {
public:
    virtual ~HotkeyRegistration() = default;
    virtual void registerHotkey(std::function<void()> onTrigger) = 0;
    // Whether the stored shortcut is in force afterwards.
    virtual bool reregister() = 0;
    // Unregisters and forgets the trigger callback.
    virtual void release() = 0;
};

} // namespace scribeon

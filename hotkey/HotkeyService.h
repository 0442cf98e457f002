#pragma once

#include "base/Property.h"
#include "hotkey/HotkeyRegistration.h"
#include "platform/GlobalHotkey.h"
#include "platform/HotkeyPair.h"
#include "platform/MainQueue.h"
#include "platform/Preferences.h"

#include <functional>
#include <optional>
#include <thread>

namespace scribeon {

// Registers the stored shortcut and calls back on the main thread, once per
// press. Create it on the main thread.
class HotkeyService final : public HotkeyRegistration {
public:
    using FailureObserver = std::function<void(HotkeyPair)>;

    HotkeyService(GlobalHotkey& hotkey, Preferences& preferences, MainQueue& queue);
    ~HotkeyService() override;

    void registerHotkey(std::function<void()> onTrigger) override;
    bool reregister() override;
    void release() override;

    // What a press does: the trigger callback on the main thread, before
    // this returns. Also the way in for presses that arrive another way.
    void handlePress();

    // Told once per refused shortcut, so the user learns why it does nothing;
    // a refusal of the same pair again is not told twice in a row.
    void setOnRegistrationFailed(FailureObserver observer) { onFailed_ = std::move(observer); }

    Property<bool> isRegistered{false};

private:
    void runTrigger();

    GlobalHotkey& hotkey_;
    Preferences& preferences_;
    MainQueue& queue_;
    std::thread::id mainThread_;
    std::optional<GlobalHotkey::Handle> hotKeyRef_;
    std::function<void()> onHotkey_;
    FailureObserver onFailed_;
    std::optional<HotkeyPair> lastToldFailure_;
};

} // namespace scribeon

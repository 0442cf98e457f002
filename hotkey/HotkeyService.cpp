#include "hotkey/HotkeyService.h"

#include "hotkey/AppConfig.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace scribeon {

HotkeyService::HotkeyService(GlobalHotkey& hotkey, Preferences& preferences, MainQueue& queue)
    : hotkey_(hotkey), preferences_(preferences), queue_(queue),
      mainThread_(std::this_thread::get_id()) {}

HotkeyService::~HotkeyService() {
    release();
    hotkey_.installPressHandler({});
}

void HotkeyService::registerHotkey(std::function<void()> onTrigger) {
    onHotkey_ = std::move(onTrigger);
    if (!AppConfig::Hotkey::isStored(preferences_))
        AppConfig::Hotkey::save(preferences_, HotkeyPair{}.keyCode, HotkeyPair{}.modifiers);
    hotkey_.installPressHandler([this] { handlePress(); });
    const HotkeyPair pair = AppConfig::Hotkey::read(preferences_);
    if (auto handle = hotkey_.registerHotkey(pair)) {
        hotKeyRef_ = *handle;
        lastToldFailure_.reset();
    } else if (lastToldFailure_ != pair) {
        lastToldFailure_ = pair;
        if (onFailed_)
            onFailed_(pair);
    }
    isRegistered.set(hotKeyRef_.has_value());
}

bool HotkeyService::reregister() {
    auto callback = onHotkey_;
    if (hotKeyRef_) {
        hotkey_.unregisterHotkey(*hotKeyRef_);
        hotKeyRef_.reset();
    }
    onHotkey_ = nullptr;
    if (!callback) {
        isRegistered.set(false);
        return false;
    }
    registerHotkey(std::move(callback));
    return hotKeyRef_.has_value();
}

void HotkeyService::release() {
    if (hotKeyRef_) {
        hotkey_.unregisterHotkey(*hotKeyRef_);
        hotKeyRef_.reset();
    }
    onHotkey_ = nullptr;
    isRegistered.set(false);
}

void HotkeyService::handlePress() {
    if (std::this_thread::get_id() == mainThread_) {
        runTrigger();
        return;
    }
    struct Done {
        std::mutex mutex;
        std::condition_variable changed;
        bool finished = false;
    };
    auto done = std::make_shared<Done>();
    queue_.post([this, done] {
        runTrigger();
        std::lock_guard lock(done->mutex);
        done->finished = true;
        done->changed.notify_all();
    });
    std::unique_lock lock(done->mutex);
    done->changed.wait(lock, [&] { return done->finished; });
}

void HotkeyService::runTrigger() {
    // A copy: the callback may re-register, which replaces onHotkey_.
    if (auto callback = onHotkey_)
        callback();
}

} // namespace scribeon

#pragma once

#include "platform/GlobalHotkey.h"

#include <algorithm>
#include <map>
#include <vector>

namespace scribeon {

class FakeGlobalHotkey : public GlobalHotkey {
public:
    void installPressHandler(std::function<void()> handler) override {
        handler_ = std::move(handler);
    }
    std::optional<Handle> registerHotkey(HotkeyPair pair) override {
        registrationAttempts.push_back(pair);
        if (std::find(refused.begin(), refused.end(), pair) != refused.end())
            return std::nullopt;
        const Handle handle = nextHandle_++;
        active[handle] = pair;
        return handle;
    }
    void unregisterHotkey(Handle handle) override { active.erase(handle); }
    bool isAvailable() const override { return true; }

    // A press of `pair` reaches the handler only while it is registered.
    void press(HotkeyPair pair = {}) {
        const bool registered = std::any_of(
            active.begin(), active.end(), [&](const auto& entry) { return entry.second == pair; });
        if (registered && handler_)
            handler_();
    }

    std::vector<HotkeyPair> refused;
    std::vector<HotkeyPair> registrationAttempts;
    std::map<Handle, HotkeyPair> active;

private:
    std::function<void()> handler_;
    Handle nextHandle_ = 1;
};

} // namespace scribeon

#pragma once

#include "platform/GlobalHotkey.h"

namespace scribeon {

// Where the session allows no global key grab: every registration is refused.
class UnavailableGlobalHotkey final : public GlobalHotkey {
public:
    void installPressHandler(std::function<void()>) override {}
    std::optional<Handle> registerHotkey(HotkeyPair) override { return std::nullopt; }
    void unregisterHotkey(Handle) override {}
    bool isAvailable() const override { return false; }
};

} // namespace scribeon

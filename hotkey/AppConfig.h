#pragma once

#include "platform/HotkeyPair.h"
#include "platform/Preferences.h"

#include <cstdint>

namespace scribeon::AppConfig {

// Where the global shortcut is kept, and the one rule by which every reader
// reads it: absent → default, modifiers below 1 → default, a value outside
// 32 bits → absent.
struct Hotkey {
    static constexpr const char* keyCodeKey = "hotkeyKeyCode";
    static constexpr const char* modifiersKey = "hotkeyModifiers";

    static HotkeyPair read(Preferences& preferences);
    static bool isStored(Preferences& preferences);
    // Writes the key code, then the modifiers; each write is synced.
    static void save(Preferences& preferences, std::uint32_t keyCode, std::uint32_t modifiers);
};

} // namespace scribeon::AppConfig

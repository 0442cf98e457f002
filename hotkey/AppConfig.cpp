#include "hotkey/AppConfig.h"

#include <limits>

namespace scribeon::AppConfig {

namespace {

std::optional<std::uint32_t> readUnsigned32(Preferences& preferences, const char* key) {
    const auto value = preferences.integer(key);
    if (!value || *value < 0 || *value > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

} // namespace

HotkeyPair Hotkey::read(Preferences& preferences) {
    HotkeyPair pair;
    if (const auto keyCode = readUnsigned32(preferences, keyCodeKey))
        pair.keyCode = *keyCode;
    if (const auto modifiers = readUnsigned32(preferences, modifiersKey);
        modifiers && *modifiers >= 1)
        pair.modifiers = *modifiers;
    return pair;
}

bool Hotkey::isStored(Preferences& preferences) {
    return preferences.integer(keyCodeKey).has_value();
}

void Hotkey::save(Preferences& preferences, std::uint32_t keyCode, std::uint32_t modifiers) {
    preferences.setInteger(keyCodeKey, keyCode);
    preferences.setInteger(modifiersKey, modifiers);
}

} // namespace scribeon::AppConfig

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scribeon {

// Shortcuts in words, as the Linux desktop shows them: "Super+Shift+I".

// The recorder's rendering, with its key-name table (letters, Return, Tab,
// Space, Delete, Escape; every other code is "Key(n)").
std::string formatHotkey(std::uint32_t keyCode, std::uint32_t modifiers);

// The menu's rendering, whose table holds only the 26 letters.
std::string formatMenuHotkey(std::uint32_t keyCode, std::uint32_t modifiers);

// The recorder's name of a key ("I", "Return"); absent for a key it shows
// as "Key(n)".
std::optional<std::string_view> hotkeyKeyName(std::uint32_t keyCode);

} // namespace scribeon

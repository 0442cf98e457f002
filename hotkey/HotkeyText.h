#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scribeon {

// Symbols: "⌘ ⇧ I". Words, as the Linux desktop shows shortcuts:
// "Super+Shift+I".
enum class HotkeyStyle { symbols, words };

// The recorder's rendering, with its key-name table (letters, Return, Tab,
// Space, Delete, Escape; every other code is "Key(n)").
std::string formatHotkey(std::uint32_t keyCode, std::uint32_t modifiers,
                         HotkeyStyle style = HotkeyStyle::words);

// The menu's rendering, whose table holds only the 26 letters.
std::string formatMenuHotkey(std::uint32_t keyCode, std::uint32_t modifiers,
                             HotkeyStyle style = HotkeyStyle::words);

// The recorder's name of a key ("I", "Return"); absent for a key it shows
// as "Key(n)".
std::optional<std::string_view> hotkeyKeyName(std::uint32_t keyCode);

// Key-event modifier flags (Shift bit 17, Control 18, Option 19, Command 20)
// to the stored Carbon mask; every other flag counts for nothing.
std::uint32_t carbonModifiersFromEventFlags(std::uint64_t flags);

} // namespace scribeon

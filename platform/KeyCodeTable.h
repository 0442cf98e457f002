#pragma once

#include <cstdint>
#include <optional>

namespace scribeon {

// The stored virtual key codes name keys by position on an ANSI keyboard.
// Linux names the same positions with evdev codes (an X keycode is the evdev
// code + 8). Keys outside the table cannot be a shortcut on Linux.
namespace KeyCodeTable {

std::optional<std::uint32_t> evdevFromVirtualKey(std::uint32_t virtualKeyCode);
std::optional<std::uint32_t> virtualKeyFromEvdev(std::uint32_t evdevCode);

inline constexpr std::uint32_t xKeycodeOffset = 8;

} // namespace KeyCodeTable

} // namespace scribeon

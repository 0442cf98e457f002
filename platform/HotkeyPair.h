#pragma once

#include <cstdint>

namespace scribeon {

// Bits of the stored modifier mask. The numbers are the persisted format and
// stay the same on every platform.
namespace CarbonModifier {
inline constexpr std::uint32_t command = 0x100;
inline constexpr std::uint32_t shift = 0x200;
inline constexpr std::uint32_t option = 0x800;
inline constexpr std::uint32_t control = 0x1000;
} // namespace CarbonModifier

// A global shortcut: a positional virtual key code and a modifier mask.
struct HotkeyPair {
    std::uint32_t keyCode = 34;
    std::uint32_t modifiers = CarbonModifier::command | CarbonModifier::shift;

    bool isDefault() const { return *this == HotkeyPair{}; }
    friend bool operator==(const HotkeyPair&, const HotkeyPair&) = default;
};

} // namespace scribeon

#pragma once

#include <Qt>

#include <cstdint>
#include <optional>

namespace scribeon {

// A Qt key press as the stored shortcut names it: the Carbon modifier mask
// (Super, which Qt reports as Meta, is Command) and the key's position from
// the native scan code, which on X11 is the X keycode.
std::uint32_t carbonModifiers(Qt::KeyboardModifiers modifiers);
std::optional<std::uint32_t> virtualKeyCodeFromScanCode(std::uint32_t nativeScanCode);

} // namespace scribeon

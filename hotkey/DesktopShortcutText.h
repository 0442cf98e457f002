#pragma once

#include "platform/HotkeyPair.h"

#include <optional>
#include <string>

namespace scribeon {

// The stored shortcut in the syntax each desktop's own configuration reads.
// Absent for a key that has no name there (one the recorder shows as
// "Key(n)"): a guessed name would bind nothing, or the wrong key.
namespace DesktopShortcutText {

// The command a desktop's key binding runs.
inline constexpr const char* triggerCommand = "scribeon --trigger";

// The shortcuts portal's preferred trigger: "LOGO+SHIFT+i".
std::optional<std::string> portalTrigger(HotkeyPair pair);
// sway's bindsym keys: "Mod4+Shift+i".
std::optional<std::string> swayKeys(HotkeyPair pair);
// The whole line for the sway configuration:
// "bindsym Mod4+Shift+i exec scribeon --trigger".
std::optional<std::string> swayBindingLine(HotkeyPair pair);
// A GTK accelerator, as GNOME's keyboard settings store it: "<Super><Shift>i".
std::optional<std::string> gnomeAccelerator(HotkeyPair pair);

} // namespace DesktopShortcutText

} // namespace scribeon

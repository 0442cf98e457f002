#pragma once

#include "platform/HotkeyPair.h"

#include <string>
#include <string_view>

namespace scribeon {

// User-visible wording that names desktop things, as a Linux user knows them.
namespace KeyText {

inline constexpr std::string_view editingModifier = "Ctrl";

inline constexpr std::string_view accessibilityAlertTitle = "Accessibility Permission Required";
inline constexpr std::string_view enableAccessibilityButton = "Enable Accessibility";
inline constexpr std::string_view laterButton = "Later";

// Six lines joined by line feeds, no final line feed. Names the default
// shortcut whatever is stored.
std::string accessibilityAlertText();
// A Wayland desktop binds the shortcut itself and gives no keystroke fallback
// for the bus to unlock: only what accessibility does there is named.
std::string waylandAccessibilityAlertText();

inline constexpr std::string_view notificationTitle = "Scribeon";

// Told when the desktop refuses to register the shortcut.
std::string shortcutTakenMessage(HotkeyPair pair);
// The same, under the shortcut recorder in Settings.
std::string shortcutTakenInSettingsMessage(HotkeyPair pair);
inline constexpr std::string_view noGlobalShortcutInSettings =
    "This session allows no global shortcut. Bind a shortcut in your desktop's keyboard "
    "settings to the command \"scribeon --trigger\".";

// Printed when this session allows no global key grab: no X server, or a
// Wayland session, where a grab through XWayland sees only X clients' keys.
inline constexpr std::string_view noGlobalShortcutHint =
    "scribeon: this session allows no global shortcut for Scribeon; bind a shortcut in your "
    "desktop's keyboard settings to the command \"scribeon --trigger\"";

// The floating panels.
inline constexpr std::string_view copyBadge = "C";
inline constexpr std::string_view replaceBadge = "\u21A9"; // ↩
inline constexpr std::string_view resultNote =
    "Replace copies to clipboard. Press Ctrl+V if auto-replace fails.";
inline constexpr std::string_view copyHintMessage =
    "Text copied to clipboard.\nPress Ctrl+V to paste it anywhere.";
inline constexpr std::string_view replaceHintMessage =
    "Text saved to clipboard.\nPress Ctrl+V if replace didn't work.";
inline constexpr std::string_view pasteByHandHintMessage =
    "Text copied to clipboard.\nPress Ctrl+V to paste.";

} // namespace KeyText

} // namespace scribeon

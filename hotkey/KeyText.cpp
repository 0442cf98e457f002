#include "hotkey/KeyText.h"

#include "hotkey/HotkeyText.h"

namespace scribeon::KeyText {

std::string accessibilityAlertText() {
    return "Scribeon needs Accessibility access to:\n"
           "• Capture selected text from any app\n"
           "• Replace text after processing\n"
           "• Register global hotkey (Super+Shift+I)\n"
           "\n"
           "Please turn on accessibility support (assistive technologies) for your desktop "
           "session.";
}

std::string waylandAccessibilityAlertText() {
    return "Scribeon needs Accessibility access to:\n"
           "• Capture selected text from any app\n"
           "• Replace text after processing\n"
           "\n"
           "Press Enable Accessibility to turn on accessibility support (assistive "
           "technologies) for your desktop session.";
}

std::string shortcutTakenMessage(HotkeyPair pair) {
    return "The shortcut " + formatHotkey(pair.keyCode, pair.modifiers) +
           " is used by another application. Choose another in Settings.";
}

std::string shortcutTakenInSettingsMessage(HotkeyPair pair) {
    return "The shortcut " + formatHotkey(pair.keyCode, pair.modifiers) +
           " is used by another application. Record another.";
}

} // namespace scribeon::KeyText

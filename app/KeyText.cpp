#include "app/KeyText.h"

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

} // namespace scribeon::KeyText

#include "platform/SessionPorts.h"

namespace scribeon {

SessionPorts SessionPorts::choose(const DesktopSession& session, bool keyboardTools) {
    if (!session.isWayland())
        return {Hotkey::x11Grab, Windows::x11, Keys::xtest, Clipboard::qt};
    // An X grab through XWayland sees only keys typed into X clients, and no
    // Wayland compositor tells a client which window is in front: the
    // desktop binds the shortcut (through its portal, or the user binds
    // `scribeon --trigger`), the accessibility bus names the window.
    SessionPorts ports{Hotkey::portal, Windows::accessibleFrames, Keys::none, Clipboard::qt};
    // A paste needs the clipboard set from the background as well as a key:
    // where either is missing no key is posted at all, and the text reaches
    // the clipboard from the focused result panel instead.
    if (session.isWlroots() && keyboardTools) {
        ports.keys = Keys::virtualKeyboard;
        ports.clipboard = Clipboard::dataControl;
    }
    return ports;
}

} // namespace scribeon

#pragma once

#include "platform/Clipboard.h"
#include "platform/DesktopSession.h"
#include "platform/KeySynth.h"
#include "platform/SessionPorts.h"
#include "platform/Sleeper.h"
#include "platform/Workspace.h"
#include "platform/linux/AtspiAccessibilityBridge.h"
#include "platform/qt/QtClipboard.h"

#include <memory>

namespace scribeon {

// The adapters that face the desktop, chosen once for the session the
// program runs in (SessionPorts::choose), each falling back to its
// Unavailable stand-in when its adapter cannot open. Needs the Qt
// application object (the clipboard).
class DesktopPorts {
public:
    DesktopPorts(DesktopSession session, AtspiAccessibilityBridge& bridge, Sleeper& sleeper);

    const DesktopSession& session() const { return session_; }
    // Which global shortcut the session allows; the program opens it, since
    // the portal's needs (the main queue, the log) are its own.
    SessionPorts::Hotkey hotkeyKind() const { return hotkeyKind_; }
    Workspace& workspace() { return *workspace_; }
    KeySynth& keys() { return *keys_; }
    Clipboard& clipboard();
    // The X server's time for a trigger that came without an X event.
    QtClipboard& qtClipboard() { return qtClipboard_; }

private:
    DesktopSession session_;
    QtClipboard qtClipboard_;
    std::unique_ptr<Clipboard> dataControlClipboard_;
    SessionPorts::Hotkey hotkeyKind_ = SessionPorts::Hotkey::none;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<KeySynth> keys_;
};

} // namespace scribeon

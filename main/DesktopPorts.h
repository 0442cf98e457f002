#pragma once

#include "platform/Clipboard.h"
#include "platform/DesktopSession.h"
#include "platform/GlobalHotkey.h"
#include "platform/KeySynth.h"
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
    GlobalHotkey& hotkey() { return *hotkey_; }
    Workspace& workspace() { return *workspace_; }
    KeySynth& keys() { return *keys_; }
    Clipboard& clipboard();
    // The X server's time for a trigger that came without an X event.
    QtClipboard& qtClipboard() { return qtClipboard_; }

private:
    DesktopSession session_;
    QtClipboard qtClipboard_;
    std::unique_ptr<Clipboard> dataControlClipboard_;
    std::unique_ptr<GlobalHotkey> hotkey_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<KeySynth> keys_;
};

} // namespace scribeon

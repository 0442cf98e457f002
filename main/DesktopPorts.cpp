#include "main/DesktopPorts.h"

#include "platform/FrameWorkspace.h"
#include "platform/SessionPorts.h"
#include "platform/UnavailableDesktop.h"
#include "platform/wayland/WlClipboard.h"
#include "platform/wayland/WtypeKeySynth.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeySynth.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace scribeon {

namespace {

// Our own windows are left out of the bus walk (see frames()); whether one
// of them has the keyboard Qt knows without asking.
std::vector<AccessibleFrame> framesWithOurs(AtspiAccessibilityBridge& bridge, int ownPid) {
    std::vector<AccessibleFrame> frames = bridge.frames(ownPid);
    AccessibleFrame ours{ownPid, "Scribeon"};
    ours.active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    ours.showing = ours.active;
    ours.hasFocusedDescendant = ours.active;
    frames.push_back(ours);
    return frames;
}

std::unique_ptr<Workspace> openWorkspace(SessionPorts::Windows kind,
                                         AtspiAccessibilityBridge& bridge, Sleeper& sleeper) {
    if (kind == SessionPorts::Windows::accessibleFrames) {
        const int ownPid = static_cast<int>(QCoreApplication::applicationPid());
        return std::make_unique<FrameWorkspace>(
            [&bridge, ownPid] { return framesWithOurs(bridge, ownPid); }, ownPid, sleeper);
    }
    if (auto x11 = X11Workspace::open([&bridge](int pid) { return bridge.applicationName(pid); }))
        return x11;
    return std::make_unique<UnavailableWorkspace>();
}

std::unique_ptr<KeySynth> openKeySynth(SessionPorts::Keys kind) {
    if (kind == SessionPorts::Keys::xtest)
        if (auto xtest = XTestKeySynth::open())
            return xtest;
    if (kind == SessionPorts::Keys::virtualKeyboard)
        if (auto wtype = WtypeKeySynth::open())
            return wtype;
    return std::make_unique<UnavailableKeySynth>();
}

bool keyboardToolsInstalled() {
    return WtypeKeySynth::open() && WlClipboard::open();
}

} // namespace

DesktopPorts::DesktopPorts(DesktopSession session, AtspiAccessibilityBridge& bridge,
                           Sleeper& sleeper)
    : session_(std::move(session)) {
    const SessionPorts ports =
        SessionPorts::choose(session_, session_.isWayland() && keyboardToolsInstalled());
    if (ports.clipboard == SessionPorts::Clipboard::dataControl)
        dataControlClipboard_ = WlClipboard::open();
    hotkeyKind_ = ports.hotkey;
    workspace_ = openWorkspace(ports.windows, bridge, sleeper);
    keys_ = openKeySynth(ports.keys);
}

Clipboard& DesktopPorts::clipboard() {
    if (dataControlClipboard_)
        return *dataControlClipboard_;
    return qtClipboard_;
}

} // namespace scribeon

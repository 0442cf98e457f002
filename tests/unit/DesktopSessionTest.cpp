#include "platform/DesktopSession.h"
#include "platform/AccessibilityTrust.h"
#include "platform/SessionPorts.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using Kind = DesktopSession::Kind;

TEST(DesktopSessionTest, RecognisesTheSessionFromItsVariables) {
    struct Row {
        const char* waylandDisplay;
        const char* sessionType;
        const char* currentDesktop;
        Kind kind;
        bool wlroots, kde, gnome;
    };
    const Row rows[] = {
        {"", "x11", "XFCE", Kind::x11, false, false, false},
        {"", "", "", Kind::x11, false, false, false},
        {"wayland-0", "", "sway", Kind::wayland, true, false, false},
        // A session started without logind still has its socket.
        {"wayland-1", "tty", "Hyprland", Kind::wayland, true, false, false},
        // Qt forced onto XWayland keeps the session a Wayland one.
        {"", "wayland", "KDE", Kind::wayland, false, true, false},
        {"", "Wayland", "ubuntu:GNOME", Kind::wayland, false, false, true},
        // A name that merely contains another is not that desktop.
        {"wayland-0", "wayland", "GNOME-Flashback:sway-like", Kind::wayland, false, false, false},
    };
    for (const Row& row : rows) {
        const DesktopSession session =
            DesktopSession::recognise(row.waylandDisplay, row.sessionType, row.currentDesktop);
        SCOPED_TRACE(std::string(row.waylandDisplay) + "|" + row.sessionType + "|" +
                     row.currentDesktop);
        EXPECT_EQ(session.kind, row.kind);
        EXPECT_EQ(session.wlroots, row.wlroots);
        EXPECT_EQ(session.kde, row.kde);
        EXPECT_EQ(session.gnome, row.gnome);
        EXPECT_EQ(session.desktop, row.currentDesktop);
    }
}

TEST(DesktopSessionTest, TrustOnWaylandNeedsOnlyTheAccessibilityBus) {
    const DesktopSession x11 = DesktopSession::recognise("", "x11", "XFCE");
    const DesktopSession wayland = DesktopSession::recognise("wayland-0", "wayland", "KDE");
    struct Row {
        const DesktopSession& session;
        bool busOn, xtest, trusted;
    };
    const Row rows[] = {
        {x11, true, true, true},      {x11, true, false, false},      {x11, false, true, false},
        {wayland, true, false, true}, {wayland, false, false, false}, {wayland, false, true, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(trustedIn(row.session, row.busOn, row.xtest), row.trusted)
            << row.session.isWayland() << row.busOn << row.xtest;
}

TEST(DesktopSessionTest, ChoosesThePortsForTheSession) {
    using P = SessionPorts;
    struct Row {
        const char* waylandDisplay;
        const char* currentDesktop;
        bool keyboardTools;
        SessionPorts expected;
    };
    const P x11{P::Hotkey::x11Grab, P::Windows::x11, P::Keys::xtest, P::Clipboard::qt};
    const P waylandCopyOnly{P::Hotkey::none, P::Windows::accessibleFrames, P::Keys::none,
                            P::Clipboard::qt};
    const P wlrootsPaste{P::Hotkey::none, P::Windows::accessibleFrames, P::Keys::virtualKeyboard,
                         P::Clipboard::dataControl};
    const Row rows[] = {
        {"", "XFCE", false, x11},
        {"", "XFCE", true, x11},
        {"wayland-0", "sway", true, wlrootsPaste},
        // Without the tools a wlroots desktop is like any other: no keys.
        {"wayland-0", "sway", false, waylandCopyOnly},
        // KDE and GNOME let no background client post keys.
        {"wayland-0", "KDE", true, waylandCopyOnly},
        {"wayland-0", "GNOME", true, waylandCopyOnly},
    };
    for (const Row& row : rows) {
        const P chosen =
            P::choose(DesktopSession::recognise(row.waylandDisplay, "", row.currentDesktop),
                      row.keyboardTools);
        EXPECT_EQ(chosen, row.expected)
            << row.waylandDisplay << "|" << row.currentDesktop << "|" << row.keyboardTools;
    }
}

} // namespace
} // namespace scribeon

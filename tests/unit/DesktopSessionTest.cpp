#include "platform/DesktopSession.h"
#include "platform/AccessibilityTrust.h"
#include "platform/SessionPorts.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using Kind = DesktopSession::Kind;

TEST(DesktopSessionTest, KindAndFamilyFromTheSessionsVariables) {
    using Family = DesktopSession::Family;
    struct Row {
        const char *type, *waylandDisplay, *desktop;
        Kind kind;
        Family family;
    };
    const Row rows[] = {
        {"wayland", nullptr, "KDE", Kind::wayland, Family::kde},
        {"x11", nullptr, "KDE", Kind::x11, Family::kde},
        {"x11", "wayland-0", "sway", Kind::wayland, Family::sway},
        {nullptr, "", "GNOME", Kind::x11, Family::gnome},
        // Qt forced onto XWayland keeps the session a Wayland one.
        {"Wayland", nullptr, "ubuntu:GNOME", Kind::wayland, Family::gnome},
        // A session started without logind still has its socket.
        {"tty", "wayland-1", "Hyprland", Kind::wayland, Family::wlroots},
        {"wayland", nullptr, nullptr, Kind::wayland, Family::other},
        // A name that merely contains another is not that desktop.
        {"wayland", "wayland-0", "GNOME-Flashback:sway-like", Kind::wayland, Family::other},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.desktop ? row.desktop : "(unset)");
        const DesktopSession session =
            DesktopSession::from(row.type, row.waylandDisplay, row.desktop);
        EXPECT_EQ(session.kind, row.kind);
        EXPECT_EQ(session.family(), row.family);
    }
}

TEST(DesktopSessionTest, TrustOnWaylandNeedsOnlyTheAccessibilityBus) {
    const DesktopSession x11 = DesktopSession::from("x11", "", "XFCE");
    const DesktopSession wayland = DesktopSession::from("wayland", "wayland-0", "KDE");
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

// X11 and sway with the keyboard tools run end to end; here the Wayland
// sessions where no background client may post keys.
TEST(DesktopSessionTest, WithoutKeyboardToolsOrOnKdeTheWaylandPortsCopyOnly) {
    using P = SessionPorts;
    const P copyOnly{P::Hotkey::portal, P::Windows::accessibleFrames, P::Keys::none,
                     P::Clipboard::qt};
    for (const auto& [desktop, keyboardTools] : {std::pair{"sway", false}, std::pair{"KDE", true}})
        EXPECT_EQ(P::choose(DesktopSession::from("", "wayland-0", desktop), keyboardTools),
                  copyOnly)
            << desktop;
}

} // namespace
} // namespace scribeon

#include "platform/DesktopSession.h"
#include "platform/AccessibilityTrust.h"
#include "platform/FrameWorkspace.h"
#include "platform/SessionPorts.h"
#include "tests/fakes/FakeSleeper.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using Kind = DesktopSession::Kind;

TEST(DesktopSessionTest, KindAndFamilyFromTheSessionsVariables) {
    using Family = DesktopSession::Family;
    const std::tuple<const char*, const char*, const char*, Kind, Family> rows[] = {
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
    for (const auto& [type, waylandDisplay, desktop, kind, family] : rows) {
        const DesktopSession session = DesktopSession::from(type, waylandDisplay, desktop);
        EXPECT_EQ(std::pair(session.kind, session.family()), std::pair(kind, family))
            << (desktop ? desktop : "(unset)");
    }
}

TEST(DesktopSessionTest, TrustOnWaylandNeedsOnlyTheAccessibilityBus) {
    const DesktopSession x11 = DesktopSession::from("x11", "", "XFCE");
    const DesktopSession wayland = DesktopSession::from("wayland", "wayland-0", "KDE");
    const std::tuple<const DesktopSession&, bool, bool, bool> rows[] = {
        {x11, true, true, true},      {x11, true, false, false},      {x11, false, true, false},
        {wayland, true, false, true}, {wayland, false, false, false}, {wayland, false, true, false},
    };
    for (const auto& [session, busOn, xtest, trusted] : rows)
        EXPECT_EQ(trustedIn(session, busOn, xtest), trusted)
            << session.isWayland() << busOn << xtest;
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

constexpr int ownPid = 100;
constexpr int editorPid = 200;
constexpr int viewerPid = 300;

const char* nameOf(int pid) {
    return pid == ownPid ? "Scribeon" : pid == editorPid ? "editor" : "viewer";
}
AccessibleFrame frame(int pid, bool active, bool focused = false) {
    return {pid, nameOf(pid), active, true, false, focused};
}
// Wayland gives no window class: terminals are told apart by their role.
RunningApplication app(int pid) {
    return {pid, nameOf(pid), std::string(), pid == ownPid};
}

// One active frame is found in the Wayland end-to-end run; here the doubtful
// cases.
TEST(FrameWorkspaceTest, ChoosesTheActiveFrameOfAnotherApplication) {
    const AccessibleFrame minimised{viewerPid, "viewer", true, true, true, true};
    const AccessibleFrame unmapped{viewerPid, "viewer", true, false, false, true};
    using Frames = std::vector<AccessibleFrame>;
    const std::tuple<const char*, Frames, std::optional<RunningApplication>> rows[] = {
        {"focus wins", {frame(viewerPid, true), frame(editorPid, true, true)}, app(editorPid)},
        {"else the first", {frame(viewerPid, true), frame(editorPid, true)}, app(viewerPid)},
        {"never ours", {frame(ownPid, true, true), frame(editorPid, true)}, app(editorPid)},
        {"ours if alone", {frame(ownPid, true, true), frame(editorPid, false)}, app(ownPid)},
        {"iconified or unmapped", {minimised, unmapped, frame(editorPid, false)}, std::nullopt},
    };
    for (const auto& [what, frames, expected] : rows)
        EXPECT_EQ(frontmostOf(frames, ownPid), expected) << what;
}

// No client may raise another's window on Wayland: activation waits, in
// virtual time and bounded, for the compositor to hand the focus back.
TEST(FrameWorkspaceTest, ActivationWaitsForTheFrameAndGivesUpInTime) {
    FakeSleeper clock;
    int focusReturnsAfterPolls = 3;
    int polls = 0;
    FrameWorkspace workspace(
        [&] {
            const bool back = polls++ >= focusReturnsAfterPolls;
            return std::vector<AccessibleFrame>{frame(ownPid, !back), frame(editorPid, back, back)};
        },
        ownPid, clock);
    EXPECT_TRUE(workspace.activate(editorPid));
    EXPECT_EQ(clock.sleeps.size(), 3U);
    polls = 0;
    clock.sleeps.clear();
    focusReturnsAfterPolls = 1000;
    EXPECT_FALSE(workspace.activate(editorPid));
    EXPECT_LE(clock.now, std::chrono::milliseconds(600));
    EXPECT_FALSE(workspace.activate(viewerPid)); // no such window at all
}

} // namespace
} // namespace scribeon

#!/usr/bin/env bash
# The shortcut through the desktop's shortcuts portal, with a stand-in portal
# on the session bus: in a Wayland session Scribeon registers its shortcut
# at start-up in the session request (as Plasma 5.27 needs), is not asked to
# bind it again, and a press the portal reports runs the pipeline (signed
# out: the sign-in window). A portal without global shortcuts is said in the
# log. Qt draws on Xvfb, as it would on Xwayland; only the session type says
# Wayland.
source "$(dirname "$0")/desktop.sh"
scribeon=$1
fake_portal="$(dirname "$0")/../integration/fake_global_shortcuts_portal.py"
start_desktop
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE SCRIBEON_LOG=stderr

portal_served() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Desktop |
        grep -q "boolean true"
}
portal() {
    gdbus call --session --dest org.freedesktop.portal.Desktop \
        --object-path /org/freedesktop/portal/desktop --method "app.scribeon.test.FakePortal.$1" "${@:2}"
}
logged() { grep -qF -- "$1" "$e2e_tmp/app.log"; }
login_shown() { xdotool search --onlyvisible --pid "$scribeon_pid" --name '^Scribeon — Sign In$'; }

start_bg "$fake_portal" plasma527
fake_pid=${e2e_pids[-1]}
wait_for 20 "the stand-in portal" portal_served
start_scribeon "$scribeon"
wait_for 30 "the shortcut bound through the portal" logged "shortcut portal: bound to Meta+Shift+I"
calls=$(portal Calls)
[[ "$calls" == *"CreateSession token=scribeon shortcuts=trigger preferred=LOGO+SHIFT+i"* ]] ||
    fail "the session request did not carry the shortcut: $calls"
[[ "$calls" != *BindShortcuts* ]] || fail "BindShortcuts was called on Plasma 5.27: $calls"
logged "on Wayland the shortcut works only while an X11" && fail "the X11 grab was used"

portal Activate 1 0 >/dev/null
wait_for 20 "the sign-in window after the portal's press" login_shown
[[ $(grep -cF "shortcut portal: pressed" "$e2e_tmp/app.log") -eq 1 ]] || fail "not one press logged"

wait_for 30 "the SIGTERM handler" catches_sigterm "$scribeon_pid"
kill -TERM "$scribeon_pid"
expect_exit "$scribeon_pid" 0
kill -TERM "$fake_pid"
wait_for 20 "the stand-in portal to go" sh -c '! dbus-send --session --print-reply \
    --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.portal.Desktop | grep -q "boolean true"'

start_bg "$fake_portal" noshortcuts
wait_for 20 "the stand-in portal without shortcuts" portal_served
start_scribeon "$scribeon"
wait_for 30 "the fallback in the log" \
    logged "shortcut portal: unavailable (the desktop portal offers no global shortcuts)"
echo "PASS"

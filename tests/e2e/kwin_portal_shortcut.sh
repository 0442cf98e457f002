#!/usr/bin/env bash
# KWin (virtual output) with the real xdg-desktop-portal and its KDE backend:
# Scribeon binds its shortcut through the portal at start-up, KWin's
# kglobalaccel holds it under the component named after our session token,
# and both the keys pressed through KWin's fake input (kwin-fake-key, the
# second argument) and invoking it in kglobalaccel reach Scribeon as
# Activated presses.
#
# KWin refuses to run as root in spirit and its packaged binary carries a
# file capability this container may not grant, so the session runs as an
# unprivileged user, with a copy of the binary (still named kwin_wayland, or
# its own Qt platform plugin refuses to load).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scribeon=$1
fake_key=$2

if [[ "${3:-}" != --inside ]]; then
    user=scribeon-ci
    # The sway lane may be adding the same user at this moment: try again.
    for _ in 1 2 3 4 5; do
        id "$user" >/dev/null 2>&1 && break
        useradd -m "$user" 2>/dev/null || sleep 1
    done
    work=$(mktemp -d /tmp/scribeon-kwin.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/home" "$work/bin" && mkdir -m 700 "$work/run"
    cp /usr/bin/kwin_wayland "$work/bin/kwin_wayland"
    chown -R "$user" "$work"
    # KWin's Xwayland refuses an X socket directory without the sticky bit.
    install -d -m 1777 /tmp/.X11-unix
    status=0
    runuser -u "$user" -- env -i HOME="$work/home" USER="$user" PATH="$work/bin:$PATH" \
        XDG_RUNTIME_DIR="$work/run" timeout 120 dbus-run-session -- \
        bash "$here/kwin_portal_shortcut.sh" "$scribeon" "$fake_key" --inside || status=$?
    exit $status
fi

source "$here/desktop.sh"
export KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true \
    KDE_SESSION_VERSION=5 XDG_SESSION_TYPE=wayland
start_bg kwin_wayland --virtual --socket scribeon-kw --width 1280 --height 800 --no-lockscreen \
    >"$e2e_tmp/kwin.log" 2>&1
wait_for 30 "KWin's socket" test -S "$XDG_RUNTIME_DIR/scribeon-kw"
export WAYLAND_DISPLAY=scribeon-kw
# Before anything starts the portal: its KDE backend needs the display.
dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE \
    KDE_FULL_SESSION KDE_SESSION_VERSION QT_QPA_PLATFORM=wayland

logged() { grep -qF -- "$1" "$e2e_tmp/app.log"; }
components() {
    gdbus call --session --dest org.kde.kglobalaccel --object-path /kglobalaccel \
        --method org.kde.KGlobalAccel.allComponents
}
# Scribeon's own windows do not matter here: the portal needs no display of ours.
SCRIBEON_LOG=stderr QT_QPA_PLATFORM=offscreen start_scribeon "$scribeon"
wait_for 60 "the shortcut bound through the portal" logged "shortcut portal: bound to"
logged "shortcut portal: bound to Meta+Shift+I" || fail "bound to other keys"
components | grep -q "/component/scribeon" || fail "no kglobalaccel component: $(components)"
presses() { grep -cF "shortcut portal: pressed" "$e2e_tmp/app.log" || true; }
# Meta+Shift+I as a keyboard gives it (evdev codes), through KWin's input
# stack and kglobalaccel to the portal.
"$fake_key" +125 +42 +23 s100 -23 -42 -125 || fail "kwin-fake-key"
wait_for 20 "the press of Meta+Shift+I" logged "shortcut portal: pressed"
# kglobalaccel's own way in; asked again until it lands outside the window
# in which a repeated activation is dropped.
invoked_twice() {
    gdbus call --session --dest org.kde.kglobalaccel --object-path /component/scribeon \
        --method org.kde.kglobalaccel.Component.invokeShortcut trigger >/dev/null
    (($(presses) >= 2))
}
wait_for 20 "the shortcut invoked in kglobalaccel" invoked_twice
echo "PASS"

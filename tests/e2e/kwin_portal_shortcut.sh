#!/usr/bin/env bash
# KWin (virtual output) with the real xdg-desktop-portal and its KDE backend:
# Scribeon binds its shortcut through the portal at start-up, KWin's
# kglobalaccel holds it under the component named after our session token,
# and both the keys pressed through KWin's fake input (kwin-fake-key, the
# second argument) and invoking it in kglobalaccel reach Scribeon as
# Activated presses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scribeon=$1
fake_key=$2
source "$here/kwin_session.sh"
[[ "${3:-}" == --inside ]] || as_kwin_user "$here/kwin_portal_shortcut.sh" "$scribeon" "$fake_key"

source "$here/desktop.sh"
start_kwin

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

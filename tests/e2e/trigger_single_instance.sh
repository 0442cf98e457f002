#!/usr/bin/env bash
# One Scribeon per session: `scribeon --trigger` runs the running instance's
# shortcut pipeline (signed out, it opens the sign-in window), a plain `scribeon`
# hands over and exits, a second session's instance finds the shortcut taken
# and says so, and a socket left by a killed instance is replaced.
source "$(dirname "$0")/desktop.sh"
scribeon=$1
start_desktop
notes="$e2e_tmp/notifications"
touch "$notes"
start_bg "$(dirname "$0")/fake_notification_daemon.py" "$notes"
wait_for 20 "the notification service" dbus-send --session --print-reply \
    --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
    org.freedesktop.Notifications.GetCapabilities

socket="$XDG_RUNTIME_DIR/scribeon.socket"
notified() { grep -cF -- "$1" "$notes" || true; }
notified_times() { [[ $(notified "$1") -eq $2 ]]; }
login="Scribeon — Sign In"
# The sign-in window of that process is on screen.
login_shown() { xdotool search --onlyvisible --pid "$1" --name "^$login\$"; }
# Alt+F4, as a user closes it; again if a busy window manager missed it.
close_login() {
    local window deadline=$((SECONDS + 20))
    while window=$(xdotool search --onlyvisible --pid "$1" --name "^$login\$" | head -1) && [[ -n "$window" ]]; do
        ((SECONDS < deadline)) || fail "the sign-in window does not close"
        xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 || true
        sleep 1
    done
}
taken='The shortcut Super+Shift+I is used by another application. Choose another in Settings.'

start_scribeon "$scribeon"
first=$scribeon_pid
wait_for 30 "the instance socket" test -S "$socket"
wait_for 30 "the SIGTERM handler" catches_sigterm "$first"

"$scribeon" --trigger || fail "--trigger exited $?"
wait_for 20 "the sign-in window" login_shown "$first"
[[ $(notified Sign) -eq 0 ]] || fail "a notification instead of the window"

# Without --trigger a second start hands over and exits; the first goes on.
timeout 20 "$scribeon" || fail "a second scribeon exited $?"
kill -0 "$first" || fail "the running instance is gone"

# Another session's instance (own runtime directory) finds the shortcut held.
mkdir -m 700 "$e2e_tmp/other-run"
start_bg env XDG_RUNTIME_DIR="$e2e_tmp/other-run" "$scribeon" >>"$e2e_tmp/app.log" 2>&1
wait_for 30 "the shortcut-taken notification" notified_times "$taken" 1
kill -TERM "${e2e_pids[-1]}"

# A killed instance leaves its socket; --trigger then starts a new instance,
# which replaces the socket and runs the pipeline once.
kill -KILL "$first"
wait "$first" 2>/dev/null || true
test -S "$socket" || fail "the killed instance left no socket behind"
start_bg "$scribeon" --trigger >>"$e2e_tmp/app.log" 2>&1
second=${e2e_pids[-1]}
wait_for 30 "the new instance's sign-in window" login_shown "$second"
close_login "$second"
"$scribeon" --trigger || fail "--trigger to the new instance exited $?"
wait_for 20 "the sign-in window again" login_shown "$second"
[[ $(notified "$taken") -eq 1 ]] || fail "the shortcut was told taken again"
kill -TERM "$second"
expect_exit "$second" 0
echo "PASS"

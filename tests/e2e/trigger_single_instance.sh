#!/usr/bin/env bash
# One Scribeon per session: `scribeon --trigger` runs the running instance's
# shortcut pipeline (signed out, it says how to sign in), a plain `scribeon`
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
sign_in_first='Sign in to Scribeon first: run "scribeon --sign-in EMAIL" in a terminal.'
taken='The shortcut Super+Shift+I is used by another application. Choose another in Settings.'

start_scribeon "$scribeon"
first=$scribeon_pid
wait_for 30 "the instance socket" test -S "$socket"
wait_for 30 "the SIGTERM handler" catches_sigterm "$first"

"$scribeon" --trigger || fail "--trigger exited $?"
wait_for 20 "the sign-in notification" notified_times "$sign_in_first" 1

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
wait_for 30 "the new instance's notification" notified_times "$sign_in_first" 2
"$scribeon" --trigger || fail "--trigger to the new instance exited $?"
wait_for 20 "the third sign-in notification" notified_times "$sign_in_first" 3
[[ $(notified "$taken") -eq 1 ]] || fail "the shortcut was told taken again"
kill -TERM "$second"
expect_exit "$second" 0
echo "PASS"

#!/usr/bin/env bash
# The real program starts under Qt's offscreen platform (no X server, no
# session bus: not trusted, so the permission alert is up; it says that
# --trigger cannot reach it) and quits cleanly on SIGTERM and on SIGINT.
# Without any X server (a Wayland session without Xwayland) it says how to
# bind the shortcut and still takes --trigger over the session bus.
source "$(dirname "$0")/desktop.sh"
scribeon=$1
fresh_home
export QT_QPA_PLATFORM=offscreen

for signal in TERM INT; do
    start_scribeon "$scribeon"
    wait_for 30 "scribeon to install its signal handlers" catches_sigterm "$scribeon_pid"
    kill -"$signal" "$scribeon_pid"
    expect_exit "$scribeon_pid" 0
done
grep -q '^scribeon: no session bus; scribeon --trigger will not reach this instance' "$e2e_tmp/app.log" ||
    fail "no word about the missing session bus"

eval "$(dbus-launch --sh-syntax)"

export XDG_SESSION_TYPE=wayland
start_scribeon "$scribeon"
wait_for 30 "scribeon to own its bus name" on_bus
# Where a desktop portal is installed, the hint follows its refusal, later.
wait_for 30 "the hint about --trigger" grep -q \
    'bind a shortcut in your desktop.s keyboard settings to the command "scribeon --trigger"' \
    "$e2e_tmp/app.log"
"$scribeon" --trigger || fail "--trigger exited $?"
kill -TERM "$scribeon_pid"
expect_exit "$scribeon_pid" 0
echo "PASS"

#!/usr/bin/env bash
# The real program starts under Qt's offscreen platform (no X server, no
# session bus: not trusted, so the permission alert is up) and quits cleanly
# on SIGTERM and on SIGINT. Without any X server (a Wayland session without
# Xwayland) it says how to bind the shortcut and still takes --trigger.
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

export XDG_SESSION_TYPE=wayland
start_scribeon "$scribeon"
wait_for 30 "scribeon to listen for other instances" test -S "$XDG_RUNTIME_DIR/scribeon.socket"
grep -q 'bind a shortcut in your desktop.s keyboard settings to the command "scribeon --trigger"' \
    "$e2e_tmp/app.log" || fail "no hint about --trigger"
"$scribeon" --trigger || fail "--trigger exited $?"
kill -TERM "$scribeon_pid"
expect_exit "$scribeon_pid" 0
echo "PASS"

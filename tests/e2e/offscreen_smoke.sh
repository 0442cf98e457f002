#!/usr/bin/env bash
# The real program starts under Qt's offscreen platform (no X server, no
# session bus: not trusted, so the permission alert is up) and quits cleanly
# on SIGTERM and on SIGINT.
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
echo "PASS"

#!/usr/bin/env bash
# Under a real X server with a tray host, the tray icon is embedded; the
# program then quits cleanly.
source "$(dirname "$0")/desktop.sh"
scribeon=$1
start_desktop
start_tray
start_scribeon "$scribeon"
wait_for 30 "the tray icon to be embedded in the tray" tray_icon_embedded
wait_for 30 "the permission alert (accessibility is off)" alert_window
kill -TERM "$scribeon_pid"
expect_exit "$scribeon_pid" 0
echo "PASS"

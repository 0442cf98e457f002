#!/usr/bin/env bash
# The permission alert on a desktop whose accessibility bus is off:
# "Later" leaves it off and the program runs on; "Enable Accessibility"
# (the default button) turns it on.
source "$(dirname "$0")/desktop.sh"
scribeon=$1
start_desktop
/usr/libexec/at-spi-bus-launcher --launch-immediately &
e2e_pids+=($!)
wait_for 20 "the accessibility bus" dbus-send --session --print-reply --dest=org.a11y.Bus \
    /org/a11y/bus org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:IsEnabled
a11y_enabled && fail "accessibility should start off"

answer() {
    local key=$1 window
    start_scribeon "$scribeon"
    wait_for 30 "the permission alert" alert_window
    window=$(alert_window | head -n1)
    xdotool windowactivate --sync "$window"
    xdotool key "$key"
    wait_for 20 "the alert to close" sh -c "! xdotool search --onlyvisible --name '^Accessibility Permission Required$'"
}

answer Escape
kill -0 "$scribeon_pid" || fail "scribeon exited after Later"
a11y_enabled && fail "Later must not turn accessibility on"
kill -TERM "$scribeon_pid"
expect_exit "$scribeon_pid" 0

answer Return
wait_for 20 "accessibility to be turned on" a11y_enabled
kill -TERM "$scribeon_pid"
expect_exit "$scribeon_pid" 0
echo "PASS"

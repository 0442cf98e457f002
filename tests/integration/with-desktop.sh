#!/usr/bin/env bash
# Runs a command on a private headless desktop: fresh HOME, Xvfb, openbox, a
# session bus with the accessibility bus on it. All of it is stopped after.
set -euo pipefail
source "$(dirname "$0")/../e2e/desktop.sh"
start_desktop
start_bg /usr/libexec/at-spi-bus-launcher --launch-immediately
wait_for 20 "the accessibility bus" dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress
status=0
"$@" || status=$?
exit $status

#!/usr/bin/env bash
# Runs a command on a private session bus of its own, in a temporary HOME
# with its own XDG directories, removed afterwards.
set -euo pipefail
here=$(dirname "$0")
unset DISPLAY WAYLAND_DISPLAY
exec "$here/with-fresh-home.sh" dbus-run-session -- "$@"

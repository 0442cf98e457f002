#!/usr/bin/env bash
# Runs a command inside a private session bus with a fresh, unlocked
# gnome-keyring, in a temporary HOME that is removed afterwards.
set -euo pipefail
tmp=$(mktemp -d /tmp/scribeon-keyring.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" XDG_DATA_HOME="$tmp/home/.local/share"
mkdir -p "$HOME" "$XDG_DATA_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
exec dbus-run-session -- bash -c '
    # Its daemon must not keep our output open, or the caller waits for it.
    echo "" | gnome-keyring-daemon --unlock --components=secrets >/dev/null 2>&1
    status=0
    "$@" || status=$?
    exit $status' keyring "$@"

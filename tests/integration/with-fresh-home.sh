#!/usr/bin/env bash
# Runs a command in a temporary HOME with its own XDG directories, removed
# afterwards, so that no test reads or writes the developer's settings.
set -euo pipefail
tmp=$(mktemp -d /tmp/scribeon-home.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_DATA_HOME="$tmp/home/.local/share" \
    XDG_CACHE_HOME="$tmp/home/.cache" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
status=0
"$@" || status=$?
exit $status

#!/usr/bin/env bash
# Runs a command against a private Xvfb (no window manager), in a temporary
# HOME; both are gone afterwards.
set -euo pipefail
tmp=$(mktemp -d /tmp/scribeon-xvfb.XXXXXX)
xvfb=
trap '[[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
exec 3>"$tmp/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>"$tmp/xvfb.log" &
xvfb=$!
exec 3>&-
deadline=$((SECONDS + 20))
until [[ -s "$tmp/display" ]]; do
    ((SECONDS < deadline)) || { cat "$tmp/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$tmp/display")"
status=0
"$(dirname "$0")/with-fresh-home.sh" "$@" || status=$?
exit $status

#!/usr/bin/env bash
# Memory of scribeon (RSS, PSS, anonymous) once the sign-in window, the tray
# panel, the chooser, the result panel and the update dialog have been shown
# and closed (the account end-to-end run, then a pause), next to a bare Qt 6
# tray program measured on the same desktop in the same run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon scribeon-server scribeon-test-editor scribeon-bare-tray
SCRIBEON_FOOTPRINT="$root/build/bench/scribeon-bare-tray" exec "$root/tests/e2e/account_flow.sh" "$root/build/main/scribeon" \
    "$root/build/server/scribeon-server" "$root/build/tests/scribeon-test-editor"

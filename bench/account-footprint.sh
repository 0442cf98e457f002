#!/usr/bin/env bash
# Memory of scribeon (RSS, PSS, anonymous) once the sign-in window, the tray
# panel, the chooser, the result panel and the update dialog have been shown
# and closed: the account end-to-end run, then a pause.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon scribeon-server scribeon-test-editor
SCRIBEON_FOOTPRINT=1 exec "$root/tests/e2e/account_flow.sh" "$root/build/main/scribeon" \
    "$root/build/server/scribeon-server" "$root/build/tests/scribeon-test-editor"

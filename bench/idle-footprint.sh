#!/usr/bin/env bash
# CPU time, wake-ups (context switches) and resident memory of scribeon over
# 60 s of idling, after the chooser, the result panel and a hint have been
# shown once (the main-flow end-to-end run, then a pause).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon scribeon-server scribeon-test-editor
SCRIBEON_IDLE_SECONDS=${1:-60} exec "$root/tests/e2e/main_flow.sh" "$root/build/main/scribeon" \
    "$root/build/server/scribeon-server" "$root/build/tests/scribeon-test-editor"

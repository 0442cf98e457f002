#!/usr/bin/env bash
# Capture latency through AT-SPI on the Qt test editor, 100 runs each for a
# 1 KB and a 1 MB document, on a private desktop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon_capture_bench scribeon-test-editor
exec "$root/tests/integration/with-desktop.sh" "$root/build/bench/scribeon_capture_bench" "$@"

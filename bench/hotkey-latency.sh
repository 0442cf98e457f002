#!/usr/bin/env bash
# Latency from an X key event to the shortcut callback, 100 presses, on a
# private Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon_hotkey_bench
exec "$root/tests/integration/with-xvfb.sh" "$root/build/bench/scribeon_hotkey_bench" "$@"

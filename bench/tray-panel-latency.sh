#!/usr/bin/env bash
# From a tray click to the panel's first paint with a loaded account, 50
# openings, on a private desktop with a window manager.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon_tray_panel_bench
exec "$root/tests/integration/with-desktop.sh" "$root/build/bench/scribeon_tray_panel_bench" "$@"

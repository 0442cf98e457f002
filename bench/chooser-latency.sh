#!/usr/bin/env bash
# From the shortcut's X key event to the chooser's first paint (cached list,
# AT-SPI capture of a selection in the Qt test editor), 50 presses, on a
# private desktop with a window manager.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon_chooser_bench scribeon-test-editor
exec "$root/tests/integration/with-desktop.sh" "$root/build/bench/scribeon_chooser_bench" "$@"

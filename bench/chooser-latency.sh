#!/usr/bin/env bash
# From the shortcut key's release to the chooser's first paint (cached list),
# through AT-SPI and through Ctrl+C, in the Qt test editor and mousepad, 50
# presses each, on a private desktop with a window manager.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon_chooser_bench scribeon-test-editor
exec "$root/tests/integration/with-desktop.sh" "$root/build/bench/scribeon_chooser_bench" "$@"

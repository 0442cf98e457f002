#!/usr/bin/env bash
# From a streamed piece written by the service to that piece painted in the
# open result panel, 200 pieces, on a private desktop with a window manager.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon_stream_paint_bench
exec "$root/tests/integration/with-desktop.sh" "$root/build/bench/scribeon_stream_paint_bench" "$@"

#!/usr/bin/env bash
# Loads a private scribeon-server on loopback with wrk: GET /commands and a
# built-in transform, 2 threads, 64 connections, 15 s each (SCRIBEON_BENCH_SECONDS).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
server=${1:-$root/build/server/scribeon-server}
seconds=${SCRIBEON_BENCH_SECONDS:-15}
tmp=$(mktemp -d /tmp/scribeon-bench.XXXXXX)
export SCRIBEON_BENCH_DIR=$root/bench
source "$root/bench/server-bench-lib.sh"
trap 'bench_stop_servers; rm -rf "$tmp"' EXIT

bench_prepare_database "$tmp/server.db" 1
bench_start_server "$tmp/server.db"
port=$bench_port
base="http://127.0.0.1:$port/api/v1"
bench_sign_in "$port" 1
echo "cores: $(nproc)"
echo "== GET /commands"
wrk -t2 -c64 -d"${seconds}s" --latency -s "$root/bench/wrk-commands.lua" "$base/commands"
echo "== POST /commands/fix-sentences/process"
wrk -t2 -c64 -d"${seconds}s" --latency -s "$root/bench/wrk-process.lua" "$base/commands/fix-sentences/process"

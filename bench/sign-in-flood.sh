#!/usr/bin/env bash
# What sign-in floods cost a private scribeon-server on loopback: 20 s
# (SCRIBEON_BENCH_SECONDS) of wrong passwords for one account, of made-up
# e-mails, and of the right password from 24 connections, each against a
# fresh server. Prints the peak resident memory (VmHWM) after each flood and
# the latency of a built-in process request measured alongside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
server=${1:-$root/build/server/scribeon-server}
seconds=${SCRIBEON_BENCH_SECONDS:-20}
tmp=$(mktemp -d /tmp/scribeon-bench.XXXXXX)
export SCRIBEON_BENCH_DIR=$root/bench
source "$root/bench/server-bench-lib.sh"
trap 'bench_stop_servers; rm -rf "$tmp"' EXIT

start_server() {
    rm -f "$tmp"/server.db*
    bench_prepare_database "$tmp/server.db" 1
    bench_start_server "$tmp/server.db"
    port=$bench_port
    pid=${bench_pids[-1]}
    base="http://127.0.0.1:$port/api/v1"
    bench_sign_in "$port" 1
}
stop_server() { bench_stop_servers; }

peak_memory() { sed -n 's/^VmHWM:\s*//p' "/proc/$pid/status"; }

flood() { # name, connections, then the environment for wrk-sign-in.lua
    local name=$1 connections=$2
    shift 2
    start_server
    echo "== $name: $connections connections, ${seconds}s; peak before: $(peak_memory)"
    env "$@" wrk -t2 -c"$connections" -d"${seconds}s" -s "$root/bench/wrk-sign-in.lua" \
        "$base/auth/sign-in" >"$tmp/flood" &
    local flood_pid=$!
    wrk -t1 -c4 -d"$((seconds - 2))s" --latency -s "$root/bench/wrk-process.lua" \
        "$base/commands/fix-sentences/process" >"$tmp/process"
    wait "$flood_pid"
    grep -E 'Requests/sec|Non-2xx' "$tmp/flood" | sed 's/^/  sign-in /'
    grep -E '^ +(50|99)%|Requests/sec' "$tmp/process" | sed 's/^ */  process alongside: /'
    echo "  peak resident memory: $(peak_memory)"
    stop_server
}

echo "cores: $(nproc)"
flood "wrong password, one account" 24 SCRIBEON_BENCH_EMAIL=bench1@scribeon.local \
    SCRIBEON_BENCH_PASSWORD=wrong
flood "made-up e-mails" 24 SCRIBEON_BENCH_EMAIL=x SCRIBEON_BENCH_PASSWORD=wrong \
    SCRIBEON_BENCH_UNIQUE=1
flood "right password" 24 SCRIBEON_BENCH_EMAIL=bench1@scribeon.local \
    SCRIBEON_BENCH_PASSWORD=bench-password

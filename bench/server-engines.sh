#!/usr/bin/env bash
# The service on each storage engine, with one server and with two sharing
# the database: GET /commands and a built-in process, wrk on loopback with
# 64 connections in all (split between the servers), 10 s each
# (SCRIBEON_BENCH_SECONDS), spread over SCRIBEON_BENCH_USERS accounts (32)
# as a team's load would be. PostgreSQL runs in a private cluster.
# usage: server-engines.sh [SERVER] [sqlite|postgres]…
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
server=${1:-$root/build/server/scribeon-server}
shift || true
engines=("${@:-sqlite}")
[[ $# -gt 0 ]] || engines=(sqlite postgres)
seconds=${SCRIBEON_BENCH_SECONDS:-10}
users=${SCRIBEON_BENCH_USERS:-32}
tmp=$(mktemp -d /tmp/scribeon-bench.XXXXXX)
chmod 755 "$tmp" # the cluster's owner may not be us (under root it is nobody)
export SCRIBEON_BENCH_DIR=$root/bench
source "$root/bench/server-bench-lib.sh"
cleanup() {
    bench_stop_servers
    [[ -d "$tmp/cluster" ]] && "$root/tests/server/postgres-cluster.sh" stop "$tmp/cluster"
    rm -rf "$tmp"
}
trap cleanup EXIT

load() { # name, script, path, ports...
    local name=$1 script=$2 path=$3
    shift 3
    local each=$((64 / $#)) threads=$((2 / $#)) i=0 loads=()
    for port in "$@"; do
        wrk -t"$threads" -c"$each" -d"${seconds}s" --latency -s "$root/bench/$script" \
            "http://127.0.0.1:$port/api/v1/$path" >"$tmp/wrk.$i" &
        loads+=($!)
        i=$((i + 1))
    done
    wait "${loads[@]}"
    echo "== $name, $# server(s)"
    for ((j = 0; j < i; j++)); do
        grep -E '^ +(50|99)%|Requests/sec|Non-2xx' "$tmp/wrk.$j" | sed "s/^ */  server $((j + 1)): /"
    done
}

database_for() {
    if [[ $1 == sqlite ]]; then
        echo "$tmp/service.db"
        return
    fi
    local admin
    admin=$("$root/tests/server/postgres-cluster.sh" start "$tmp/cluster")
    psql "$admin" -qc "CREATE DATABASE bench" >/dev/null
    echo "$admin dbname=bench"
}

echo "cores: $(nproc), accounts: $users"
for engine in "${engines[@]}"; do
    echo "### $engine"
    db=$(database_for "$engine")
    bench_prepare_database "$db" "$users"
    bench_start_server "$db"
    first=$bench_port
    bench_sign_in "$first" "$users"
    load "GET /commands" wrk-commands.lua commands "$first"
    load "POST process" wrk-process.lua commands/fix-sentences/process "$first"
    bench_start_server "$db"
    second=$bench_port
    load "GET /commands" wrk-commands.lua commands "$first" "$second"
    load "POST process" wrk-process.lua commands/fix-sentences/process "$first" "$second"
    bench_stop_servers
done

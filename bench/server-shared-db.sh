#!/usr/bin/env bash
# The service on PostgreSQL, in a private cluster: GET /commands and a
# built-in process with one server and with two servers sharing the
# database, 64 connections in all (split between the two), wrk on loopback,
# 10 s each (SCRIBEON_BENCH_SECONDS).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
server=${1:-$root/build/server/scribeon-server}
seconds=${SCRIBEON_BENCH_SECONDS:-10}
tmp=$(mktemp -d /tmp/scribeon-bench.XXXXXX)
chmod 755 "$tmp" # the cluster's owner may not be us (under root it is nobody)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    "$root/tests/server/postgres-cluster.sh" stop "$tmp/cluster"
    rm -rf "$tmp"
}
trap cleanup EXIT

admin=$("$root/tests/server/postgres-cluster.sh" start "$tmp/cluster")
psql "$admin" -qc "CREATE DATABASE bench" >/dev/null
db="$admin dbname=bench"
"$server" --db "$db" init >/dev/null
printf 'bench-password\n' | "$server" --db "$db" user add --email bench@scribeon.local \
    --name Bench --plan Pro >/dev/null
psql "$db" -qc "UPDATE plans SET monthly_limit = 1000000000 WHERE name = 'Pro'" >/dev/null

start_server() { # prints the port
    local out="$tmp/out.${#pids[@]}"
    "$server" --db "$db" --listen 127.0.0.1:0 --quiet >"$out" 2>"$tmp/err" &
    pids+=($!)
    for _ in $(seq 100); do grep -q listening "$out" && break; sleep 0.1; done
    sed -n 's/.*listening on http:\/\/127.0.0.1:\([0-9]*\).*/\1/p' "$out"
}
first=$(start_server)
export SCRIBEON_BENCH_TOKEN=$(curl -sf -X POST "http://127.0.0.1:$first/api/v1/auth/sign-in" \
    -H 'Content-Type: application/json' \
    -d '{"email":"bench@scribeon.local","password":"bench-password"}' |
    python3 -c 'import json,sys; print(json.load(sys.stdin)["token"])')

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

echo "cores: $(nproc)"
load "GET /commands" wrk-commands.lua commands "$first"
load "POST process" wrk-process.lua commands/fix-sentences/process "$first"
second=$(start_server)
load "GET /commands" wrk-commands.lua commands "$first" "$second"
load "POST process" wrk-process.lua commands/fix-sentences/process "$first" "$second"

#!/usr/bin/env bash
# Many slow language-model streams against one scribeon-server, on each
# storage engine: SCRIBEON_BENCH_STREAMS (500) streams of about 20 s each
# from the fake chat back end (200 pieces, 100 ms apart), and while they run
# the server's threads and memory (/proc/PID/status) and GET /commands
# measured with wrk (8 connections, 10 s). The same figures idle first, so
# the thread count can be compared with and without the streams.
# usage: server-streams.sh [SERVER] [sqlite|postgres]…
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
server=${1:-$root/build/server/scribeon-server}
shift || true
engines=("${@:-sqlite}")
[[ $# -gt 0 ]] || engines=(sqlite postgres)
streams=${SCRIBEON_BENCH_STREAMS:-500}
users=32
tmp=$(mktemp -d /tmp/scribeon-bench.XXXXXX)
chmod 755 "$tmp"
export SCRIBEON_BENCH_DIR=$root/bench
source "$root/bench/server-bench-lib.sh"
fake_pid=
cleanup() {
    bench_stop_servers
    [[ -n "$fake_pid" ]] && kill "$fake_pid" 2>/dev/null
    [[ -d "$tmp/cluster" ]] && "$root/tests/server/postgres-cluster.sh" stop "$tmp/cluster"
    rm -rf "$tmp"
}
trap cleanup EXIT

/usr/bin/python3 "$root/tests/server/fake_chat_completions.py" >"$tmp/fake.out" &
fake_pid=$!
for _ in $(seq 100); do grep -q listening "$tmp/fake.out" && break; sleep 0.1; done
fake_port=$(awk '{print $4}' "$tmp/fake.out")

figures() { # label, pid, port
    local status=/proc/$2/status
    echo "  $1: threads $(awk '/^Threads/{print $2}' "$status"), RSS $(awk '/^VmRSS/{print $2 / 1024 " MiB"}' "$status")"
    wrk -t1 -c8 -d10s --latency -s "$root/bench/wrk-commands.lua" \
        "http://127.0.0.1:$3/api/v1/commands" >"$tmp/wrk"
    grep -E '^ +(50|99)%|Requests/sec|Non-2xx' "$tmp/wrk" | sed 's/^ */    GET \/commands /'
    echo "  $1, after: threads $(awk '/^Threads/{print $2}' "$status"), RSS $(awk '/^VmRSS/{print $2 / 1024 " MiB"}' "$status")"
}

echo "cores: $(nproc), streams: $streams"
for engine in "${engines[@]}"; do
    echo "### $engine"
    if [[ $engine == sqlite ]]; then
        db=$tmp/service.db
    else
        admin=$("$root/tests/server/postgres-cluster.sh" start "$tmp/cluster")
        psql "$admin" -qc "CREATE DATABASE bench" >/dev/null
        db="$admin dbname=bench"
    fi
    "$server" --db "$db" init >/dev/null
    "$server" --db "$db" command add --code slow --name Slow --position 0 \
        --processor 'llm:{"reply": "word", "repeat": 200, "pace_ms": 100}' >/dev/null
    bench_prepare_database "$db" "$users"
    bench_start_server "$db" --llm-url "http://127.0.0.1:$fake_port/v1"
    pid=${bench_pids[-1]}
    bench_sign_in "$bench_port" "$users"
    figures idle "$pid" "$bench_port"
    "$root/bench/stream-clients.py" "$bench_port" slow "$SCRIBEON_BENCH_TOKENS" "$streams" \
        >"$tmp/streams" &
    clients=$!
    sleep 5 # the streams are open and writing
    figures "$streams streams" "$pid" "$bench_port"
    wait "$clients"
    sed 's/^/  /' "$tmp/streams"
    bench_stop_servers
done

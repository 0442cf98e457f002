#!/usr/bin/env bash
# Loads a private scribeon-server on loopback with wrk: GET /commands and a
# built-in transform, 2 threads, 64 connections, 15 s each (SCRIBEON_BENCH_SECONDS).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
server=${1:-$root/build/server/scribeon-server}
seconds=${SCRIBEON_BENCH_SECONDS:-15}
tmp=$(mktemp -d /tmp/scribeon-bench.XXXXXX)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$tmp"' EXIT

"$server" --db "$tmp/server.db" init >/dev/null
printf 'bench-password\n' | "$server" --db "$tmp/server.db" user add --email bench@scribeon.local \
    --name Bench --plan Pro >/dev/null
# The Pro plan's monthly allowance would end the process run early; give the bench account room.
python3 - "$tmp/server.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE plans SET monthly_limit = 1000000000 WHERE name = 'Pro'")
db.commit()
PY
"$server" --db "$tmp/server.db" --listen 127.0.0.1:0 --quiet >"$tmp/out" 2>"$tmp/err" &
pid=$!
for _ in $(seq 100); do grep -q listening "$tmp/out" && break; sleep 0.1; done
port=$(sed -n 's/.*listening on http:\/\/127.0.0.1:\([0-9]*\).*/\1/p' "$tmp/out")
[[ -n "$port" ]] || { cat "$tmp/err"; exit 1; }
base="http://127.0.0.1:$port/api/v1"
SCRIBEON_BENCH_TOKEN=$(curl -sf -X POST "$base/auth/sign-in" -H 'Content-Type: application/json' \
    -d '{"email":"bench@scribeon.local","password":"bench-password"}' |
    python3 -c 'import json,sys; print(json.load(sys.stdin)["token"])')
export SCRIBEON_BENCH_TOKEN
echo "cores: $(nproc)"
echo "== GET /commands"
wrk -t2 -c64 -d"${seconds}s" --latency -s "$root/bench/wrk-commands.lua" "$base/commands"
echo "== POST /commands/fix-sentences/process"
wrk -t2 -c64 -d"${seconds}s" --latency -s "$root/bench/wrk-process.lua" "$base/commands/fix-sentences/process"

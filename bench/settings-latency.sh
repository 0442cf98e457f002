#!/usr/bin/env bash
# The settings window with 1,000 commands from the local service: from
# opening it to the Commands page painted, and from a dragged row's release
# to the order saved, on a private desktop with a window manager.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$root/build" --target scribeon_settings_bench scribeon-server
source "$root/tests/e2e/desktop.sh"
start_desktop
server="$root/build/server/scribeon-server"
db="$e2e_tmp/bench.db"
"$server" init --db "$db" --demo >"$e2e_tmp/init.out" 2>&1
echo "adding 1,000 commands..."
for i in $(seq 1 1000); do
    "$server" command add --db "$db" --code "bench$i" --name "Bench command $i" \
        --processor builtin:upper-case >/dev/null
done
start_bg "$server" --db "$db" --listen 127.0.0.1:0 --demo --quiet >"$e2e_tmp/server.out" 2>&1
wait_for 20 "the server to listen" grep -q "listening on" "$e2e_tmp/server.out"
origin=$(sed -n 's/^scribeon-server listening on //p' "$e2e_tmp/server.out")
password=$(sed -n 's/^Password (shown only now): //p' "$e2e_tmp/init.out" "$e2e_tmp/server.out" | head -1)
token=$(curl -sf -H 'Content-Type: application/json' \
    -d "{\"email\":\"demo@scribeon.local\",\"password\":\"$password\"}" "$origin/api/v1/auth/sign-in" |
    /usr/bin/python3 -c 'import json,sys; print(json.load(sys.stdin)["token"])')
SCRIBEON_BENCH_ORIGIN=$origin SCRIBEON_BENCH_TOKEN=$token \
    "$root/build/bench/scribeon_settings_bench" "$@"

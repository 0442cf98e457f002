# Sourced by the service benchmarks: a database with bench accounts, private
# scribeon-server processes on loopback, and their sign-in tokens.
# Needs: root (the repository), server (the binary), tmp (a scratch directory).

bench_pids=()

# DATABASE USERS: a fresh schema and USERS accounts (bench1@… benchN@…) on the
# Pro plan, whose monthly allowance is raised so no run ends early.
bench_prepare_database() {
    local db=$1 users=$2
    "$server" --db "$db" init >/dev/null
    for ((u = 1; u <= users; u++)); do
        printf 'bench-password\n' | "$server" --db "$db" user add --email "bench$u@scribeon.local" \
            --name "Bench $u" --plan Pro >/dev/null
    done
    local raise="UPDATE plans SET monthly_limit = 1000000000 WHERE name = 'Pro'"
    if [[ "$db" == *=* || "$db" == postgres* ]]; then
        psql "$db" -qc "$raise" >/dev/null
    else
        python3 -c 'import sqlite3,sys; d=sqlite3.connect(sys.argv[1]); d.execute(sys.argv[2]); d.commit()' \
            "$db" "$raise"
    fi
}

# DATABASE [OPTIONS…]: starts a server; its port is left in bench_port (not
# printed: in a command substitution the server's pid would be lost).
bench_start_server() {
    local db=$1 out="$tmp/out.${#bench_pids[@]}"
    shift
    "$server" --db "$db" --listen 127.0.0.1:0 --quiet "$@" >"$out" 2>"$tmp/err.${#bench_pids[@]}" &
    bench_pids+=($!)
    for _ in $(seq 100); do grep -q listening "$out" && break; sleep 0.1; done
    bench_port=$(sed -n 's/.*listening on http:\/\/127.0.0.1:\([0-9]*\).*/\1/p' "$out")
    [[ -n "$bench_port" ]] || { cat "$tmp/err.$((${#bench_pids[@]} - 1))" >&2; return 1; }
}

bench_stop_servers() {
    local pid
    for pid in "${bench_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    bench_pids=()
}

# PORT USERS: signs every bench account in; exports SCRIBEON_BENCH_TOKENS
# (comma-separated, which the wrk scripts take turns with) and
# SCRIBEON_BENCH_TOKEN (the first).
bench_sign_in() {
    local port=$1 users=$2 tokens=() u
    for ((u = 1; u <= users; u++)); do
        tokens+=("$(curl -sf -X POST "http://127.0.0.1:$port/api/v1/auth/sign-in" \
            -H 'Content-Type: application/json' \
            -d "{\"email\":\"bench$u@scribeon.local\",\"password\":\"bench-password\"}" |
            python3 -c 'import json,sys; print(json.load(sys.stdin)["token"])')")
    done
    SCRIBEON_BENCH_TOKENS=$(IFS=,; echo "${tokens[*]}")
    SCRIBEON_BENCH_TOKEN=${tokens[0]}
    export SCRIBEON_BENCH_TOKENS SCRIBEON_BENCH_TOKEN
}

#!/usr/bin/env bash
# The README's first command, as a new user runs it: `scripts/run` in a
# fresh HOME with no display. It must start its own headless desktop and
# the local service, sign Scribeon in to the demo account and leave
# Scribeon running on the session bus; when Scribeon exits, everything the
# script started must be gone. A service that cannot start must end the
# script with a message and a non-zero status, not a silent success.
#
#   scripts_run.sh SOURCE-DIR BUILD-DIR
source "$(dirname "$0")/desktop.sh"
source_dir=$1 build=$2
export LANG=C.UTF-8 LC_ALL=C.UTF-8
fresh_home
# Every process the script starts inherits this mark; none may outlive it.
marker="scripts-run-$$-$RANDOM"
run_script() { env SCRIBEON_RUN_MARKER="$marker" SCRIBEON_BUILD_DIR="$build" "$@" "$source_dir/scripts/run"; }
free_port() { /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

marked_processes() {
    grep -lsa "SCRIBEON_RUN_MARKER=$marker" /proc/[0-9]*/environ 2>/dev/null |
        cut -d/ -f3 | while read -r pid; do
        [[ -r /proc/$pid/cmdline ]] && echo "$pid $(tr '\0' ' ' </proc/"$pid"/cmdline)"
    done
}
nothing_left() { [[ -z "$(marked_processes)" ]]; }
expect_nothing_left() {
    local deadline=$((SECONDS + 10))
    until nothing_left; do
        ((SECONDS < deadline)) || fail "$1 left processes running: $(marked_processes)"
        sleep 0.1
    done
}
finished() { ! kill -0 "$1" 2>/dev/null; }

# A port someone else holds without answering HTTP: the service cannot
# start there, and the script must say so.
port=$(free_port)
/usr/bin/python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(1)
open(sys.argv[2], "w").close(); time.sleep(600)' "$port" "$e2e_tmp/squatting" &
squatter=$!
e2e_pids+=("$squatter")
wait_for 10 "the port to be taken" test -e "$e2e_tmp/squatting"
status=0
run_script SCRIBEON_SERVICE_ORIGIN="http://127.0.0.1:$port" >"$e2e_tmp/busy.out" 2>"$e2e_tmp/busy.err" ||
    status=$?
[[ $status -ne 0 ]] || fail "scripts/run succeeded though the service could not start: $(cat "$e2e_tmp/busy.err")"
grep -q "scribeon-server did not start" "$e2e_tmp/busy.err" || fail "no clear message: $(cat "$e2e_tmp/busy.err")"
kill "$squatter"
expect_nothing_left "a failed scripts/run"

# The real start.
port=$(free_port)
origin="http://127.0.0.1:$port"
run_script SCRIBEON_SERVICE_ORIGIN="$origin" >"$e2e_tmp/run.out" 2>"$e2e_tmp/run.err" &
run=$!
e2e_pids+=("$run")
started() { grep -q "Scribeon is running (pid" "$e2e_tmp/run.err"; }
deadline=$((SECONDS + 120))
until started; do
    finished "$run" && fail "scripts/run ended before Scribeon ran: $(cat "$e2e_tmp/run.err")"
    ((SECONDS < deadline)) || fail "scripts/run did not start Scribeon: $(cat "$e2e_tmp/run.err")"
    sleep 0.2
done
app=$(sed -n 's/.*Scribeon is running (pid \([0-9]*\)).*/\1/p' "$e2e_tmp/run.err")
session=$(sed -n 's/.*to use it from another terminal: //p' "$e2e_tmp/run.err")
[[ -n "$session" ]] || fail "scripts/run did not say how to reach its desktop: $(cat "$e2e_tmp/run.err")"
eval "$session"
DBUS_SESSION_BUS_PID=""

code=$(curl -s -o /dev/null -w '%{http_code}' --max-time 5 "$origin/api/v1/user") || true
[[ "$code" == 401 ]] || fail "the local service does not answer at $origin (HTTP $code)"
owner=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:app.scribeon.Scribeon | awk '/uint32/ {print $2}')
[[ "$owner" == "$app" ]] || fail "app.scribeon.Scribeon is owned by '$owner', not Scribeon ($app)"
status_out=$(SCRIBEON_SERVICE_ORIGIN=$origin "$(sed -n 's/^scribeon=//p' "$build/programs.txt")" status 2>&1) ||
    fail "scribeon status: $status_out"
[[ "$status_out" == *"Signed in as Demo User <demo@scribeon.local>"* ]] || fail "not signed in: $status_out"
[[ -s "$HOME/.local/share/scribeon/demo-password" ]] || fail "the demo password was not kept"

# Scribeon quits as a session's end asks it to; the script follows and
# takes down what it started.
kill -TERM "$app"
wait_for 30 "scripts/run to end after Scribeon" finished "$run"
status=0
wait "$run" || status=$?
[[ $status -eq 0 ]] || fail "scripts/run exited with $status after Scribeon quit: $(cat "$e2e_tmp/run.err")"
expect_nothing_left "scripts/run"
echo "PASS"

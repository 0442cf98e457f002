#!/usr/bin/env bash
# The command line for scripts against a real scribeon-server, without a
# display: list, process (bytes in, the same bytes' transform out), status and
# sign-out (here and everywhere), then each class of failure with the client's message on standard
# error and its own exit status; last, a hostile service whose texts carry
# terminal control sequences.
source "$(dirname "$0")/desktop.sh"
scribeon=$1 server=$2
start_headless_session
start_local_service "$server"

# expect STATUS MESSAGE COMMAND...: the exit status and the one line on stderr.
expect() {
    local want=$1 message=$2 status=0
    shift 2
    "$@" >"$e2e_tmp/out" 2>"$e2e_tmp/err" || status=$?
    [[ $status -eq $want ]] || fail "$*: exit $status, expected $want; stderr: $(cat "$e2e_tmp/err")"
    [[ "$(cat "$e2e_tmp/err")" == "$message" ]] || fail "$*: stderr '$(cat "$e2e_tmp/err")', expected '$message'"
}
process() { "$scribeon" process "$@"; }

# Signed out: every mode says so, nothing is sent.
expect 3 "scribeon: Session expired. Please sign in again." "$scribeon" commands
expect 3 "scribeon: Session expired. Please sign in again." "$scribeon" status
sign_in "$scribeon"

expect 0 "" "$scribeon" commands
printf '📝\tfix-sentences\tFix spacing and capitals\n📝\tupper-case\tUPPER CASE\n📝\tlower-case\tlower case\n' >"$e2e_tmp/want"
cmp -s "$e2e_tmp/out" "$e2e_tmp/want" || fail "commands printed: $(cat -A "$e2e_tmp/out")"

# Multi-line text with accents, emoji, combining marks and a CRLF line, and no
# final line break: the result comes back byte for byte.
printf 'Crème brûlée 🍮 naïve\r\nZoë e\xcc\x81 — ok' >"$e2e_tmp/text"
printf 'CRÈME BRÛLÉE 🍮 NAÏVE\r\nZOË E\xcc\x81 — OK' >"$e2e_tmp/want"
process upper-case <"$e2e_tmp/text" >"$e2e_tmp/out" || fail "process exited $?"
cmp "$e2e_tmp/out" "$e2e_tmp/want" || fail "process changed bytes: $(od -c "$e2e_tmp/out" | head)"
process upper-case --stream <"$e2e_tmp/text" >"$e2e_tmp/out" || fail "process --stream exited $?"
cmp "$e2e_tmp/out" "$e2e_tmp/want" || fail "process --stream changed bytes: $(od -c "$e2e_tmp/out" | head)"
[[ "$(process lower-case --text 'ÀB')" == "àb" ]] || fail "--text"
# A reader that stops early ends the program quietly.
status=0
yes 'some text' | head -c 1500 | process upper-case 2>"$e2e_tmp/err" | head -c1 >/dev/null || status=$?
[[ ! -s "$e2e_tmp/err" ]] || fail "a closed output printed: $(cat "$e2e_tmp/err")"

expect 0 "" "$scribeon" status
grep -qx "Signed in as Ada <ada@example.com>" "$e2e_tmp/out" || fail "status: $(cat "$e2e_tmp/out")"
grep -qx "Plan: Free" "$e2e_tmp/out" || fail "status plan: $(cat "$e2e_tmp/out")"
grep -qx "Usage: 4 / 50 requests used" "$e2e_tmp/out" || fail "status usage: $(cat "$e2e_tmp/out")"
grep -qE "^Resets on [0-9]{4}-[0-9]{2}-01$" "$e2e_tmp/out" || fail "status reset: $(cat "$e2e_tmp/out")"

# Input refused before anything is sent: the usage count stays at 4.
expect 2 "scribeon: the text is not valid UTF-8; nothing was sent" \
    process upper-case --text $'caf\xe9'
printf 'ok \xed\xa0\x80' >"$e2e_tmp/surrogate"
expect 2 "scribeon: the text is not valid UTF-8; nothing was sent" \
    process upper-case --text "$(cat "$e2e_tmp/surrogate")"
expect 2 "scribeon: there is no text to process; nothing was sent" process upper-case --text $' \n'
expect 2 "scribeon: unknown option '--frobnicate'
Usage: scribeon [--trigger]" bash -c "\"$scribeon\" --frobnicate 2>&1 >/dev/null | head -2 >&2; exit \${PIPESTATUS[0]}"
# Longer than any request body the service reads: refused before sending
# with the too-long status, and an endless input is not read to its end. The
# longest text that fits is sent (and refused by the plan).
limit=$((1024 * 1024 - 11))
head -c "$limit" /dev/zero | tr '\0' a >"$e2e_tmp/longest"
expect 6 "scribeon: Text is too long. Maximum 2000 characters." process upper-case <"$e2e_tmp/longest"
printf a >>"$e2e_tmp/longest"
too_long="scribeon: the text is longer than the service accepts (at most $limit bytes); nothing was sent"
expect 6 "$too_long" process upper-case <"$e2e_tmp/longest"
expect 6 "$too_long" timeout 30 bash -c "yes | \"$scribeon\" process upper-case"
"$scribeon" status | grep -qx "Usage: 4 / 50 requests used" || fail "refused input was counted"

# Each class of failure.
expect 5 "scribeon: Command not found or inactive." process no-such-command --text x
expect 5 "scribeon: Command not found or inactive." process ../user --text x
expect 6 "scribeon: Text is too long. Maximum 2000 characters." \
    process upper-case --text "$(head -c 2001 /dev/zero | tr '\0' a)"
"$server" user add --db "$e2e_tmp/server.db" --email lapsed@example.com --name Lapsed \
    --expires 2020-01-01T00:00:00Z <<<"correct horse" >/dev/null || fail "user add"
echo "correct horse" | "$scribeon" --sign-in lapsed@example.com >/dev/null || fail "sign-in lapsed"
expect 4 "scribeon: Active subscription required." process upper-case --text x
sign_in "$scribeon"
for _ in $(seq 46); do process upper-case --text x >/dev/null || fail "burning the allowance"; done
expect 4 "scribeon: Monthly request limit exceeded." process upper-case --text x

# The token revoked elsewhere: the session has expired.
curl -sf -X POST -H "Authorization: Bearer $(token)" "$SCRIBEON_SERVICE_ORIGIN/api/v1/auth/sign-out" >/dev/null ||
    fail "revoking the token"
expect 3 "scribeon: Session expired. Please sign in again." "$scribeon" status

# Sign-out forgets the token, and is harmless when signed out.
sign_in "$scribeon"
expect 0 "" "$scribeon" sign-out
[[ "$(cat "$e2e_tmp/out")" == "Signed out" ]] || fail "sign-out said: $(cat "$e2e_tmp/out")"
token >/dev/null 2>&1 && fail "sign-out left the token in the keyring"
expect 0 "" "$scribeon" sign-out

# Signing out everywhere ends the other computers' sessions too.
sign_in "$scribeon"
elsewhere=$(curl -sf -X POST -H 'Content-Type: application/json' \
    -d '{"email":"ada@example.com","password":"correct horse"}' \
    "$SCRIBEON_SERVICE_ORIGIN/api/v1/auth/sign-in" | python3 -c 'import json,sys; print(json.load(sys.stdin)["token"])')
expect 0 "" "$scribeon" sign-out --everywhere
[[ "$(cat "$e2e_tmp/out")" == "Signed out on every computer" ]] || fail "everywhere said: $(cat "$e2e_tmp/out")"
token >/dev/null 2>&1 && fail "sign-out --everywhere left the token in the keyring"
[[ $(curl -s -o /dev/null -w '%{http_code}' -H "Authorization: Bearer $elsewhere" \
    "$SCRIBEON_SERVICE_ORIGIN/api/v1/user") == 401 ]] || fail "the other computer is still signed in"
expect 3 "scribeon: Session expired. Please sign in again." "$scribeon" sign-out --everywhere

# A service that fails, and one that is gone.
"$server" command add --db "$e2e_tmp/server.db" --code ask --name Ask --processor "llm:Answer" \
    >/dev/null || fail "command add"
"$server" user add --db "$e2e_tmp/server.db" --email bob@example.com --name Bob --plan Pro \
    <<<"correct horse" >/dev/null || fail "user add"
echo "correct horse" | "$scribeon" --sign-in bob@example.com >/dev/null || fail "sign-in bob"
expect 8 "scribeon: Server error. Please try again later." process ask --text x
kill -TERM "${e2e_pids[-1]}"
wait "${e2e_pids[-1]}" 2>/dev/null || true
expect 7 "scribeon: Cannot reach the server. Check your internet connection or firewall settings." \
    "$scribeon" commands
# Signing out everywhere cannot be done from here now: it says so and keeps
# this computer signed in, to try again.
expect 7 "scribeon: Cannot reach the server. Check your internet connection or firewall settings." \
    "$scribeon" sign-out --everywhere
token >/dev/null 2>&1 || fail "a failed sign-out everywhere dropped the token"

# A hostile service: the control sequences in its names, messages and
# results are shown, not sent to the terminal; a processed text going to a
# pipe stays byte for byte, on a terminal its controls are shown too.
start_bg /usr/bin/python3 "$e2e_dir/hostile_service.py" >"$e2e_tmp/hostile.out"
wait_for 20 "the hostile service" grep -q "listening on" "$e2e_tmp/hostile.out"
export SCRIBEON_SERVICE_ORIGIN=$(sed -n 's/^listening on //p' "$e2e_tmp/hostile.out")
echo "any" | "$scribeon" --sign-in ada@example.com >/dev/null 2>"$e2e_tmp/err" ||
    fail "sign-in at the hostile service: $(cat "$e2e_tmp/err")"
expect 0 "" "$scribeon" commands
printf '📝\techo^[[2J\t^[]0;owned^GEcho^[[31m\n📝\tfail\tFail^? now please\n' >"$e2e_tmp/want"
cmp -s "$e2e_tmp/out" "$e2e_tmp/want" || fail "hostile commands printed: $(od -c "$e2e_tmp/out")"
expect 0 "" "$scribeon" status
printf 'Signed in as Ada^[]0;owned^G <ada@example.com^[[2J>\nPlan: Pro^[[5m\nUsage: 1 / 10 requests used\n' >"$e2e_tmp/want"
cmp -s "$e2e_tmp/out" "$e2e_tmp/want" || fail "hostile status printed: $(od -c "$e2e_tmp/out")"
expect 1 "scribeon: Bad^[[2J thing^G" process fail --text x
process echo --text x >"$e2e_tmp/out" || fail "hostile process exited $?"
printf 'line\033]0;owned\007 one\r\n\ttwo\302\23331m\033[2J\n' >"$e2e_tmp/want"
cmp -s "$e2e_tmp/out" "$e2e_tmp/want" || fail "a piped result changed: $(od -c "$e2e_tmp/out")"
script -qec "\"$scribeon\" process echo --text x" /dev/null </dev/null | tr -d '\r' >"$e2e_tmp/out"
printf 'line^[]0;owned^G one^M\n\ttwo^[[31m^[[2J\n' >"$e2e_tmp/want"
cmp -s "$e2e_tmp/out" "$e2e_tmp/want" || fail "a result on a terminal: $(od -c "$e2e_tmp/out")"
echo "PASS"

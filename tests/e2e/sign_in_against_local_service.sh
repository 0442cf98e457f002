#!/usr/bin/env bash
# `scribeon --sign-in` against a real scribeon-server: a wrong password is
# refused with the service's message and stores nothing; the right one puts
# a token into the Secret Service that the service then accepts.
source "$(dirname "$0")/desktop.sh"
scribeon=$1 server=$2
start_headless_session

start_local_service "$server"

token() { secret-tool lookup service app.scribeon.Scribeon account "$1"; }

status=0
echo "wrong" | "$scribeon" --sign-in ada@example.com >"$e2e_tmp/out" 2>"$e2e_tmp/err" || status=$?
[[ $status -eq 1 ]] || fail "wrong password: exit $status"
[[ "$(cat "$e2e_tmp/err")" == "scribeon: The e-mail or password is incorrect." ]] ||
    fail "wrong password: $(cat "$e2e_tmp/err")"
token auth_token >/dev/null 2>&1 && fail "a refused sign-in stored a token"

echo "correct horse" | "$scribeon" --sign-in ADA@example.com >"$e2e_tmp/out" 2>"$e2e_tmp/err" ||
    fail "sign-in: $(cat "$e2e_tmp/err")"
[[ "$(cat "$e2e_tmp/out")" == "Signed in as ADA@example.com" ]] || fail "sign-in said: $(cat "$e2e_tmp/out")"
stored=$(token auth_token) || fail "no token in the keyring"
[[ "$(token user_email)" == "ADA@example.com" ]] || fail "e-mail in the keyring: $(token user_email)"

curl -sf -H "Authorization: Bearer $stored" "$SCRIBEON_SERVICE_ORIGIN/api/v1/user" >"$e2e_tmp/user" ||
    fail "the service refused the stored token"
grep -q '"email":"ada@example.com"' "$e2e_tmp/user" || fail "user: $(cat "$e2e_tmp/user")"
echo "PASS"

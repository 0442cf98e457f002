#!/usr/bin/env bash
# --version and --help work without a display; without one the program
# itself says why in one line and exits non-zero.
source "$(dirname "$0")/desktop.sh"
scribeon=$1
fresh_home

[[ "$("$scribeon" --version)" =~ ^scribeon\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version"
"$scribeon" --help | grep -q '^Usage: scribeon' || fail "--help"

status=0
"$scribeon" >"$e2e_tmp/out" 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "no display: exit $status, expected 1"
[[ $(wc -l <"$e2e_tmp/out") -eq 1 ]] || fail "no display: expected one line, got: $(cat "$e2e_tmp/out")"
grep -q 'no graphical display' "$e2e_tmp/out" || fail "no display: $(cat "$e2e_tmp/out")"

status=0
"$scribeon" --frobnicate >/dev/null 2>"$e2e_tmp/err" || status=$?
[[ $status -eq 2 ]] && grep -q "unknown option '--frobnicate'" "$e2e_tmp/err" || fail "unknown option"
echo "PASS"

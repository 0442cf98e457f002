#!/usr/bin/env bash
# The service names the account "Ada<img src=/dev/zero>" (a name its sign-up
# page accepts). The tray panel shows that name as the text it is: the
# program, under a cap on its address space, must not read /dev/zero (which
# a label taking the name for markup does until memory runs out), and a
# screen reader hears the name literally.
source "$(dirname "$0")/desktop.sh"
scribeon=$1 server=$2
name='Ada<img src=/dev/zero>'
email=ada@example.com
start_accessible_desktop
start_tray

db="$e2e_tmp/server.db"
echo "correct horse" | "$server" user add --db "$db" --email "$email" --name "$name" >/dev/null ||
    fail "user add"
start_bg "$server" --db "$db" --listen 127.0.0.1:0 --quiet >"$e2e_tmp/server.out" 2>&1
wait_for 20 "the server to listen" grep -q "listening on" "$e2e_tmp/server.out"
export SCRIBEON_SERVICE_ORIGIN=$(sed -n 's/^scribeon-server listening on //p' "$e2e_tmp/server.out")
echo "correct horse" | "$scribeon" --sign-in "$email" >/dev/null 2>"$e2e_tmp/err" ||
    fail "sign-in: $(cat "$e2e_tmp/err")"

# 2 GiB of address space is several times what the program maps; reading
# /dev/zero into memory exhausts it within seconds.
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 SCRIBEON_LOG=stderr \
    start_scribeon prlimit --as=$((2 * 1024 * 1024 * 1024)) "$scribeon"
wait_for 20 "scribeon to be up" catches_sigterm "$scribeon_pid"
wait_for 30 "the tray icon" tray_icon_embedded

open_tray_panel
wait_for 20 "the account's name in the panel" says "$name"
names >"$e2e_tmp/panel.txt"
grep -qxF $'label\t'"$name" "$e2e_tmp/panel.txt" || fail "the name as a label: $(cat "$e2e_tmp/panel.txt")"
# Shown and read, with time for a label's image to load: still running.
xdotool key Escape
wait_for 10 "the tray panel to close" sh -c "! /usr/bin/python3 '$e2e_dir/atspi_names.py' $scribeon_pid | grep -q 'Quit Scribeon'"
open_tray_panel
wait_for 20 "the name once more" says "$name"
kill -0 "$scribeon_pid" 2>/dev/null || fail "scribeon died"
kill -TERM "$scribeon_pid"
expect_exit "$scribeon_pid" 0
echo "PASS"

#!/usr/bin/env bash
# A new user's first run, as a person does it: Scribeon starts signed out,
# the shortcut opens the sign-in window, the demo account's credentials are
# typed in, the tray panel shows the account's plan and usage from the
# local service, a command run raises the count, the announced update shows
# its banner and its dialog downloads and verifies the file (a tampered one
# is refused), Sign Out empties the credential store, a sign-in on the
# command line reaches the running program, and Quit ends it. Texts are read over AT-SPI as a screen reader reads them.
# Screenshots go to the artifacts directory (fourth argument).
source "$(dirname "$0")/desktop.sh"
scribeon=$1 server=$2 editor=$3 artifacts=${4:-$e2e_tmp/artifacts}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$artifacts"
start_accessible_desktop
start_tray

# The local service with its demo account and its announced update (a
# package that installs nothing); files put in $downloads are served before
# the demo's own.
downloads="$e2e_tmp/downloads"
mkdir -p "$downloads"
start_bg "$server" --db "$e2e_tmp/server.db" --listen 127.0.0.1:0 --demo --downloads "$downloads" \
    >"$e2e_tmp/server.out" 2>&1
wait_for 20 "the server to listen" grep -q "listening on" "$e2e_tmp/server.out"
export SCRIBEON_SERVICE_ORIGIN=$(sed -n 's/^scribeon-server listening on //p' "$e2e_tmp/server.out")
demo_password=$(sed -n 's/^Password (shown only now): //p' "$e2e_tmp/server.out")
[[ -n "$demo_password" ]] || fail "the demo account's password"

# The desktop's handler for files and pages: records what it was asked to open.
mkdir -p "$e2e_tmp/bin"
cat >"$e2e_tmp/bin/xdg-open" <<SH
#!/bin/sh
printf '%s\n' "\$1" >>"$e2e_tmp/opened"
SH
chmod +x "$e2e_tmp/bin/xdg-open"
export PATH="$e2e_tmp/bin:$PATH"


QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to be up" catches_sigterm "$scribeon_pid"
wait_for 30 "the tray icon" tray_icon_embedded
token >/dev/null 2>&1 && fail "a token before anybody signed in"

# Signed out: the shortcut opens the sign-in window instead of the chooser.
login="Scribeon — Sign In"
until visible "$login" >/dev/null; do
    xdotool keydown super+shift+i
    sleep 0.15
    xdotool keyup super+shift+i
    wait_for 3 "" true
    visible "$login" >/dev/null || sleep 2
done
wait_for 10 "the sign-in window's texts" says "Sign in to your account"
names "$login" >"$e2e_tmp/login.txt"
for expected in $'push button\tSign In' $'text\tEmail' $'password text\tPassword'; do
    grep -qF "$expected" "$e2e_tmp/login.txt" || fail "the sign-in window lacks '$expected': $(cat "$e2e_tmp/login.txt")"
done
login_window=$(visible "$login" | head -1)
xdotool windowactivate --sync "$login_window" 2>/dev/null || true
wait_for 10 "the sign-in window to have the focus" sh -c "[ \"\$(xdotool getactivewindow)\" = $login_window ]"
xdotool type --delay 20 "  demo@scribeon.local"
xdotool key Tab
xdotool type --delay 20 -- "$demo_password" # it may start with "-"
shot "$login" sign-in-window
xdotool key Return
wait_for 20 "the sign-in window to close" sh -c "! xdotool search --onlyvisible --name '^$login\$'"
wait_for 10 "the token in the Secret Service" token

close_panel() {
    xdotool key Escape
    wait_for 10 "the tray panel to close" sh -c "! /usr/bin/python3 '$here/atspi_names.py' $scribeon_pid | grep -q 'Quit Scribeon'"
}
usage_line() {
    names >"$e2e_tmp/names.txt" || true
    sed -n 's/^[a-z ]*\t\([0-9]* \/ [0-9]*\) requests used$/\1/p' "$e2e_tmp/names.txt" | head -1
}

open_tray_panel
wait_for 10 "the account in the panel" says "Demo User"
names >"$e2e_tmp/panel.txt"
for expected in "demo@scribeon.local" "Usage" "Free" "requests used" "Select text and press" \
    "Super+Shift+I" "Settings" "Check for Updates" "Sign Out"; do
    grep -qF -- "$expected" "$e2e_tmp/panel.txt" || fail "the panel lacks '$expected': $(cat "$e2e_tmp/panel.txt")"
done
before=$(usage_line)
[[ "$before" == "0 / "* ]] || fail "usage before any run: '$before'"
close_panel

# One command run through the chooser, in the Qt test editor.
doc="$e2e_tmp/doc.txt"
start_test_editor "$editor" "$doc" "hello .world"
deadline=$((SECONDS + 30))
until visible "Scribeon Commands" >/dev/null; do
    ((SECONDS < deadline)) || fail "the chooser never opened"
    xdotool keydown super+shift+i
    sleep 0.15
    xdotool keyup super+shift+i
    sleep 3
done
wait_for 10 "the chooser's commands" sh -c "/usr/bin/python3 '$here/atspi_list.py' $scribeon_pid Commands | grep -q ."
xdotool key Return
wait_for 20 "the result panel" visible "Scribeon Result"
xdotool key Escape
wait_for 10 "the result panel to close" sh -c "! xdotool search --onlyvisible --name '^Scribeon Result\$'"

# Reopened, the panel shows the run (the account loads 0.1 s after opening).
open_tray_panel
after_expected="1 / ${before#0 / }"
wait_for 10 "the count to go up by one" says "$after_expected requests used"

# The automatic check, shortly after launch, found the demo's newer version.
wait_for 30 "the update banner" says "Update available, v0.2.0"
sleep 0.3
shot Scribeon signed-in-panel
press "Update available, v0.2.0" || fail "pressing the update banner"
update="Scribeon — Software Update"
wait_for 20 "the update dialog" says "A new version of Scribeon is available"
names "$update" >"$e2e_tmp/update.txt" || true
grep -qF "Scribeon 0.2.0 is available" "$e2e_tmp/update.txt" || fail "the dialog's version: $(cat "$e2e_tmp/update.txt")"
grep -qF $'\tRelease notes' "$e2e_tmp/update.txt" || fail "the release notes"
shot "$update" update-dialog
press Download || fail "pressing Download"
wait_for 20 "the verified download" says "Update downloaded"
file="$HOME/Downloads/scribeon_0.2.0_all.deb"
wait_for 10 "the file to be handed to the desktop" grep -qxF "file://$file" "$e2e_tmp/opened"
[[ "$(dpkg-deb --field "$file" Version)" == 0.2.0 ]] || fail "the downloaded package's version"
press OK

# A tampered package is refused, and the download folder, where the first
# one now belongs to the user, is left exactly as it was.
cp "$file" "$downloads/scribeon_0.2.0_all.deb"
printf 'x' | dd of="$downloads/scribeon_0.2.0_all.deb" bs=1 seek=$(($(stat -c %s "$file") - 1)) \
    conv=notrunc status=none
ls -A "$HOME/Downloads" >"$e2e_tmp/downloads-before"
cp "$file" "$e2e_tmp/first.deb"
open_tray_panel
press "Check for Updates" || fail "pressing Check for Updates"
wait_for 20 "the update dialog" says "A new version of Scribeon is available"
press Download
wait_for 20 "the refusal" says "The downloaded update is not signed by Scribeon. It was deleted."
ls -A "$HOME/Downloads" | diff -u "$e2e_tmp/downloads-before" - || fail "the refusal changed the folder"
cmp -s "$file" "$e2e_tmp/first.deb" || fail "the first download was changed"
grep -q "update: refused: signature does not match" "$e2e_tmp/app.log" || fail "no log line for the refusal"
shot "$update" update-refused
press OK

# Sign Out: the signed-out content, and the token is gone.
open_tray_panel
press "Sign Out" || fail "pressing Sign Out"
wait_for 20 "the signed-out content" says "Sign in to get started"
names >"$e2e_tmp/signed-out.txt"
for expected in $'push button\tSign In' $'push button\tSign Up' "Quit Scribeon"; do
    grep -qF -- "$expected" "$e2e_tmp/signed-out.txt" || fail "the signed-out panel lacks '$expected'"
done
grep -q "Demo User" "$e2e_tmp/signed-out.txt" && fail "the account is still shown"
sleep 0.3
shot Scribeon signed-out-panel
token >/dev/null 2>&1 && fail "the token is still in the Secret Service"
press "Sign Up" || fail "pressing Sign Up"
wait_for 10 "the sign-up page" grep -qxF "$SCRIBEON_SERVICE_ORIGIN/sign-up" "$e2e_tmp/opened"

# bench/account-footprint.sh: memory once every window has been shown and
# closed, next to a bare Qt tray program (SCRIBEON_FOOTPRINT names it) on
# this desktop, with the same environment, plain and after one popup.
if [[ -n "${SCRIBEON_FOOTPRINT:-}" ]]; then
    if says "Quit Scribeon"; then close_panel; fi
    footprint() { awk '/^(Rss|Pss|Anonymous):/ {printf "%s %.1f MB  ", $1, $2 / 1024}' "/proc/$1/smaps_rollup"; }
    rss_kb() { awk '/^Rss:/ {print $2}' "/proc/$1/smaps_rollup"; }
    bare_pids=()
    for mode in plain --popup; do
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_bg "$SCRIBEON_FOOTPRINT" $mode >"$e2e_tmp/bare$mode.out" 2>&1
        bare_pids+=("${e2e_pids[-1]}")
    done
    for mode in plain --popup; do
        wait_for 20 "the bare tray program ($mode)" grep -qx ready "$e2e_tmp/bare$mode.out"
    done
    sleep 2
    echo "scribeon:         $(footprint "$scribeon_pid")"
    echo "bare tray:        $(footprint "${bare_pids[0]}")"
    echo "bare tray, popup: $(footprint "${bare_pids[1]}")"
    awk -v s="$(rss_kb "$scribeon_pid")" -v b="$(rss_kb "${bare_pids[0]}")" -v p="$(rss_kb "${bare_pids[1]}")" \
        'BEGIN {printf "RSS ratio: %.2f x bare, %.2f x bare after a popup\n", s / b, s / p}'
    echo "largest mappings, RSS and anonymous KB:"
    awk '/^[0-9a-f]+-/ {name = $6 ? $6 : "[anonymous]"} /^Rss:/ {rss[name] += $2}
         /^Anonymous:/ {anon[name] += $2} END {for (n in rss) print rss[n], anon[n], n}' \
        "/proc/$scribeon_pid/smaps" | sort -rn | sed -n 1,15p # head would end sort with SIGPIPE
    echo "threads: $(ls "/proc/$scribeon_pid/task" | wc -l)"
    kill "${bare_pids[@]}"
fi

# A sign-in made on the command line reaches the running program.
printf '%s\n' "$demo_password" | "$scribeon" --sign-in demo@scribeon.local >/dev/null 2>"$e2e_tmp/err" ||
    fail "scribeon --sign-in: $(cat "$e2e_tmp/err")"
open_tray_panel
wait_for 10 "the account signed in elsewhere" says "Demo User"
# And so does a sign-out there: the open panel turns to the signed-out content.
"$scribeon" sign-out >/dev/null 2>"$e2e_tmp/err" || fail "scribeon sign-out: $(cat "$e2e_tmp/err")"
wait_for 10 "the sign-out made elsewhere" says "Sign in to get started"
press "Quit Scribeon" || fail "pressing Quit Scribeon"
expect_exit "$scribeon_pid" 0
grep -qF -- "$demo_password" "$e2e_tmp/app.log" && fail "the password reached the log"
grep -rqF -- "$demo_password" "$XDG_CONFIG_HOME" && fail "the password reached the preferences"
echo "PASS (screenshots in $artifacts)"

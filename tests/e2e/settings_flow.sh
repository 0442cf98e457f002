#!/usr/bin/env bash
# The settings window as a person uses it, against the local service: opened
# from the tray panel; on Commands a command is switched off (the service
# says so too), another is dragged to the top with the mouse and given 🚀;
# the chooser over a selection in an editor then shows the new order, the
# emoji and not the switched-off command. On General, Ctrl+Alt+K is
# recorded: the old shortcut is let go, the new one opens the chooser, and it
# is still in force after a restart. Screenshots go to the artifacts
# directory (fifth argument).
source "$(dirname "$0")/desktop.sh"
scribeon=$1 server=$2 editor=$3 key_state=$4 artifacts=${5:-$e2e_tmp/artifacts}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$artifacts"
start_accessible_desktop
start_tray

start_bg "$server" --db "$e2e_tmp/server.db" --listen 127.0.0.1:0 --demo >"$e2e_tmp/server.out" 2>&1
wait_for 20 "the server to listen" grep -q "listening on" "$e2e_tmp/server.out"
export SCRIBEON_SERVICE_ORIGIN=$(sed -n 's/^scribeon-server listening on //p' "$e2e_tmp/server.out")
demo_password=$(sed -n 's/^Password (shown only now): //p' "$e2e_tmp/server.out")
[[ -n "$demo_password" ]] || fail "the demo account's password"
printf '%s\n' "$demo_password" | "$scribeon" --sign-in demo@scribeon.local >/dev/null 2>"$e2e_tmp/err" ||
    fail "scribeon --sign-in: $(cat "$e2e_tmp/err")"

# list NAME: the list's rows, "NAME<TAB>DESCRIPTION", without the selection mark.
list() {
    /usr/bin/python3 "$here/atspi_list.py" "$scribeon_pid" "$1" --described 2>/dev/null | cut -c3-
}
service_commands() {
    curl -sf -H "Authorization: Bearer $(token)" "$SCRIBEON_SERVICE_ORIGIN/api/v1/commands"
}
is_active_on_service() { # CODE → "true" or "false"
    service_commands | /usr/bin/python3 -c "import json,sys
print(next(str(c['is_active']).lower() for c in json.load(sys.stdin)['data'] if c['code']=='$1'))"
}
name_of() { # CODE → the command's name on the service
    service_commands | /usr/bin/python3 -c "import json,sys
print(next(c['name'] for c in json.load(sys.stdin)['data'] if c['code']=='$1'))"
}
# Holds the keys as a hand does, until the chooser shows or the deadline passes.
press_shortcut_until_chooser() {
    local deadline=$((SECONDS + 30))
    until visible "Scribeon Commands" >/dev/null; do
        ((SECONDS < deadline)) || fail "the chooser never opened with $1"
        xdotool keydown "$1"
        sleep 0.15
        xdotool keyup "$1"
        wait_for 3 "" true
        visible "Scribeon Commands" >/dev/null || sleep 2
    done
}
settings="Scribeon — Settings"

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to be up" catches_sigterm "$scribeon_pid"
wait_for 30 "the tray icon" tray_icon_embedded

# The tray panel's Settings row opens the window on General.
open_tray_panel
# The probe grabs for a moment, so it only asks once the program has long
# registered its shortcut (launch runs before the first click is handled),
# and never about a combination the program is about to take.
"$key_state" --taken i 65 || fail "Super+Shift+I is not held"
press Settings || fail "pressing Settings"
wait_for 20 "the settings window" visible "$settings"
wait_for 10 "the General page" says "Global Hotkey"
names "$settings" >"$e2e_tmp/general.txt"
for expected in "Super+Shift+I" $'push button\tRecord' $'check box\tAutomatically check for updates' \
    $'push button\tCheck for Updates Now' $'check box\tStart Scribeon at login' "Version "; do
    grep -qF -- "$expected" "$e2e_tmp/general.txt" || fail "General lacks '$expected': $(cat "$e2e_tmp/general.txt")"
done
shot "$settings" settings-general

# Commands: the demo account's list in the service's order.
page() { # NAME: a click on the sidebar's row
    local x y w h
    read -r x y w h < <(extents "$1") || fail "no page $1"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}
page Commands
wait_for 20 "the commands" sh -c "/usr/bin/python3 '$here/atspi_list.py' $scribeon_pid 'Your commands' | grep -q ."
list "Your commands" >"$e2e_tmp/rows.txt"
mapfile -t codes < <(service_commands | /usr/bin/python3 -c "import json,sys
for c in json.load(sys.stdin)['data']: print(c['code'])")
((${#codes[@]} >= 3)) || fail "the demo account has fewer than three commands"
first=${codes[0]} third=${codes[2]}
first_name=$(name_of "$first") third_name=$(name_of "$third")
[[ $(is_active_on_service "$first") == true ]] || fail "$first starts switched off"

# Switch the first off with a click on its switch (the row's right end).
read -r x y w h < <(extents "$first_name") || fail "no row for $first_name"
xdotool mousemove $((x + w - 25)) $((y + h / 2)) click 1
wait_for 20 "$first to be off on the service" sh -c "[ \"\$(curl -sf -H 'Authorization: Bearer $(token)' '$SCRIBEON_SERVICE_ORIGIN/api/v1/commands' | /usr/bin/python3 -c \"import json,sys; print([c['is_active'] for c in json.load(sys.stdin)['data'] if c['code']=='$first'][0])\")\" = False ]"
wait_for 10 "the row to say off" sh -c "/usr/bin/python3 '$here/atspi_list.py' $scribeon_pid 'Your commands' --described | grep -qF '$first_name	'\$(printf '\360\237\223\235')', off'"

# The plan allows three switched on: a fourth is refused, and the toast says
# why until it goes by itself.
switch_row() { # CODE
    local x y w h
    read -r x y w h < <(extents "$(name_of "$1")") || fail "no row for $1"
    xdotool mousemove $((x + w - 25)) $((y + h / 2)) click 1
}
switch_row "${codes[3]}"
wait_for 20 "${codes[3]} to be on" sh -c "/usr/bin/python3 '$here/atspi_list.py' $scribeon_pid 'Your commands' --described | grep -qF '$(name_of "${codes[3]}")	'\$(printf '\360\237\223\235')', on'"
switch_row "${codes[4]}"
wait_for 20 "the refusal in the toast" says "Your plan allows 3 active commands. Switch one off first."
[[ $(is_active_on_service "${codes[4]}") == false ]] || fail "${codes[4]} was switched on past the plan"
shot "$settings" settings-toast
wait_for 10 "the toast to go by itself" sh -c "! /usr/bin/python3 '$here/atspi_names.py' $scribeon_pid | grep -qF 'Your plan allows'"

# Drag the third to the top, by hand: press on its name, move in steps, let go.
read -r x y w h < <(extents "$third_name")
read -r fx fy fw fh < <(extents "$first_name")
xdotool mousemove $((x + w / 2)) $((y + h / 2)) mousedown 1
for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((x + w / 2)) $((y + h / 2 - (y + h / 2 - fy - 4) * step / 8))
    sleep 0.03
done
xdotool mouseup 1
wait_for 10 "$third_name at the top" sh -c "/usr/bin/python3 '$here/atspi_list.py' $scribeon_pid 'Your commands' | head -1 | grep -qF '$third_name'"

# Give it 🚀 from the picker, opened from its emoji button (the row's left end).
rocket=$(printf '\360\237\232\200')
read -r x y w h < <(extents "$third_name")
xdotool mousemove $((x + 30)) $((y + h / 2)) click 1
wait_for 10 "the emoji picker" says "Writing & Text"
wait_for 10 "the picker's rocket" says "$rocket"
sleep 0.3
shot "Choose Emoji" emoji-picker
press "$rocket" || fail "pressing the rocket"
wait_for 10 "the picker to close" sh -c "! xdotool search --onlyvisible --name '^Choose Emoji\$'"
wait_for 10 "the row to show the rocket" sh -c "/usr/bin/python3 '$here/atspi_list.py' $scribeon_pid 'Your commands' --described | head -1 | grep -qF '$third_name	$rocket'"
sleep 0.3
shot "$settings" settings-commands

# The chooser over a selection follows at once.
doc="$e2e_tmp/doc.txt"
start_test_editor "$editor" "$doc" "hello world"
press_shortcut_until_chooser super+shift+i
wait_for 10 "the chooser's commands" sh -c "/usr/bin/python3 '$here/atspi_list.py' $scribeon_pid Commands | grep -q ."
list Commands >"$e2e_tmp/chooser.txt"
head -1 "$e2e_tmp/chooser.txt" | grep -qxF "$third_name	$rocket" || fail "the chooser's first row: $(cat "$e2e_tmp/chooser.txt")"
grep -qF "$first_name" "$e2e_tmp/chooser.txt" && fail "the switched-off command is in the chooser"
shot "Scribeon Commands" chooser-after-settings
xdotool key Escape
wait_for 10 "the chooser to close" sh -c "! xdotool search --onlyvisible --name '^Scribeon Commands\$'"

# General: record Ctrl+Alt+K.
xdotool windowactivate --sync "$(visible "$settings" | head -1)" 2>/dev/null || true
page General
press Record || fail "pressing Record"
wait_for 10 "recording" says "Press keys..."
xdotool windowactivate --sync "$(visible "$settings" | head -1)" 2>/dev/null || true
xdotool key ctrl+alt+k
wait_for 10 "the new shortcut shown" says "Alt+Ctrl+K"
wait_for 10 "the old shortcut let go" sh -c "! '$key_state' --taken i 65"
says $'push button\tReset' || fail "no Reset off the default"
shot "$settings" settings-recorded

# The start at login: the desktop's autostart entry, naming this binary.
autostart="$XDG_CONFIG_HOME/autostart/scribeon.desktop"
press "Start Scribeon at login" || fail "pressing Start Scribeon at login"
wait_for 10 "the autostart entry" test -f "$autostart"
grep -qxF "Exec=$(readlink -f "$scribeon")" "$autostart" || fail "the entry's Exec: $(cat "$autostart")"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$autostart" || fail "the autostart entry is not valid"
fi
press "Start Scribeon at login"
wait_for 10 "the autostart entry to go" sh -c "! test -e '$autostart'"

xdotool windowactivate --sync "$editor_window"
press_shortcut_until_chooser ctrl+alt+k
xdotool key Escape
wait_for 10 "the chooser to close" sh -c "! xdotool search --onlyvisible --name '^Scribeon Commands\$'"

# After a restart the new shortcut is still the one.
kill -TERM "$scribeon_pid"
expect_exit "$scribeon_pid" 0
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to be up again" catches_sigterm "$scribeon_pid"
xdotool windowactivate --sync "$editor_window"
press_shortcut_until_chooser ctrl+alt+k
"$key_state" --taken i 65 && fail "the old shortcut is held after the restart"
echo "PASS (screenshots in $artifacts)"

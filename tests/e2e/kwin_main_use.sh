#!/usr/bin/env bash
# The main use in a KWin session: the shortcut bound through the portal at
# start-up, Scribeon and the Qt test editor native on Wayland, every key
# pressed through KWin's fake input as a keyboard would. Checked: Meta+Shift+I
# over the editor's selection opens the chooser, which takes the keyboard
# (Return picks UPPER CASE), the result panel takes it in turn (Ctrl+Return
# replaces), and the editor's document reads back exactly.
#
#   kwin_main_use.sh SCRIBEON SERVER EDITOR KWIN_FAKE_KEY
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scribeon=$1 server=$2 editor=$3 fake_key=$4
source "$here/kwin_session.sh"
[[ "${5:-}" == --inside ]] || as_kwin_user "$here/kwin_main_use.sh" "$scribeon" "$server" "$editor" "$fake_key"

source "$here/desktop.sh"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
start_accessibility_and_keyring
start_local_service "$server"
sign_in "$scribeon"
position=$(command_position upper-case)

start_kwin
export QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# Evdev codes, as kwin-fake-key takes them.
declare -A code=([h]=35 [e]=18 [l]=38 [o]=24 [" "]=57 [.]=52 [w]=17 [r]=19 [d]=32)
type_text() {
    local i keys=()
    for ((i = 0; i < ${#1}; i++)); do keys+=("+${code[${1:i:1}]}" "-${code[${1:i:1}]}" s10); done
    "$fake_key" "${keys[@]}" || fail "kwin-fake-key"
}
keys() { "$fake_key" "$@" || fail "kwin-fake-key $*"; }
ctrl_a=(+29 +30 -30 -29) meta_shift_i=(+125 +42 +23 s100 -23 -42 -125) down=(+108 -108)
enter=(+28 -28) ctrl_enter=(+29 +28 -28 -29)

logged() { grep -qF -- "$1" "$e2e_tmp/app.log"; }
# shown NAME: Scribeon shows a window named NAME, as a screen reader finds it.
shown() { /usr/bin/python3 "$e2e_dir/atspi_names.py" "$scribeon_pid" 2>/dev/null | grep -qP "\t\Q$1\E$"; }
gone() { ! shown "$1"; }
selected() { [[ "$(/usr/bin/python3 "$e2e_dir/atspi_selection.py" "$1" 2>/dev/null)" == "$2" ]]; }
# active PID PATTERN: the application's window whose name matches the
# extended regex has the keyboard.
active() { [[ "$(/usr/bin/python3 "$e2e_dir/atspi_selection.py" --active "$1" 2>/dev/null)" =~ $2 ]]; }
reads() { [[ "$(/usr/bin/python3 "$e2e_dir/atspi_selection.py" --text "$1" 2>/dev/null)" == "$2" ]]; }

SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 30 "the shortcut bound through the portal" logged "shortcut portal: bound to Meta+Shift+I"

# upper_case_selection PID: with PID's text selected, the shortcut opens the
# chooser, UPPER CASE runs and Ctrl+Return replaces through AT-SPI.
upper_case_selection() {
    local captures writes
    captures=$(grep -c "capture: AX read OK (12 chars)" "$e2e_tmp/app.log" || true)
    writes=$(grep -c "replace: AX write OK" "$e2e_tmp/app.log" || true)
    keys "${meta_shift_i[@]}"
    wait_for 20 "the chooser" shown "Scribeon Commands"
    wait_for 10 "the capture through AT-SPI" sh -c \
        "[ \$(grep -c 'capture: AX read OK (12 chars)' '$e2e_tmp/app.log') -gt $captures ]"
    wait_for 10 "the chooser to have the keyboard" active "$scribeon_pid" "^Scribeon Commands$"
    for ((i = 0; i < position; i++)); do keys "${down[@]}" s20; done
    keys "${enter[@]}"
    wait_for 20 "the result panel" shown "Scribeon Result"
    wait_for 10 "the result panel to have the keyboard" active "$scribeon_pid" "^Scribeon Result$"
    keys "${ctrl_enter[@]}"
    wait_for 10 "the result panel to close" gone "Scribeon Result"
    wait_for 10 "the write through AT-SPI" sh -c \
        "[ \$(grep -c 'replace: AX write OK' '$e2e_tmp/app.log') -gt $writes ]"
    grep -q "frontmost window is our own" "$e2e_tmp/app.log" && fail "captured from our own window"
    wait_for 10 "$1 to have the keyboard back" active "$1" "."
}

# The Qt test editor, the text typed and selected with keys.
doc="$e2e_tmp/doc.txt"
start_bg "$editor" --dump "$doc"
editor_pid=${e2e_pids[-1]}
wait_for 20 "the editor's focused text" reads "$editor_pid" ""
wait_for 20 "the editor to have the keyboard" active "$editor_pid" "^Scribeon test editor$"
type_text "hello .world"
wait_for 20 "the typed text" grep -qxF "hello .world" "$doc"
keys "${ctrl_a[@]}"
wait_for 10 "the editor's selection" selected "$editor_pid" "hello .world"
upper_case_selection "$editor_pid"
wait_for 20 "the replaced text" grep -qxF "HELLO .WORLD" "$doc"
[[ "$(cat "$doc")" == "HELLO .WORLD" ]] || fail "the document reads '$(cat "$doc")'"

# mousepad (GTK 3), native on Wayland too; selected as a screen reader does.
start_bg env GDK_BACKEND=wayland mousepad --disable-server "$e2e_tmp/gtk.txt"
gtk_pid=${e2e_pids[-1]}
wait_for 20 "mousepad's focused text" reads "$gtk_pid" ""
wait_for 20 "mousepad to have the keyboard" active "$gtk_pid" "gtk\.txt"
type_text "hello .world"
wait_for 10 "mousepad's typed text" reads "$gtk_pid" "hello .world"
/usr/bin/python3 "$e2e_dir/atspi_selection.py" --select-all "$gtk_pid" || fail "selecting in mousepad"
wait_for 10 "mousepad's selection" selected "$gtk_pid" "hello .world"
upper_case_selection "$gtk_pid"
wait_for 10 "mousepad's replaced text" reads "$gtk_pid" "HELLO .WORLD"
echo PASS

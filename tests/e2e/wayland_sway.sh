#!/usr/bin/env bash
# The main use in a Wayland session: sway headless, no XWayland, Scribeon and
# the editors running natively on Wayland. A real `bindsym` runs
# `scribeon --trigger`, the shortcut is pressed through the virtual keyboard
# (wtype), and the chooser and result panel are driven with keys the same
# way. Checked: the capture through the accessibility bus (the frontmost
# application found without X11), the document read back exactly after
# Replace, the user's clipboard untouched by the capture; in the Qt test
# editor and in mousepad (GTK 3); the paste fallback in an editor that does
# not take accessibility's edits; the tray icon as a StatusNotifierItem, and
# without a tray host `scribeon` opening the tray panel.
#
#   wayland_sway.sh SCRIBEON SERVER EDITOR
#
set -euo pipefail
source "$(dirname "$0")/sway_session.sh" "$0" "$@"
scribeon=$1 server=$2 editor=$3

fail() {
    echo "FAIL: $*" >&2
    local log
    for log in sway app; do
        [[ -f "$e2e_tmp/$log.log" ]] && { echo "--- $log output ---"; tail -40 "$e2e_tmp/$log.log"; } >&2
    done
    for log in "$e2e_tmp"/*.txt; do
        [[ -f "$log" ]] && echo "--- $(basename "$log"): '$(cat "$log")'" >&2
    done
    exit 1
}

start_sway_session "$scribeon" "$server"
position=$(command_position fix-sentences)

# A tray host: on Wayland only a StatusNotifierItem can show the icon.
start_bg /usr/bin/python3 "$e2e_dir/fake_status_notifier_watcher.py" "$e2e_tmp/tray-items"
watcher_pid=${e2e_pids[-1]}
watcher() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher | grep -q "boolean true"
}
wait_for 20 "the tray host" watcher

SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to own its bus name" on_bus
wait_for 20 "the tray icon's registration" test -s "$e2e_tmp/tray-items"
wait_for 20 "scribeon to be up" catches_sigterm "$scribeon_pid"
grep -q "Accessibility Permission" "$e2e_tmp/app.log" && fail "the permission alert came up"

# fix_selection TITLE: with TITLE's window focused and its text selected,
# the shortcut opens the chooser, "Fix spacing and capitals" runs and
# Ctrl+Return replaces; the user's clipboard is what it was until Replace.
fix_selection() {
    local captures
    captures=$(grep -c "capture: AX read OK (12 chars)" "$e2e_tmp/app.log" || true)
    wl-copy "the user's clipboard"
    wait_for 10 "$1 to have the focus" has_focus "$1"
    keys -M logo -M shift -k i -m shift -m logo
    wait_for 20 "the chooser" shown "Scribeon Commands"
    wait_for 10 "the capture through AT-SPI" sh -c \
        "[ \$(grep -c 'capture: AX read OK (12 chars)' '$e2e_tmp/app.log') -gt $captures ]"
    [[ "$(wl-paste --no-newline)" == "the user's clipboard" ]] || fail "the capture changed the clipboard"
    wait_for 10 "the chooser to have the focus" has_focus "^Scribeon Commands$"
    for ((i = 0; i < position; i++)); do keys -k Down; done
    keys -k Return
    wait_for 20 "the result panel" shown "Scribeon Result"
    wait_for 10 "the result panel to have the focus" has_focus "^Scribeon Result$"
    keys -M ctrl -k Return -m ctrl
    wait_for 10 "the result panel to close" gone "Scribeon Result"
}

# The Qt test editor, native on Wayland.
doc="$e2e_tmp/doc.txt"
start_bg "$editor" --dump "$doc"
editor_pid=${e2e_pids[-1]}
wait_for 20 "the test editor" shown "Scribeon test editor"
wait_for 10 "the test editor to have the focus" has_focus "^Scribeon test editor$"
keys "hello .world"
wait_for 20 "the typed text" grep -qxF "hello .world" "$doc"
keys -M ctrl a -m ctrl
wait_for 10 "the editor's selection" selected "$editor_pid" "hello .world"
fix_selection "^Scribeon test editor$"
wait_for 20 "the replaced text" grep -qx "Hello. World" "$doc"
wait_for 10 "the write through AT-SPI" grep -q "replace: AX write OK" "$e2e_tmp/app.log"
[[ "$(cat "$doc")" == "Hello. World" ]] || fail "the document reads '$(cat "$doc")'"
[[ "$(wl-paste --no-newline)" == "Hello. World" ]] || fail "Replace left no result on the clipboard"
grep -q "frontmost window is our own" "$e2e_tmp/app.log" && fail "captured from our own window"

# Another window taking the focus (a click outside) closes the chooser, as
# on X11.
wait_for 10 "the editor to have the focus back" pid_has_focus "$editor_pid"
wait_for 10 "the editor's focused text" reads "$editor_pid" "Hello. World"
keys -M ctrl a -m ctrl
wait_for 10 "the editor's selection" selected "$editor_pid" "Hello. World"
keys -M logo -M shift -k i -m shift -m logo
wait_for 20 "the chooser" shown "Scribeon Commands"
swaymsg "[pid=$editor_pid] focus" >/dev/null
wait_for 10 "the chooser to close when the editor takes the focus" gone "Scribeon Commands"

# mousepad (GTK 3).
saved="$e2e_tmp/gtk.txt"
: >"$saved"
start_bg mousepad --disable-server "$saved"
gtk_pid=${e2e_pids[-1]}
wait_for 20 "mousepad to have the focus" has_focus "gtk\.txt"
# Keys typed before GTK has the keyboard focus are lost.
wait_for 20 "mousepad's focused text" reads "$gtk_pid" ""
keys "hello .world"
wait_for 10 "mousepad's typed text" reads "$gtk_pid" "hello .world"
# GTK takes no Ctrl+A from the virtual keyboard here; a screen reader's
# selection is as good a selection.
/usr/bin/python3 "$e2e_dir/atspi_selection.py" --select-all "$gtk_pid" || fail "selecting in mousepad"
wait_for 10 "mousepad's selection" selected "$gtk_pid" "hello .world"
fix_selection "gtk\.txt"
# Read back through the bus: GTK takes no Ctrl+S from the virtual keyboard
# either, so the file cannot be saved with keys.
wait_for 10 "mousepad's replaced text" reads "$gtk_pid" "Hello. World"
wait_for 10 "the write into mousepad through AT-SPI" sh -c \
    "[ \$(grep -c 'replace: AX write OK' '$e2e_tmp/app.log') -eq 2 ]"
[[ "$(wl-paste --no-newline)" == "Hello. World" ]] || fail "Replace left no result on the clipboard"
# An application that shows its text but does not take accessibility's
# edits: the result is pasted through the virtual keyboard, with the
# clipboard set through data-control.
keys_doc="$e2e_tmp/keys-only.txt"
start_bg "$editor" --dump "$keys_doc" --keys-only
keys_pid=${e2e_pids[-1]}
wait_for 20 "the keys-only editor to have the focus" pid_has_focus "$keys_pid"
wait_for 20 "the keys-only editor's focused text" reads "$keys_pid" ""
keys "hello .world"
wait_for 20 "the typed text" grep -qxF "hello .world" "$keys_doc"
keys -M ctrl a -m ctrl
wait_for 10 "the keys-only editor's selection" selected "$keys_pid" "hello .world"
fix_selection "^Scribeon test editor$"
wait_for 20 "the pasted text" grep -qx "Hello. World" "$keys_doc"
grep -q "AX write: text unchanged despite success" "$e2e_tmp/app.log" || fail "the write was not refused"
grep -q "Cmd+V: postToPid($keys_pid)" "$e2e_tmp/app.log" || fail "not pasted into the editor"
[[ "$(cat "$keys_doc")" == "Hello. World" ]] || fail "the keys-only editor reads '$(cat "$keys_doc")'"

# No tray host at all (GNOME without an extension): `scribeon` opens the
# tray panel, which takes the keyboard and closes on Escape.
kill "$scribeon_pid" "$watcher_pid"
wait_for 20 "scribeon to stop" sh -c "! kill -0 $scribeon_pid"
wait_for 20 "the tray host to stop" sh -c "! kill -0 $watcher_pid"
SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to own its bus name again" on_bus
"$scribeon" || fail "scribeon without argument failed"
wait_for 20 "the tray panel to have the focus" has_focus "^Scribeon$"
keys -k Escape
wait_for 10 "the tray panel to close" gone "Scribeon"
echo PASS

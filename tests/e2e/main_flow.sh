#!/usr/bin/env bash
# The main use from the shortcut to replaced text: a sentence typed into the
# Qt test editor is selected, Super+Shift+I opens the chooser with the local
# service's commands, Return runs "Fix spacing and capitals", the result
# panel shows the processed text, Ctrl+Return writes it into the editor and
# the replace hint appears; then the same in mousepad. Screenshots of the
# three panels are kept in the artifacts directory (fourth argument).
source "$(dirname "$0")/desktop.sh"
scribeon=$1 server=$2 editor=$3 artifacts=${4:-$e2e_tmp/artifacts}
mkdir -p "$artifacts"
start_accessible_desktop

start_local_service "$server"
sign_in "$scribeon"
# Where "Fix spacing and capitals" sits among the active commands.
position=$(command_position fix-sentences)

doc="$e2e_tmp/doc.txt"
start_test_editor "$editor" "$doc" "hello .world"

SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to own its bus name" on_bus
wait_for 20 "scribeon to be up" catches_sigterm "$scribeon_pid"
xdotool windowactivate --sync "$editor_window"

# Keys go to the active window: wait until the panel has the focus.
focused() { [[ "$(xdotool getactivewindow 2>/dev/null)" == "$(visible "$1" | head -1)" ]]; }

# Presses the shortcut until the chooser shows, runs "Fix spacing and capitals" and replaces with
# Ctrl+Return; screenshots with a name prefix when one is given, and the
# capture's log line to wait for.
fix_selection() {
    local prefix=${1:-} captured=${2:-"capture: AX read OK (12 chars)"} deadline=$((SECONDS + 20)) shown
    shown=$(grep -c "$captured" "$e2e_tmp/app.log" || true)
    # A press before the grab exists is lost; one while the chooser is on its
    # way would capture from the chooser, so presses are 3 s apart.
    local pressed=0
    until visible "Scribeon Commands" >/dev/null; do
        ((SECONDS < deadline)) || fail "the chooser never opened"
        if ((SECONDS >= pressed + 3)); then
            xdotool key super+shift+i
            pressed=$SECONDS
        fi
        sleep 0.1
    done
    wait_for 10 "the capture" sh -c "[ \$(grep -c '$captured' '$e2e_tmp/app.log') -gt $shown ]"
    sleep 0.3 # the 0.2 s fade-in, so a screenshot shows the panel
    [[ -n "$prefix" ]] && shot "Scribeon Commands" "${prefix}chooser"
    wait_for 10 "the chooser to have the focus" focused "Scribeon Commands"
    for ((i = 0; i < position; i++)); do xdotool key Down; done
    xdotool key Return
    wait_for 20 "the result panel" visible "Scribeon Result"
    sleep 0.3
    [[ -n "$prefix" ]] && shot "Scribeon Result" "${prefix}result-panel"
    chooser_gone() { ! visible "Scribeon Commands" >/dev/null; }
    wait_for 5 "the chooser to go once the result panel has the focus" chooser_gone
    wait_for 10 "the result panel to have the focus" focused "Scribeon Result"
    xdotool key ctrl+Return
}

fix_selection qt-
wait_for 20 "the replaced text" grep -qx "Hello. World" "$doc"
wait_for 10 "the replace hint" visible "Scribeon Hint"
shot "Scribeon Hint" qt-replace-hint
grep -q "replace: AX write OK" "$e2e_tmp/app.log" || fail "not written through AT-SPI"
# The hint never takes the focus: typing still goes to the editor.
xdotool key End
xdotool type --delay 10 "!"
wait_for 10 "typing in the editor" grep -qx "Hello. World!" "$doc"
wait_for 10 "the hint to go after 5 s" sh -c "! xdotool search --onlyvisible --name '^Scribeon Hint$'"

# The same in a GTK editor, read back from the file it saves.
saved="$e2e_tmp/gtk.txt"
: >"$saved"
start_bg mousepad --disable-server "$saved"
gtk_pid=${e2e_pids[-1]}
wait_for 20 "mousepad's window" xdotool search --onlyvisible --pid "$gtk_pid"
gtk_window=$(xdotool search --onlyvisible --pid "$gtk_pid" | head -1)
xdotool windowactivate --sync "$gtk_window"
xdotool type --delay 10 "hello .world"
xdotool key ctrl+a
# A GTK application that has just started may not have told AT-SPI where its
# focus is yet; the capture then copies with Ctrl+C, which is right too.
fix_selection "" "capture: .*12 chars"
wait_for 10 "the replace hint" visible "Scribeon Hint"
xdotool windowactivate --sync "$gtk_window"
xdotool key ctrl+s
wait_for 20 "mousepad's saved text" grep -qx "Hello. World" "$saved"
# bench/idle-footprint.sh: how the program idles after showing its panels.
if [[ -n "${SCRIBEON_IDLE_SECONDS:-}" ]]; then
    cpu() { awk '{print $14 + $15}' "/proc/$scribeon_pid/stat"; }
    switches() { awk '/^voluntary_ctxt_switches/ {v=$2} /^nonvoluntary_ctxt_switches/ {n=$2} END {print v + n}' \
        "/proc/$scribeon_pid/status"; }
    xdotool windowactivate --sync "$editor_window"
    before_cpu=$(cpu) before_switches=$(switches)
    sleep "$SCRIBEON_IDLE_SECONDS"
    ticks=$(($(cpu) - before_cpu)) woken=$(($(switches) - before_switches))
    echo "idle ${SCRIBEON_IDLE_SECONDS} s: cpu $((ticks * 1000 / $(getconf CLK_TCK))) ms," \
        "context switches $woken, $(grep VmRSS "/proc/$scribeon_pid/status" | tr -s ' ')"
    grep -E "^(Rss|Pss_Anon|Pss_File|Pss_Shmem|Anonymous)" "/proc/$scribeon_pid/smaps_rollup" | tr -s ' ' | paste -sd ' '
    awk '/^[0-9a-f]+-/ {name = $6} /^Rss:/ {rss[name] += $2} END {for (n in rss) print rss[n], n}' \
        "/proc/$scribeon_pid/smaps" | sort -rn | head -12
fi
echo "PASS (screenshots in $artifacts)"

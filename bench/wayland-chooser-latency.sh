#!/usr/bin/env bash
# From the shortcut as the compositor gets it to the chooser on screen, on
# sway headless: a real `bindsym` runs `scribeon --trigger`, the key is
# pressed through the virtual keyboard (wtype) with the Qt test editor's
# text selected, read over AT-SPI, and the command list cached. A Wayland
# window is mapped with its first buffer, so the moment sway announces the
# chooser's window is its first paint reaching the screen. Timed from the
# start of wtype (its connection to the compositor included), median and p95
# over PRESSES (30) presses. X11's figure for the same editor, key release
# to the chooser's first paint (bench/chooser-latency.sh's AT-SPI row, with
# its stages), is measured first in the same run and printed next to it.
#
#   bench/wayland-chooser-latency.sh [PRESSES]
#   bench/wayland-chooser-latency.sh --run SCRIBEON SERVER EDITOR PRESSES
set -euo pipefail
if [[ "${1:-}" != --run ]]; then
    root=$(cd "$(dirname "$0")/.." && pwd)
    cmake --build "$root/build" --target scribeon scribeon-server scribeon-test-editor \
        scribeon_chooser_bench
    x11=$("$root/tests/integration/with-desktop.sh" "$root/build/bench/scribeon_chooser_bench" \
        --benchmark_filter='editor:0/ctrl_c:0' 2>/dev/null | grep '^BM_')
    field() { grep -o " $1=[0-9.]*" <<<"$x11" | cut -d= -f2; }
    printf 'x11 (Xvfb + openbox), key release to chooser painted, 50 presses: median %.1f ms, p95 %.1f ms\n' \
        "$(field median_ms)" "$(field p95_ms)"
    for stage in 1_to_callback 2_capture 3_frontmost 4_build_show 5_map 6_paint; do
        printf '  %-14s median %5.1f ms, p95 %5.1f ms\n' "${stage#?_}" "$(field "${stage}_median")" \
            "$(field "${stage}_p95")"
    done
    exec "$0" --run "$root/build/main/scribeon" "$root/build/server/scribeon-server" \
        "$root/build/tests/scribeon-test-editor" "${1:-30}"
fi
source "$(dirname "$0")/../tests/e2e/sway_session.sh" "$0" "$@"
scribeon=$2 server=$3 editor=$4 presses=$5

start_sway_session "$scribeon" "$server"
doc="$e2e_tmp/doc.txt"
start_bg "$editor" --dump "$doc"
editor_pid=${e2e_pids[-1]}
wait_for 20 "the test editor to have the focus" has_focus "^Scribeon test editor$"
keys "a sentence to fix, selected whole"
wait_for 20 "the typed text" grep -qxF "a sentence to fix, selected whole" "$doc"
keys -M ctrl a -m ctrl
wait_for 10 "the editor's selection" selected "$editor_pid" "a sentence to fix, selected whole"

SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to own its bus name" on_bus
wait_for 20 "scribeon to be up" catches_sigterm "$scribeon_pid"

# One press before timing fetches the command list into the cache.
/usr/bin/python3 - "$presses" <<'PY' || fail "the presses did not complete"
import json, os, select, statistics, subprocess, sys, time

presses = int(sys.argv[1])
chooser, editor = "Scribeon Commands", "Scribeon test editor"
events = subprocess.Popen(["swaymsg", "-r", "-m", "-t", "subscribe", '["window"]'],
                          stdout=subprocess.PIPE)
pending = b""

def window_event(changes, name, seconds=20):
    """The monotonic time at which sway reported one of CHANGES for NAME."""
    global pending
    deadline = time.monotonic() + seconds
    while True:
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            at = time.monotonic()
            event = json.loads(line)
            if event.get("change") in changes and (event.get("container") or {}).get("name") == name:
                return at
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([events.stdout], [], [], left)[0]:
            sys.exit(f"no {'/'.join(changes)} of '{name}' within {seconds}s")
        pending += os.read(events.stdout.fileno(), 65536)

def focused_title():
    tree = json.loads(subprocess.run(["swaymsg", "-t", "get_tree"], capture_output=True).stdout)
    def walk(node):
        if node.get("focused"):
            return node.get("name") or ""
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            found = walk(child)
            if found is not None:
                return found
        return None
    return walk(tree)

def press():
    started = time.monotonic()
    subprocess.run(["wtype", "-M", "logo", "-M", "shift", "-k", "i", "-m", "shift", "-m", "logo"],
                   check=True)
    shown = window_event(("new", "title"), chooser)
    subprocess.run(["wtype", "-k", "Escape"], check=True)
    window_event(("close",), chooser)
    deadline = time.monotonic() + 10
    while focused_title() != editor:
        if time.monotonic() > deadline:
            sys.exit("the editor did not get the focus back")
        time.sleep(0.02)
    return (shown - started) * 1000

time.sleep(0.2)  # the subscription is in place before the first press
press()
millis = sorted(press() for _ in range(presses))
print(f"wayland (sway headless), shortcut to chooser shown, {presses} presses: "
      f"median {statistics.median(millis):.1f} ms, "
      f"p95 {millis[min(len(millis) - 1, len(millis) * 95 // 100)]:.1f} ms, "
      f"max {millis[-1]:.1f} ms")
events.terminate()
PY
captures=$(grep -c "capture: AX read OK" "$e2e_tmp/app.log" || true)
((captures == presses + 1)) || fail "$captures of $((presses + 1)) captures went through AT-SPI"

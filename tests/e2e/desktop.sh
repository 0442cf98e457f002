# Sourced by the end-to-end scripts: a private, headless desktop per run
# (fresh HOME, own X server, window manager and session bus), torn down on
# exit. Nothing here relies on anything already running.

set -euo pipefail

e2e_tmp=$(mktemp -d /tmp/scribeon-e2e.XXXXXX)
e2e_pids=()

e2e_cleanup() {
    local pid
    for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do
        pid=${e2e_pids[i]}
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${e2e_pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
    done
    [[ -n "${DBUS_SESSION_BUS_PID:-}" ]] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    # What the session bus started on demand (a desktop portal and its
    # document store, the keyring) lives in this run's directories too, and
    # would still be writing there while they are removed.
    local started
    started=$(grep -lsa "XDG_RUNTIME_DIR=$e2e_tmp/run" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3) || true
    for pid in $started; do
        [[ "$pid" == "$$" ]] || kill -TERM "$pid" 2>/dev/null || true
    done
    for _ in $(seq 30); do
        rm -rf "$e2e_tmp" 2>/dev/null && return 0
        sleep 0.1
    done
    rm -rf "$e2e_tmp"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [[ -f "$e2e_tmp/app.log" ]]; then
        echo "--- scribeon output ---" >&2
        cat "$e2e_tmp/app.log" >&2
    fi
    exit 1
}

# wait_for SECONDS DESCRIPTION COMMAND...: polls COMMAND until it succeeds.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || fail "timed out after ${seconds}s waiting for $what"
        sleep 0.1
    done
}

# A fresh home and empty XDG directories; no display, no session bus.
fresh_home() {
    export HOME="$e2e_tmp/home"
    export XDG_RUNTIME_DIR="$e2e_tmp/run" XDG_CONFIG_HOME="$e2e_tmp/home/.config"
    export XDG_DATA_HOME="$e2e_tmp/home/.local/share" XDG_CACHE_HOME="$e2e_tmp/home/.cache"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM XDG_SESSION_TYPE
}

start_bg() {
    "$@" &
    e2e_pids+=($!)
}

start_desktop() {
    fresh_home
    exec 3>"$e2e_tmp/display"
    start_bg Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset
    exec 3>&-
    wait_for 20 "Xvfb to pick a display" test -s "$e2e_tmp/display"
    export DISPLAY=":$(head -n1 "$e2e_tmp/display")"
    wait_for 20 "the X server $DISPLAY" xdpyinfo
    eval "$(dbus-launch --sh-syntax)"
    # SCRIBEON_WM=xfwm4 or kwin_x11: window managers that prevent focus
    # stealing; mutter: GNOME's.
    case "${SCRIBEON_WM:-openbox}" in
    xfwm4)
        # Its focus-stealing prevention is off unless the user turns it on.
        local settings="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
        mkdir -p "$settings"
        cat >"$settings/xfwm4.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfwm4" version="1.0">
  <property name="general" type="empty">
    <property name="prevent_focus_stealing" type="bool" value="true"/>
    <property name="use_compositing" type="bool" value="false"/>
  </property>
</channel>
EOF
        start_bg xfwm4 --compositor=off --sm-client-disable >"$e2e_tmp/wm.log" 2>&1
        ;;
    kwin_x11)
        # Plasma's X11 window manager, compositing with llvmpipe. Its
        # focus-stealing prevention is pinned at its default level (Low), so
        # that a changed default cannot make the test easier.
        printf '[Windows]\nFocusStealingPreventionLevel=1\n' >"$XDG_CONFIG_HOME/kwinrc"
        start_bg kwin_x11 >"$e2e_tmp/wm.log" 2>&1
        ;;
    mutter) start_bg mutter --x11 --replace --sm-disable >"$e2e_tmp/wm.log" 2>&1 ;;
    *) start_bg openbox --sm-disable ;;
    esac
    wait_for 20 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}

# A desktop where accessibility is on (so no permission alert) and the
# keyring is unlocked: what the main use needs.
start_accessible_desktop() {
    start_desktop
    start_accessibility_and_keyring
}

# On the session bus: the accessibility bus switched on and an unlocked
# keyring; the Wayland lanes use it without an X desktop.
start_accessibility_and_keyring() {
    start_bg /usr/libexec/at-spi-bus-launcher --launch-immediately
    wait_for 20 "the accessibility bus" dbus-send --session --print-reply --dest=org.a11y.Bus \
        /org/a11y/bus org.a11y.Bus.GetAddress
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
        variant:boolean:true >/dev/null
    echo "" | gnome-keyring-daemon --unlock --components=secrets >/dev/null 2>&1
}

# No display: a fresh home, a session bus and an unlocked keyring, for the
# command line.
start_headless_session() {
    fresh_home
    eval "$(dbus-launch --sh-syntax)"
    echo "" | gnome-keyring-daemon --unlock --components=secrets >/dev/null 2>&1
}

start_tray() {
    start_bg trayer --edge top --align right --widthtype request --height 24 --SetDockType true
    wait_for 20 "the tray host" xdotool search --classname panel
}

start_scribeon() {
    start_bg "$@" >"$e2e_tmp/app.log" 2>&1
    scribeon_pid=${e2e_pids[-1]}
}

# The running Scribeon owns its name on the session bus.
on_bus() {
    [[ $(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:app.scribeon.Scribeon) == *"boolean true"* ]]
}

# True once the process has installed its own SIGTERM handler. Until the
# forked shell has exec'd the program, the mask is the shell's own, which
# may catch SIGTERM too: a signal then ends the shell, not the program.
catches_sigterm() {
    local mask
    [[ "$(cat "/proc/$1/comm" 2>/dev/null)" != bash ]] || return 1
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null) || return 1
    [[ -n "$mask" ]] && (((0x$mask >> 14) & 1))
}

# Waits for the process to exit and checks its status.
expect_exit() {
    local pid=$1 expected=$2 status=0
    local deadline=$((SECONDS + 20))
    while kill -0 "$pid" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "process $pid did not exit"
        sleep 0.1
    done
    wait "$pid" || status=$?
    [[ $status -eq $expected ]] || fail "process exited with $status, expected $expected"
}

# A window of class scribeon embedded (at any depth) in the tray host's panel.
tray_icon_embedded() { [[ -n "$(tray_icon)" ]]; }

# start_test_editor EDITOR FILE TEXT: the Qt test editor (saving to FILE as
# it changes) with TEXT typed and selected; sets editor_pid, editor_window.
start_test_editor() {
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_bg "$1" --dump "$2"
    editor_pid=${e2e_pids[-1]}
    wait_for 20 "the editor's window" xdotool search --onlyvisible --pid "$editor_pid"
    editor_window=$(xdotool search --onlyvisible --pid "$editor_pid" | head -1)
    xdotool windowactivate --sync "$editor_window"
    xdotool type --delay 10 -- "$3" # the text may start with "-"
    wait_for 20 "the typed text" grep -qxF "$3" "$2"
    xdotool key ctrl+a
}

# A scribeon-server with one account (ada@example.com, "correct horse") on a
# free loopback port, with any options given after the binary; exports
# SCRIBEON_SERVICE_ORIGIN.
start_local_service() {
    local server=$1 db="$e2e_tmp/server.db"
    shift # what follows goes to the server as options
    echo "correct horse" | "$server" user add --db "$db" --email ada@example.com --name Ada >/dev/null ||
        fail "user add"
    start_bg "$server" --db "$db" --listen 127.0.0.1:0 --quiet "$@" >"$e2e_tmp/server.out" 2>&1
    wait_for 20 "the server to listen" grep -q "listening on" "$e2e_tmp/server.out"
    SCRIBEON_SERVICE_ORIGIN=$(sed -n 's/^scribeon-server listening on //p' "$e2e_tmp/server.out")
    export SCRIBEON_SERVICE_ORIGIN
}

# Signs SCRIBEON in to the local service as ada@example.com.
sign_in() {
    echo "correct horse" | "$1" --sign-in ada@example.com >/dev/null 2>"$e2e_tmp/err" ||
        fail "sign-in: $(cat "$e2e_tmp/err")"
}

# Prints where the command CODE sits among the signed-in user's active
# commands, the rows of the chooser.
command_position() {
    local token
    token=$(secret-tool lookup service app.scribeon.Scribeon account auth_token)
    curl -sf -H "Authorization: Bearer $token" "$SCRIBEON_SERVICE_ORIGIN/api/v1/commands" >"$e2e_tmp/commands"
    /usr/bin/python3 -c '
import json, sys
active = [c["code"] for c in json.load(open(sys.argv[1]))["data"] if c["is_active"]]
print(active.index(sys.argv[2]))' "$e2e_tmp/commands" "$1" || fail "$1 is not active"
}

a11y_enabled() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:IsEnabled |
        grep -q 'boolean true'
}

alert_window() { xdotool search --onlyvisible --name '^Accessibility Permission Required$'; }

# Our own windows, read and driven as a screen reader and a hand do. The
# AT-SPI helpers need scribeon_pid; shot needs artifacts.
e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
token() { secret-tool lookup service app.scribeon.Scribeon account auth_token; }
names() { /usr/bin/python3 "$e2e_dir/atspi_names.py" "$scribeon_pid" "$@" 2>/dev/null; }
# Whole output first: grep -q would end the walk early, and pipefail then fails it.
says() {
    names >"$e2e_tmp/names.txt" || true
    grep -qF -- "$1" "$e2e_tmp/names.txt"
}
press() { /usr/bin/python3 "$e2e_dir/atspi_names.py" --press "$scribeon_pid" "$1"; }
extents() { /usr/bin/python3 "$e2e_dir/atspi_names.py" --extents "$scribeon_pid" "$1"; }
text_of() { /usr/bin/python3 "$e2e_dir/atspi_names.py" --text "$scribeon_pid" "$1" 2>/dev/null; }
visible() { xdotool search --onlyvisible --name "^$1\$"; }
shot() { import -window "$(visible "$1" | head -1)" "$artifacts/$2.png" || fail "screenshot $2"; }

# Our icon's window inside the tray host's panel, not one of our own hidden
# windows (they carry the same class). xwininfo gives up when a window goes
# away during its walk (a dialog just closed): the walk is taken again.
tray_icon() {
    local deadline=$((SECONDS + 10))
    until xwininfo -root -tree >"$e2e_tmp/tree.txt" 2>/dev/null; do
        ((SECONDS < deadline)) || return 0
        sleep 0.1
    done
    awk '/\("panel" "trayer"\)/ { match($0, /^ */); panel = RLENGTH; inside = 1; next }
         inside { match($0, /^ */); if (RLENGTH <= panel) inside = 0;
                  else if ($0 ~ /\("scribeon" "Scribeon"\)/ && !found) { print $1; found = 1 } }' \
        "$e2e_tmp/tree.txt"
}

# A left click on the tray icon until the panel shows, as a person clicks
# again when the first click went to a desktop still busy with the window
# that just closed. A click never lands on an open panel: that would close it.
open_tray_panel() {
    local icon deadline=$((SECONDS + 20))
    until says "Quit Scribeon"; do
        ((SECONDS < deadline)) || fail "the tray panel never opened"
        icon=$(tray_icon)
        [[ -n "$icon" ]] || fail "no tray icon window"
        xdotool mousemove --window "$icon" 4 4 click 1
        local settle=$((SECONDS + 4))
        while ((SECONDS < settle)) && ! says "Quit Scribeon"; do sleep 0.2; done
    done
}

# Sourced by the scripts that run on sway headless (no XWayland) with the
# accessibility bus, the keyring and a signed-in local service: the sway
# end-to-end lane and the Wayland chooser benchmark.
#
#   source sway_session.sh "$0" "$@"   (first thing in the script)
#   start_sway_session SCRIBEON SERVER
#
# sway refuses to run as root, so a root caller (CI) re-runs the script as an
# unprivileged user of its own with a clean environment, before any of the
# run's directories exist; the arguments naming files are made absolute for
# the new user.
if [[ $(id -u) -eq 0 ]]; then
    lane_user=scribeon-ci
    # The KWin lane may be adding the same user at this moment (a locked
    # /etc/passwd): try again.
    for _ in 1 2 3 4 5; do
        id "$lane_user" >/dev/null 2>&1 && break
        useradd --create-home --shell /bin/bash "$lane_user" 2>/dev/null || sleep 1
    done
    lane_script=$(realpath "$1")
    shift
    lane_arguments=()
    for argument in "$@"; do
        if [[ -e "$argument" ]]; then lane_arguments+=("$(realpath "$argument")"); else lane_arguments+=("$argument"); fi
    done
    exec runuser -u "$lane_user" -- env -i PATH="$PATH" LANG=C.UTF-8 HOME="/home/$lane_user" \
        USER="$lane_user" bash "$lane_script" "${lane_arguments[@]}"
fi

source "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"

# A session bus with the accessibility bus and an unlocked keyring, the local
# service with an account signed in, then sway with the shortcut bound as a
# user of sway binds it, a keyboard on its seat, and Qt and GTK on Wayland.
start_sway_session() {
    local scribeon=$1 server=$2
    fresh_home
    eval "$(dbus-launch --sh-syntax)"
    start_accessibility_and_keyring

    start_local_service "$server"
    sign_in "$scribeon"

    export WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1
    export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
    cat >"$e2e_tmp/sway.conf" <<CONF
xwayland disable
output HEADLESS-1 resolution 1280x800 position 0 0
bindsym Mod4+Shift+i exec "$scribeon" --trigger
CONF
    start_bg sway -c "$e2e_tmp/sway.conf" >"$e2e_tmp/sway.log" 2>&1
    wait_for 20 "sway's socket" has_socket
    export WAYLAND_DISPLAY=$(wayland_socket)
    wait_for 20 "sway's IPC socket" sh -c "ls '$XDG_RUNTIME_DIR'/sway-ipc.* >/dev/null 2>&1"
    export SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.* | head -1)
    # A seat without a keyboard gives no client the focus: a wtype that
    # sleeps holds a virtual keyboard for the whole run (killed before sway).
    start_bg wtype -s 3600000 x
    wait_for 20 "a keyboard on the seat" keyboard
    export QT_QPA_PLATFORM=wayland GDK_BACKEND=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

wayland_socket() { ls "$XDG_RUNTIME_DIR" | grep -E '^wayland-[0-9]+$' | head -1; }
has_socket() { [[ -n "$(wayland_socket)" ]]; }
keyboard() { swaymsg -t get_seats | grep -q '"capabilities": [2-7]'; }

# focused FIELD: that field of the focused window in sway's tree ("" when
# no window has the focus).
focused() {
    swaymsg -t get_tree | /usr/bin/python3 -c '
import json, sys
field = sys.argv[1]
def walk(node):
    if node.get("focused"):
        print(node.get(field) or "")
        return True
    return any(walk(child) for child in node.get("nodes", []) + node.get("floating_nodes", []))
walk(json.load(sys.stdin))' "$1"
}
focused_title() { focused name; }
# has_focus PATTERN: the focused window's title matches the extended regex.
has_focus() { [[ "$(focused_title)" =~ $1 ]]; }
focused_pid() { focused pid; }
pid_has_focus() { [[ "$(focused_pid)" == "$1" ]]; }
shown() { swaymsg -t get_tree | grep -qF "\"name\": \"$1\""; }
gone() { ! shown "$1"; }
keys() { wtype "$@"; }
# selected PID TEXT: the application's focused text shows TEXT selected.
selected() { [[ "$(/usr/bin/python3 "$e2e_dir/atspi_selection.py" "$1" 2>/dev/null)" == "$2" ]]; }
# reads PID TEXT: the application's focused text object holds TEXT.
reads() { [[ "$(/usr/bin/python3 "$e2e_dir/atspi_selection.py" --text "$1" 2>/dev/null)" == "$2" ]]; }

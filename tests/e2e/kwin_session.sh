# Sourced by the KWin lanes: a KWin session (virtual output) with the real
# xdg-desktop-portal and its KDE backend, keys pressed through KWin's fake
# input.
#
# KWin refuses to run as root in spirit and its packaged binary carries a
# file capability this container may not grant, so the session runs as an
# unprivileged user, with a copy of the binary (still named kwin_wayland, or
# its own Qt platform plugin refuses to load).

# as_kwin_user SCRIPT ARGS...: runs SCRIPT ARGS... --inside as that user on
# a session bus of its own; exits with its status.
as_kwin_user() {
    local user=scribeon-ci work status=0
    # The sway lane may be adding the same user at this moment: try again.
    for _ in 1 2 3 4 5; do
        id "$user" >/dev/null 2>&1 && break
        useradd -m "$user" 2>/dev/null || sleep 1
    done
    work=$(mktemp -d /tmp/scribeon-kwin.XXXXXX)
    trap "rm -rf '$work'" EXIT
    mkdir -p "$work/home" "$work/bin" && mkdir -m 700 "$work/run"
    cp /usr/bin/kwin_wayland "$work/bin/kwin_wayland"
    chown -R "$user" "$work"
    # KWin's Xwayland refuses an X socket directory without the sticky bit.
    install -d -m 1777 /tmp/.X11-unix
    runuser -u "$user" -- env -i HOME="$work/home" USER="$user" PATH="$work/bin:$PATH" LANG=C.UTF-8 \
        XDG_RUNTIME_DIR="$work/run" timeout 120 dbus-run-session -- bash "$@" --inside || status=$?
    exit $status
}

# Starts KWin and exports the session's environment, also to what the bus
# starts on demand (the portal's KDE backend needs the display).
start_kwin() {
    export KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true \
        KDE_SESSION_VERSION=5 XDG_SESSION_TYPE=wayland
    start_bg kwin_wayland --virtual --socket scribeon-kw --width 1280 --height 800 --no-lockscreen \
        >"$e2e_tmp/kwin.log" 2>&1
    wait_for 30 "KWin's socket" test -S "$XDG_RUNTIME_DIR/scribeon-kw"
    export WAYLAND_DISPLAY=scribeon-kw
    dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE \
        KDE_FULL_SESSION KDE_SESSION_VERSION QT_QPA_PLATFORM=wayland
}

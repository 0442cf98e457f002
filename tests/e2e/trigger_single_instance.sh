#!/usr/bin/env bash
# One Scribeon per session bus: `scribeon --trigger` and a desktop's own
# `gdbus call` run the running instance's shortcut pipeline (signed out, it
# opens the sign-in window), a plain `scribeon` hands over and exits, an
# instance on another session's bus finds the shortcut taken and says so,
# the name is free again once an instance is killed, and a call to the
# interface starts Scribeon through its D-Bus service file.
source "$(dirname "$0")/desktop.sh"
scribeon=$1
start_desktop
notes="$e2e_tmp/notifications"
touch "$notes"
start_bg "$(dirname "$0")/fake_notification_daemon.py" "$notes"
wait_for 20 "the notification service" dbus-send --session --print-reply \
    --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
    org.freedesktop.Notifications.GetCapabilities

notified() { grep -cF -- "$1" "$notes" || true; }
notified_times() { [[ $(notified "$1") -eq $2 ]]; }
login="Scribeon — Sign In"
# The sign-in window of that process is on screen.
login_shown() { xdotool search --onlyvisible --pid "$1" --name "^$login\$"; }
# Alt+F4, as a user closes it; again if a busy window manager missed it.
close_login() {
    local window deadline=$((SECONDS + 20))
    while window=$(xdotool search --onlyvisible --pid "$1" --name "^$login\$" | head -1) && [[ -n "$window" ]]; do
        ((SECONDS < deadline)) || fail "the sign-in window does not close"
        xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 || true
        sleep 1
    done
}
call() {
    gdbus call --session --dest app.scribeon.Scribeon --object-path /app/scribeon/Scribeon \
        --method "app.scribeon.Scribeon.$1"
}
off_bus() { ! on_bus; }
# private_bus VARIABLE DAEMON-OPTION...: starts a bus daemon, stopped on exit,
# and puts its address into VARIABLE.
private_bus() {
    local variable=$1 lines
    shift
    mapfile -t lines < <(dbus-daemon "$@" --fork --print-address=1 --print-pid=1)
    e2e_pids+=("${lines[1]}")
    printf -v "$variable" '%s' "${lines[0]}"
}
taken='The shortcut Super+Shift+I is used by another application. Choose another in Settings.'

start_scribeon "$scribeon"
first=$scribeon_pid
wait_for 30 "the bus name" on_bus
wait_for 30 "the SIGTERM handler" catches_sigterm "$first"

"$scribeon" --trigger || fail "--trigger exited $?"
wait_for 20 "the sign-in window" login_shown "$first"
[[ $(notified Sign) -eq 0 ]] || fail "a notification instead of the window"
close_login "$first"
call Trigger >/dev/null || fail "gdbus call Trigger"
wait_for 20 "the sign-in window from the bus" login_shown "$first"
gdbus introspect --session --dest app.scribeon.Scribeon --object-path /app/scribeon/Scribeon \
    >"$e2e_tmp/introspection" || fail "introspection"
for method in Trigger ShowPanel AccountChanged; do
    grep -q "$method();" "$e2e_tmp/introspection" || fail "$method is not exported"
done

# Without --trigger a second start hands over and exits; the first goes on.
timeout 20 "$scribeon" || fail "a second scribeon exited $?"
kill -0 "$first" || fail "the running instance is gone"

# Another session's instance (its own session bus) finds the shortcut held.
private_bus other_bus --session
start_bg env DBUS_SESSION_BUS_ADDRESS="$other_bus" "$(dirname "$0")/fake_notification_daemon.py" "$notes"
wait_for 20 "the other session's notification service" env DBUS_SESSION_BUS_ADDRESS="$other_bus" \
    dbus-send --session --print-reply --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
    org.freedesktop.Notifications.GetCapabilities
start_bg env DBUS_SESSION_BUS_ADDRESS="$other_bus" "$scribeon" >>"$e2e_tmp/app.log" 2>&1
other=${e2e_pids[-1]}
wait_for 30 "the shortcut-taken notification" notified_times "$taken" 1
kill -0 "$other" || fail "the other session's instance did not keep running"
kill -TERM "$other"

# A killed instance's name is free at once; --trigger then starts a new
# instance, which runs the pipeline once.
kill -KILL "$first"
wait "$first" 2>/dev/null || true
wait_for 10 "the name to be released" off_bus
start_bg "$scribeon" --trigger >>"$e2e_tmp/app.log" 2>&1
second=${e2e_pids[-1]}
wait_for 30 "the new instance's sign-in window" login_shown "$second"
close_login "$second"
"$scribeon" --trigger || fail "--trigger to the new instance exited $?"
wait_for 20 "the sign-in window again" login_shown "$second"
[[ $(notified "$taken") -eq 1 ]] || fail "the shortcut was told taken again"
kill -TERM "$second"
expect_exit "$second" 0

# Bus activation: with the service file on the bus's search path, a call
# starts Scribeon, which then takes the call.
services="$e2e_tmp/dbus-services"
mkdir -p "$services"
sed "s|@SCRIBEON_EXECUTABLE@|$scribeon|" "$(dirname "$0")/../../packaging/app.scribeon.Scribeon.service.in" \
    >"$services/app.scribeon.Scribeon.service"
cat >"$e2e_tmp/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <servicedir>$services</servicedir>
</busconfig>
CONF
private_bus activating_bus --config-file="$e2e_tmp/session.conf"
export DBUS_SESSION_BUS_ADDRESS="$activating_bus"
call Trigger >/dev/null || fail "the activating call failed"
activated=$(pgrep -n -f "^$scribeon\$") || fail "the bus started no scribeon"
e2e_pids+=("$activated")
wait_for 30 "the activated instance's sign-in window" login_shown "$activated"
echo "PASS"

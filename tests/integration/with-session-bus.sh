#!/usr/bin/env bash
# Runs a command on a private session bus of its own, in a temporary HOME
# with its own XDG directories, all removed afterwards. The bus starts no
# services (no service directories): a test meets only what it started
# itself, never a desktop portal the machine happens to have installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bus=$(mktemp -d /tmp/scribeon-bus.XXXXXX)
trap 'rm -rf "$bus"' EXIT
cat >"$bus/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$bus</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
unset DISPLAY WAYLAND_DISPLAY
status=0
"$here/with-fresh-home.sh" dbus-run-session --config-file="$bus/session.conf" -- "$@" || status=$?
exit $status

#!/usr/bin/env bash
# Builds both Debian packages from the build directory with a release key
# made here, after checking that packaging refuses the demo key and that
# configuring refuses a malformed key, and checks them as a distribution
# would: the file lists, the computed dependencies, lintian, the update key,
# the desktop entries, the AppStream metainfo, the systemd unit (verify and
# its exposure score), and the binaries taken out of the packages start: the
# program prints its version, the service answers on loopback.
set -euo pipefail
build=$1 version=$2 signer=$3 demo_key=$4
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/scribeon-packages.XXXXXX)
server_pid=""
cleanup() {
    [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The demo key's secret is public: no package may trust it, neither given
# for cpack nor built in, as a development build has it.
refusal="Packages need a release update key; the demo key's secret is public."
keys=("$demo_key")
[[ -n "$(sed -n 's/^SCRIBEON_UPDATE_PUBLIC_KEY:[A-Z]*=//p' "$build/CMakeCache.txt")" ]] || keys+=("")
for given in "${keys[@]}"; do
    status=0
    SCRIBEON_RELEASE_PUBLIC_KEY=$given cpack --config "$build/CPackConfig.cmake" -G DEB \
        -B "$work/refused" >"$work/refused.log" 2>&1 || status=$?
    ((status != 0)) || fail "cpack made packages with the key '${given:-built in}'"
    grep -qF "$refusal" "$work/refused.log" || { cat "$work/refused.log"; fail "no refusal message"; }
    ! ls "$work"/refused/*.deb >/dev/null 2>&1 || fail "cpack left packages: $(ls "$work/refused")"
done

status=0
cmake -S "$source_dir" -B "$work/configured" -DSCRIBEON_CORE_ONLY=ON \
    -DSCRIBEON_UPDATE_PUBLIC_KEY=not-a-key >"$work/configure.log" 2>&1 || status=$?
((status != 0)) || fail "a malformed SCRIBEON_UPDATE_PUBLIC_KEY was configured"
grep -qF "SCRIBEON_UPDATE_PUBLIC_KEY is not a base64 Ed25519 public key" "$work/configure.log" ||
    { cat "$work/configure.log"; fail "no message for a malformed key"; }

# As the README shows it, with a release key made here.
"$signer" generate "$work/release.key" >/dev/null || fail "generate"
SCRIBEON_RELEASE_PUBLIC_KEY=$("$signer" public "$work/release.key") cpack \
    --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
desktop_deb="$work/out/scribeon_${version}_amd64.deb"
server_deb="$work/out/scribeon-server_${version}_amd64.deb"
[[ -f "$desktop_deb" && -f "$server_deb" ]] || fail "packages: $(ls "$work/out")"

files() { dpkg-deb -c "$1" | awk '{print $6}' | grep -v '/$' | sort; }
files "$desktop_deb" >"$work/desktop.files"
diff -u - "$work/desktop.files" <<'LIST' || fail "the scribeon package's files changed"
./etc/xdg/autostart/scribeon.desktop
./usr/bin/scribeon
./usr/share/applications/app.scribeon.Scribeon.desktop
./usr/share/dbus-1/services/app.scribeon.Scribeon.service
./usr/share/doc/scribeon/changelog.gz
./usr/share/doc/scribeon/copyright
./usr/share/icons/hicolor/128x128/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/16x16/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/22x22/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/24x24/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/256x256/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/32x32/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/36x36/status/app.scribeon.Scribeon-tray.png
./usr/share/icons/hicolor/48x48/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/512x512/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/64x64/apps/app.scribeon.Scribeon.png
./usr/share/icons/hicolor/scalable/apps/app.scribeon.Scribeon.svg
./usr/share/man/man1/scribeon.1.gz
./usr/share/metainfo/app.scribeon.Scribeon.metainfo.xml
./usr/share/scribeon/update-key
LIST
files "$server_deb" >"$work/server.files"
diff -u - "$work/server.files" <<'LIST' || fail "the scribeon-server package's files changed"
./etc/scribeon/scribeon-server.conf
./lib/systemd/system/scribeon-server.service
./usr/bin/scribeon-server
./usr/share/doc/scribeon-server/changelog.gz
./usr/share/doc/scribeon-server/copyright
./usr/share/lintian/overrides/scribeon-server
./usr/share/man/man8/scribeon-server.8.gz
LIST

# dpkg-shlibdeps computed the libraries; the version is the project's.
for deb in "$desktop_deb" "$server_deb"; do
    [[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "$deb: version $(dpkg-deb -f "$deb" Version)"
done
depends=$(dpkg-deb -f "$desktop_deb" Depends)
for library in libqt6widgets6 libqt6dbus6 libqt6network6 libdbus-1-3 libsodium23 libxtst6 libc6; do
    [[ "$depends" == *"$library"* ]] || fail "scribeon does not depend on $library: $depends"
done
[[ "$(dpkg-deb -f "$server_deb" Depends)" == *libsqlite3-0* ]] || fail "scribeon-server: no libsqlite3-0"
[[ "$(dpkg-deb -f "$server_deb" Depends)" != *libqt6* ]] || fail "the service pulls in Qt"

lintian --fail-on error,warning \
    "$desktop_deb" "$server_deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }

root="$work/root"
dpkg -x "$desktop_deb" "$root"
dpkg -x "$server_deb" "$root"
[[ "$(cat "$root/usr/share/scribeon/update-key")" == "$("$signer" public "$work/release.key")" ]] ||
    fail "the package's update key: $(cat "$root/usr/share/scribeon/update-key")"
desktop-file-validate "$root/usr/share/applications/app.scribeon.Scribeon.desktop" \
    "$root/etc/xdg/autostart/scribeon.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=scribeon --trigger' "$root/usr/share/applications/app.scribeon.Scribeon.desktop" ||
    fail "no desktop action running scribeon --trigger"
appstreamcli validate --no-net "$root/usr/share/metainfo/app.scribeon.Scribeon.metainfo.xml" ||
    fail "appstreamcli validate"
# The metainfo's screenshots are the end-to-end tests' pictures kept in
# packaging/screenshots, at the sizes it states.
/usr/bin/python3 - "$root/usr/share/metainfo/app.scribeon.Scribeon.metainfo.xml" \
    "$source_dir/packaging/screenshots" <<'PY' || fail "the metainfo's screenshots"
import os, struct, sys, xml.etree.ElementTree as ET
metainfo, folder = sys.argv[1:]
images = ET.parse(metainfo).getroot().findall("./screenshots/screenshot/image")
assert images, "no screenshots"
for image in images:
    path = os.path.join(folder, os.path.basename(image.text))
    with open(path, "rb") as png:
        header = png.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n", path
    size = struct.unpack(">II", header[16:24])
    assert size == (int(image.get("width")), int(image.get("height"))), (path, size)
PY
grep -qx 'Exec=/usr/bin/scribeon' "$root/usr/share/dbus-1/services/app.scribeon.Scribeon.service" ||
    fail "the D-Bus service file: $(cat "$root/usr/share/dbus-1/services/app.scribeon.Scribeon.service")"

# The unit as installed, with ExecStart pointing at the extracted binary so
# that verify can check it exists.
mkdir "$work/unit"
sed "s|/usr/bin/scribeon-server|$root/usr/bin/scribeon-server|" \
    "$root/lib/systemd/system/scribeon-server.service" >"$work/unit/scribeon-server.service"
MANPATH="$root/usr/share/man" systemd-analyze verify "$work/unit/scribeon-server.service" ||
    fail "systemd-analyze verify"
score=$(systemd-analyze security --offline=true "$work/unit/scribeon-server.service" 2>&1 |
    sed -n 's/^→ Overall exposure level for scribeon-server.service: \([0-9.]*\) .*/\1/p')
[[ -n "$score" ]] || fail "no exposure score"
awk -v s="$score" 'BEGIN { exit !(s < 2.0) }' || fail "exposure $score, not below 2.0"
echo "exposure score: $score"

[[ "$("$root/usr/bin/scribeon" --version)" == "scribeon $version" ]] || fail "scribeon --version"
"$root/usr/bin/scribeon" --help | grep -q -- '--trigger' || fail "scribeon --help"
[[ "$("$root/usr/bin/scribeon-server" --version)" == "scribeon-server $version" ]] ||
    fail "scribeon-server --version"
# The options the unit passes, on a free port.
source "$root/etc/scribeon/scribeon-server.conf"
read -ra options <<<"${SCRIBEON_SERVER_OPTIONS/127.0.0.1:8787/127.0.0.1:0}"
"$root/usr/bin/scribeon-server" serve --db "$work/server.db" "${options[@]}" >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/server.out" && break; sleep 0.1; done
origin=$(sed -n 's/^scribeon-server listening on //p' "$work/server.out")
[[ -n "$origin" ]] || fail "the packaged service did not listen: $(cat "$work/server.out")"
status=$(curl -s -o "$work/reply" -w '%{http_code}' "$origin/api/v1/user")
[[ "$status" == 401 ]] || fail "GET /api/v1/user: $status $(cat "$work/reply")"
echo "PASS"

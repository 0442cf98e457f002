#!/usr/bin/env bash
# A release is one command: with a key pair made here, scripts/release
# packages the build, signs both packages and writes the feed. Each
# signature verifies against the public key with the updater's own check; a
# package with one byte changed does not; the feed names the program's
# package with its length, build number and signature, and the package
# carries the release key as the program's update key.
set -euo pipefail
source_dir=$1 build=$2 signer=$3
work=$(mktemp -d /tmp/scribeon-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

public_key=$("$signer" generate "$work/release.key") || fail "generate"
printf 'Faster chooser & <panel>\nCafé 🍮\n' >"$work/notes.txt"
"$source_dir/scripts/release" --key "$work/release.key" --url "https://dl.example/scribeon/" \
    --notes "$work/notes.txt" --build-dir "$build" --out "$work/out" \
    >"$work/release.log" 2>&1 || { tail -40 "$work/release.log"; fail "scripts/release"; }

out="$work/out"
version=$(dpkg-deb -f "$out"/scribeon_*_amd64.deb Version)
program="$out/scribeon_${version}_amd64.deb"
for deb in "$program" "$out/scribeon-server_${version}_amd64.deb"; do
    [[ -f "$deb" && -f "$deb.sig" ]] || fail "missing $deb or its signature: $(ls "$out")"
    [[ "$("$signer" verify "$public_key" "$deb" "$(cat "$deb.sig")")" == valid ]] ||
        fail "$deb does not verify"
    cp "$deb" "$work/changed.deb"
    printf '\x00' | dd of="$work/changed.deb" bs=1 seek=$(($(stat -c %s "$deb") / 2)) conv=notrunc status=none
    cmp -s "$deb" "$work/changed.deb" && printf '\x01' |
        dd of="$work/changed.deb" bs=1 seek=$(($(stat -c %s "$deb") / 2)) conv=notrunc status=none
    status=0
    "$signer" verify "$public_key" "$work/changed.deb" "$(cat "$deb.sig")" >/dev/null || status=$?
    [[ $status -eq 1 ]] || fail "a changed byte in $deb still verifies (exit $status)"
done

build_number=$(sed -n 's/^SCRIBEON_BUILD:[A-Z]*=//p' "$build/CMakeCache.txt")
/usr/bin/python3 - "$out/appcast.xml" "$program" "$(cat "$program.sig")" "$version" "$build_number" <<'PY' || fail "appcast"
import os, sys, xml.etree.ElementTree as ET
feed, package, signature, version, build = sys.argv[1:]
sparkle = "{http://www.andymatuschak.org/xml-namespaces/sparkle}"
items = ET.parse(feed).getroot().findall("./channel/item")
assert len(items) == 1, items
item = items[0]
assert item.findtext(sparkle + "version") == build, item.findtext(sparkle + "version")
assert item.findtext(sparkle + "shortVersionString") == version
enclosure = item.find("enclosure")
assert enclosure.get("url") == "https://dl.example/scribeon/" + os.path.basename(package), enclosure.get("url")
assert int(enclosure.get("length")) == os.path.getsize(package)
assert enclosure.get(sparkle + "edSignature") == signature
notes = item.findtext("description")
assert "<li>Faster chooser &amp; &lt;panel&gt;</li>" in notes and "Café 🍮" in notes, notes
assert item.findtext("pubDate"), "no date"
PY

mkdir "$work/root"
dpkg -x "$program" "$work/root"
[[ "$(cat "$work/root/usr/share/scribeon/update-key")" == "$public_key" ]] ||
    fail "the package's update key: $(cat "$work/root/usr/share/scribeon/update-key")"
echo "PASS"

#!/usr/bin/env bash
# The Debian package as a user gets it: scripts/package builds it; extracted into a temporary
# root, it holds the programs, help, icons, menu entry, metadata and manual pages; the entry and
# the metadata validate and lintian finds no error; and the extracted kivra, on the private
# display, starts its link program from the extracted tree.
# Usage: package_test.sh BUILD_FOLDER   (run by with-private-display)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
id=org.kivra.Kivra
fail() { echo "package test: $*" >&2; exit 1; }
# Polls a condition for up to 20 s.
waitFor() { for _ in $(seq 1 200); do eval "$1" && return 0; sleep 0.1; done; fail "gave up waiting for: $1"; }

deb=$(KIVRA_BUILD_DIR=$build "$top/scripts/package")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kivra-package.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$tmp/root"
usr=$tmp/root/usr

for f in bin/kivra bin/kivra-settings libexec/kivra/kivlink; do [ -x "$usr/$f" ] || fail "no program $f"; done
for f in share/kivra/help/index.html share/kivra/welcome.gif share/icons/hicolor/scalable/apps/$id.svg \
         share/icons/hicolor/48x48/apps/$id.png \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/man/man1/kivra.1.gz \
         share/man/man1/kivra-settings.1.gz share/doc/kivra/copyright share/doc/kivra/changelog.gz; do
  [ -s "$usr/$f" ] || fail "missing $f"
done
desktop-file-validate "$usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >&2 || fail "bad metadata"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependencies from the library scan"
lintian --fail-on error "$deb" || fail "lintian reports errors"

export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config KIVRA_SETTINGS=$tmp/settings.sqlite3
settings=$usr/bin/kivra-settings
# A link that starts by itself when its host comes to the front.
host="Kivra package host"
"$settings" set 'Kivra\Kivra [ Main ]' HostLinks HLinkCnt 1
"$settings" set 'Kivra\Kivra [ Main ]' HostLinks Link1 "$host"
"$settings" set "Kivra\\Kivra [Link] $host\\Inst 1 of 1" LinkOptions AutoExecOn 1
# Help opens through xdg-open: this one writes down what it was asked to open.
mkdir -p "$tmp/fakebin"
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$tmp/opened" >"$tmp/fakebin/xdg-open"
chmod +x "$tmp/fakebin/xdg-open"
PATH=$tmp/fakebin:$PATH "$usr/bin/kivra" & pids+=($!)
kivra=$!
# The welcome box: a click on it opens the installed help, Enter closes it.
box=""
findBox() { box=$(xdotool search --all --onlyvisible --pid "$kivra" --name '^Kivra 2\.00' 2>/dev/null | head -n1); [ -n "$box" ]; }
waitFor findBox
xdotool mousemove --window "$box" 3 3 click 1
waitFor '[ -s "$tmp/opened" ]'
grep -q "^file://$usr/share/kivra/help/index.html#context-" "$tmp/opened" ||
  fail "help opened elsewhere: $(cat "$tmp/opened")"
waitFor '{ xdotool windowactivate "$box"; [ "$(xdotool getactivewindow 2>/dev/null)" = "$box" ]; } 2>/dev/null'
xdotool key Return
waitFor '! xdotool search --all --onlyvisible --pid "$kivra" --name "^Kivra 2\\.00" >/dev/null 2>&1'

xmessage -title "$host" "A host window" & pids+=($!)
hostWindow=""
findHost() { hostWindow=$(xdotool search --name "^$host\$" 2>/dev/null | head -n1); [ -n "$hostWindow" ]; }
waitFor findHost
xdotool windowactivate "$hostWindow"
link=""
findLink() { link=$(pgrep -f -x "$usr/libexec/kivra/kivlink.*" | head -n1); [ -n "$link" ]; }
waitFor findLink
pids+=("$link")
waitFor 'xdotool search --pid "$link" >/dev/null 2>&1'
echo "package test: $deb passes"

#!/usr/bin/env bash
# The tray icon with a tray host (trayer) on the private display: the icon appears in the tray,
# a left click hides and shows the main window, and choosing a link in its menu starts the link
# window over its host.
# Usage: tray_test.sh BIN_FOLDER   (run by with-private-display)
set -euo pipefail
bin=$1
fail() { echo "tray test: $*" >&2; exit 1; }
waitFor() { for _ in $(seq 1 200); do eval "$1" && return 0; sleep 0.1; done; fail "gave up waiting for: $1"; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kivra-tray.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config KIVRA_SETTINGS=$tmp/settings.sqlite3

host="Kivra tray host"
main='Kivra\Kivra [ Main ]'
"$bin/kivra-settings" set "$main" MainOptions StartupMsg 0
"$bin/kivra-settings" set "$main" HostLinks HLinkCnt 1
"$bin/kivra-settings" set "$main" HostLinks Link1 "$host"
"$bin/kivra-settings" set "Kivra\\Kivra [Link] $host\\Inst 1 of 1" LinkOptions AutoExecOn 2  # started by hand

trayer --edge bottom --align right --widthtype pixel --width 100 --height 24 >/dev/null 2>&1 & pids+=($!)
waitFor 'xdotool search --class "^trayer$" >/dev/null 2>&1'
xmessage -title "$host" "A host window" & pids+=($!)
waitFor 'xdotool search --name "^$host\$" >/dev/null 2>&1'
"$bin/kivra" & pids+=($!)
kivra=$!
window="" icon=""
findWindow() { window=$(xdotool search --all --onlyvisible --pid "$kivra" --name '^Kivra \[Main\]$' 2>/dev/null | head -n1); [ -n "$window" ]; }
waitFor findWindow
# The icon: a small window of ours inside the tray.
findIcon() {
  for w in $(xdotool search --all --pid "$kivra" --name '' 2>/dev/null); do
    [[ $(xdotool getwindowname "$w") == QbaseRT5* ]] && xwininfo -id "$w" | grep -q IsViewable && { icon=$w; return 0; }
  done
  return 1
}
waitFor findIcon

# A left click hides the main window, the next shows it again.
xdotool mousemove --window "$icon" 3 3 click 1
waitFor '! xdotool search --all --onlyvisible --pid "$kivra" --name "^Kivra \\[Main\\]\$" >/dev/null 2>&1'
xdotool mousemove --window "$icon" 18 18 click 1  # apart from the first: not a double click
waitFor findWindow

# The menu: Hide Kivra, then the link; choosing it activates the link.
xdotool mousemove --window "$icon" 10 10 click 3
menuShown() { [ "$(xdotool search --all --onlyvisible --pid "$kivra" --name '' 2>/dev/null | wc -l)" -ge 3 ]; }
waitFor menuShown
xdotool key Down Down Return
link=""
findLink() { link=$(pgrep -P "$kivra" | head -n1); [ -n "$link" ]; }
waitFor findLink
waitFor 'xdotool search --onlyvisible --pid "$link" >/dev/null 2>&1'
echo "tray test: passes"

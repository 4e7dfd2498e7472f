#!/usr/bin/env bash
# An idle kivra (a real process) with 200 open windows and 50 links, 5 of them running
# real kivlink processes: its CPU time over 10 seconds as a share of one core; then the
# time from a window opening to its automatic link window, and the main window's
# _NET_WM_PING answer with one link stopped while the foreground changes 10 times a
# second. Twice, on a private Xvfb display with openbox: with the design's fixed
# intervals (KIVRA_FIXED_TICKS=1), then driven by the desktop's events.
# Usage: bench/watchers.sh [build-dir] [--windows 200] [--links 50] [--active 5] [--seconds 10]
#                          [--appear 10] [--ping 5]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
[ $# -gt 0 ] && shift
[ -x "$build/bin/bench_watchers" ] || ninja -C "$build" bench_watchers
export KIVRA_BIN_DIR="$build/bin"
echo "== fixed intervals"
KIVRA_FIXED_TICKS=1 "$here/../tests/support/with-private-display" "$build/bin/bench_watchers" "$@"
echo "== driven by the desktop's events"
exec "$here/../tests/support/with-private-display" "$build/bin/bench_watchers" "$@"

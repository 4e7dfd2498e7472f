#!/usr/bin/env bash
# The CPU time of an idle kivra (a real process) over 10 seconds, as a share of
# one core, with 200 open windows and 50 links, 5 of them running real kivlink
# processes over 5 of the windows, on a private Xvfb display with openbox.
# Aim: under 2 % of one core.
# Usage: bench/watchers.sh [build-dir] [--windows 200] [--links 50] [--active 5] [--seconds 10]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
[ $# -gt 0 ] && shift
[ -x "$build/bin/bench_watchers" ] || ninja -C "$build" bench_watchers
export KIVRA_BIN_DIR="$build/bin"
exec "$here/../tests/support/with-private-display" "$build/bin/bench_watchers" "$@"

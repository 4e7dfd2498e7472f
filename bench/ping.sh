#!/usr/bin/env bash
# The main window's answer time (a channel round trip, answered where _NET_WM_PING is)
# with one link program stopped while the
# foreground moves between three hosts ten times a second (p50, p99, worst), on a
# private Xvfb display with openbox. Aim: p99 under 50 ms.
# Usage: bench/ping.sh [build-dir] [--seconds 10]
# KIVRA_BIN_DIR may name another build's bin/ (with kivra, kivlink, testhost) to
# measure that kivra with this benchmark, side by side.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
[ $# -gt 0 ] && shift
[ -x "$build/bin/bench_ping" ] || ninja -C "$build" bench_ping
export KIVRA_BIN_DIR="${KIVRA_BIN_DIR:-$build/bin}"
exec "$here/../tests/support/with-private-display" "$build/bin/bench_ping" "$@"

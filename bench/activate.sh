#!/usr/bin/env bash
# Times link activation in the main program on a private Xvfb display with
# openbox: Activate to the link window shown on its host, and to the page's
# "Active" line; p50 and p95 over 20 runs, each a real kivlink.
# Usage: bench/activate.sh [build-dir] [--runs 20] [--warmup 2]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
[ $# -gt 0 ] && shift
[ -x "$build/bin/bench_activate" ] || ninja -C "$build" bench_activate
export KIVRA_BIN_DIR="$build/bin"
exec "$here/../tests/support/with-private-display" "$build/bin/bench_activate" "$@"

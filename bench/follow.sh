#!/usr/bin/env bash
# Host move to link move latency (p50, p99 over 200 moves), the CPU and context switches of
# one idle kivlink over 10 seconds and its memory, on a private display: first with
# the design's fixed 5 ms tick (KIVRA_FIXED_TICKS=1), then driven by the desktop's events.
# Usage: bench/follow.sh [bench_follow options]   e.g. --via client --moves 500 --idle 10 --links 10
# (build first: ninja bench_follow kivlink; KIVRA_BUILD_DIR names the build folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${KIVRA_BUILD_DIR:-$top/build}/bin
exec "$top/tests/support/with-private-display" bash -c '
  bin=$1; shift
  tmp=$(mktemp -d)
  trap "rm -rf $tmp" EXIT
  echo "== fixed 5 ms tick"
  KIVRA_FIXED_TICKS=1 KIVRA_SETTINGS=$tmp/fixed.sqlite3 "$bin/bench_follow" "$bin/kivlink" "$@"
  echo "== driven by the desktop'"'"'s events"
  KIVRA_SETTINGS=$tmp/events.sqlite3 "$bin/bench_follow" "$bin/kivlink" "$@"
' bench "$bin" "$@"

#!/usr/bin/env bash
# Host move to link move latency (p50, p99 over 200 moves) and the CPU of one
# idle kivlink over 10 seconds, on a private display.
# Usage: bench/follow.sh [bench_follow options]   e.g. --via client --moves 500 --idle 10
# (build first: ninja bench_follow kivlink; KIVRA_BUILD_DIR names the build folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${KIVRA_BUILD_DIR:-$top/build}/bin
exec "$top/tests/support/with-private-display" bash -c '
  bin=$1; shift
  tmp=$(mktemp -d)
  trap "rm -rf $tmp" EXIT
  KIVRA_SETTINGS=$tmp/settings.sqlite3 "$bin/bench_follow" "$bin/kivlink" "$@"
' bench "$bin" "$@"

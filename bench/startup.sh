#!/usr/bin/env bash
# Time from starting kivra to its first painted window, on a private display.
# kivra reports the moment of its first paint when KIVRA_TRACE_STARTUP is set.
# Usage: bench/startup.sh [runs]   (default 20; build first with scripts/build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${KIVRA_BUILD_DIR:-$top/build}/bin
runs=${1:-20}
exec "$top/tests/support/with-private-display" bash -c '
  bin=$1; runs=$2
  tmp=$(mktemp -d)
  trap "rm -rf $tmp" EXIT
  for i in $(seq 1 "$runs"); do
    export KIVRA_SETTINGS=$tmp/settings-$i.sqlite3
    # A stored StartupMsg of 0 keeps the welcome box out of the measurement.
    "$bin/kivra-settings" set "Kivra\\Kivra [ Main ]" MainOptions StartupMsg 0
    start=$(date +%s%N)
    KIVRA_TRACE_STARTUP=1 "$bin/kivra" 2>"$tmp/err" & pid=$!
    for _ in $(seq 1 500); do grep -q "first paint" "$tmp/err" && break; sleep 0.01; done
    painted=$(sed -n "s/.*first paint at \([0-9]*\).*/\1/p" "$tmp/err" | head -n1)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    [ -n "$painted" ] || { echo "run $i: no paint reported" >&2; cat "$tmp/err" >&2; exit 1; }
    echo $(( (painted - start) / 1000 ))
  done | sort -n | awk -v runs="$runs" "
    { v[NR] = \$1 }
    END { printf \"kivra start to first paint over %d runs: median %.1f ms, p95 %.1f ms, min %.1f ms\n\",
          NR, v[int((NR + 1) / 2)] / 1000, v[int(NR * 0.95 + 0.999)] / 1000, v[1] / 1000 }"
' bench "$bin" "$runs"

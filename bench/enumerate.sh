#!/usr/bin/env bash
# Times the host-list walk over 50 and 200 real windows on a private Xvfb
# display with openbox. Aim: one walk of 200 windows in under 2 ms.
# Usage: bench/enumerate.sh [build-dir] [--windows 50,200] [--repeat 2000]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
[ $# -gt 0 ] && shift
[ -x "$build/bin/bench_enumerate" ] || ninja -C "$build" bench_enumerate testhost
export KIVRA_BIN_DIR="$build/bin"
exec "$here/../tests/support/with-private-display" "$build/bin/bench_enumerate" "$@"

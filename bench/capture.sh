#!/usr/bin/env bash
# Screen capture figures: capture driver sampling cost, GrabChanges for a still and a fully
# changed 1280x720 rectangle, conversion throughput against memcpy. Runs in a private
# Xvfb session (1280x800) with the build's Wine prefix.
#   bench/capture.sh [convert|read|track|grab|driver ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/env.sh"
exe="$ORVANE_BUILD_DIR/bin/tests/capture_bench.exe"
[ -x "$exe" ] || cmake --build "$ORVANE_BUILD_DIR" --target capture_bench >/dev/null
session="$ORVANE_BUILD_DIR/session-bench"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  "$root/scripts/session.sh" stop "$session"
}
trap cleanup EXIT
"$root/scripts/session.sh" start "$session"
. "$session/session.env"
"$root/scripts/prefix.sh" >/dev/null
wineserver -p >/dev/null 2>&1 </dev/null
wine64 wineboot >/dev/null 2>&1 </dev/null
echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
wine64 "$exe" "$@" 2>/dev/null

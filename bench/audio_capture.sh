#!/usr/bin/env bash
# Wave-in capture loop: cost and heap allocations per block (stand-in device), and a real
# recording from the session's null-sink monitor: blocks, CPU use, first-block latency, stop time.
# Usage: ORVANE_BUILD_DIR=... bench/audio_capture.sh [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/env.sh"
cmake --build "$ORVANE_BUILD_DIR" --target bench_audio_capture -- -j2 >/dev/null
session="$(mktemp -d /tmp/bench-audio.XXXXXX)"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  "$root/scripts/session.sh" stop "$session" >/dev/null 2>&1 || true
  rm -rf "$session"
}
trap cleanup EXIT
"$root/scripts/session.sh" start "$session" >/dev/null
. "$session/session.env"
"$root/scripts/prefix.sh" >/dev/null 2>&1
cd "$ORVANE_BUILD_DIR/bin/tests"
"$root/scripts/wine-run" ./bench_audio_capture.exe "${1:-10}" 2>/dev/null

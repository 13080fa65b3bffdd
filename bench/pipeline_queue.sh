#!/usr/bin/env bash
# Queue throughput (Deliver -> writing thread) and blocked-producer wake-up latency, under Wine.
# Usage: ORVANE_BUILD_DIR=... bench/pipeline_queue.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/env.sh"
cmake --build "$ORVANE_BUILD_DIR" --target bench_pipeline_queue -- -j2 >/dev/null
session="$(mktemp -d /tmp/bench-pipeline.XXXXXX)"
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
"$root/scripts/wine-run" ./bench_pipeline_queue.exe

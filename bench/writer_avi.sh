#!/usr/bin/env bash
# AVI writer throughput under Wine: raw frames and MP3 chunks through Deliver, the queue,
# the writing thread and AVIFile. Usage: ORVANE_BUILD_DIR=... bench/writer_avi.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/env.sh"
cmake --build "$ORVANE_BUILD_DIR" --target bench_writer_avi -- -j2 >/dev/null
session="$(mktemp -d /tmp/bench-writer.XXXXXX)"
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
"$root/scripts/wine-run" ./bench_writer_avi.exe >"$session/out.txt" 2>&1 || true
cat "$session/out.txt"

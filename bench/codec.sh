#!/usr/bin/env bash
# Encoding figures under Wine: MP3 speed as a multiple of real time (44.1 kHz stereo) and the
# video pass-through's per-frame cost at 1280x720 against memcpy.
#   ORVANE_BUILD_DIR=... bench/codec.sh [mp3|passthrough]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/env.sh"
cmake --build "$ORVANE_BUILD_DIR" --target codec_bench -- -j2 >/dev/null
session="$(mktemp -d /tmp/bench-codec.XXXXXX)"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  "$root/scripts/session.sh" stop "$session" >/dev/null 2>&1 || true
  rm -rf "$session"
}
trap cleanup EXIT
"$root/scripts/session.sh" start "$session" >/dev/null
. "$session/session.env"
"$root/scripts/prefix.sh" >/dev/null
wineserver -p >/dev/null 2>&1 </dev/null
wine64 wineboot >/dev/null 2>&1 </dev/null
echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
cd "$ORVANE_BUILD_DIR/bin/tests"
wine64 ./codec_bench.exe "$@" 2>/dev/null

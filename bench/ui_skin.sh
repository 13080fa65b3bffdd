#!/usr/bin/env bash
# Skinning cost: decoding the three skin pictures and applying the skin to the main window.
# Usage: ORVANE_BUILD_DIR=... bench/ui_skin.sh [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/env.sh"
cmake --build "$ORVANE_BUILD_DIR" --target bench_ui_skin -- -j2 >/dev/null
session="$(mktemp -d /tmp/bench-ui.XXXXXX)"
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
"$root/scripts/wine-run" ./bench_ui_skin.exe "${1:-20}" 2>/dev/null

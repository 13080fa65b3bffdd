#!/usr/bin/env bash
# Runs the tests of a build under Wine, inside a private Xvfb + PulseAudio session.
# Arguments go to ctest (for example: -L unit, -R pipeline).
set -uo pipefail
. "$(dirname "$0")/env.sh"
session="$ORVANE_BUILD_DIR/session"

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  "$ORVANE_ROOT/scripts/session.sh" stop "$session"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$ORVANE_ROOT/scripts/session.sh" start "$session" || exit 1
. "$session/session.env"
"$ORVANE_ROOT/scripts/prefix.sh" || exit 1
# A persistent server and a booted prefix, with Wine's output kept away from CTest's pipes,
# make each test executable start in a fraction of a second.
wineserver -p >/dev/null 2>&1 </dev/null
wine64 wineboot >/dev/null 2>&1 </dev/null
# A test that fails is run once more: Wine on a busy machine has rare timing hiccups, a real
# fault fails twice.
ctest --test-dir "$ORVANE_BUILD_DIR" --output-on-failure --no-tests=error --repeat until-pass:2 "$@"

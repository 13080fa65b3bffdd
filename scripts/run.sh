#!/usr/bin/env bash
# `make run`: runs Orvane under Wine with the build's private prefix.
# With a display, Orvane simply starts there. Without one, a private Xvfb + PulseAudio session
# is started, Orvane runs in it for a short demonstration, and everything is stopped again.
set -uo pipefail
. "$(dirname "$0")/env.sh"
bin="$ORVANE_BUILD_DIR/bin"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  "$ORVANE_ROOT/scripts/prefix.sh" || exit 1
  echo "run: starting Orvane on $DISPLAY"
  cd "$bin" && exec wine64 ./orvane.exe
fi

session="$ORVANE_BUILD_DIR/run-session"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  "$ORVANE_ROOT/scripts/session.sh" stop "$session"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
"$ORVANE_ROOT/scripts/session.sh" start "$session" || exit 1
. "$session/session.env"
echo "run: no display here; started a private Xvfb ($DISPLAY) and PulseAudio session for Orvane"
"$ORVANE_ROOT/scripts/prefix.sh" || exit 1
export PYTHONPATH="$ORVANE_ROOT/tests/harness" ORVANE_BIN="$bin" ORVANE_BUILD="$ORVANE_BUILD_DIR"
python3 "$ORVANE_ROOT/scripts/demo.py"

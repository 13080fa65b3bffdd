#!/usr/bin/env bash
# Builds the named targets, then runs a command inside a private Xvfb + PulseAudio session with
# the build's Wine prefix, from the tests folder of the build, and stops everything afterwards.
#   scripts/in-session.sh TARGET[,TARGET...] COMMAND [ARGS...]
# A COMMAND ending in .exe runs under Wine. Benchmarks use it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/env.sh"
targets=${1:?targets} && shift
cmake --build "$ORVANE_BUILD_DIR" --target ${targets//,/ } -- -j2 >/dev/null
session="$(mktemp -d /tmp/orvane-session.XXXXXX)"
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
case "$1" in
  *.exe) "$root/scripts/wine-run" "$@" ;;
  *) "$@" ;;
esac

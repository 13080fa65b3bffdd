#!/usr/bin/env bash
# Runs the tests of a build under Wine, several side by side. Arguments go to ctest (for
# example: -L unit, -R pipeline).
#
# Tests run in slots: ORVANE_TEST_SLOTS of them (default 4), as many tests at a time. Slot N has
#   DISPLAY               its own Xvfb (1280x800x24) with a Wine virtual desktop
#   PULSE_SERVER          its own PulseAudio, whose null sink's monitor is a capture device
#   WINEPREFIX            build/wine/slot-N/prefix, copied afresh from the booted template at
#                         every run, with its own persistent wineserver
#   ORVANE_SESSION_DIR    build/slots/N (the servers' logs and sockets)
#   ORVANE_WINE_TEMPLATE  the untouched template, for tests that copy a prefix of their own
# CTest hands the slots out as the resource "session" (build/slots/resources.json): every test
# made with orvane_add_gtest or orvane_add_pytest asks for one slot and starts through
# tests/harness/slot-run, which sets the variables above. A new test gets its own slot without
# doing anything; no two tests ever share one. Nothing is left running afterwards.
set -uo pipefail
. "$(dirname "$0")/env.sh"
slots=${ORVANE_TEST_SLOTS:-4}
# No more slots than tests to run.
count=$(ctest --test-dir "$ORVANE_BUILD_DIR" -N "$@" 2>/dev/null | sed -n 's/^Total Tests: //p')
[ -n "$count" ] && [ "$count" -ge 1 ] && [ "$count" -lt "$slots" ] && slots=$count
slot_root="$ORVANE_BUILD_DIR/slots"
template="$(dirname "$WINEPREFIX")/template"

slot_prefix() { echo "$ORVANE_BUILD_DIR/wine/slot-$1/prefix"; }

stop_slot() {
  WINEPREFIX=$(slot_prefix "$1") wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$(slot_prefix "$1") wineserver -w >/dev/null 2>&1 || true
  "$ORVANE_ROOT/scripts/session.sh" stop "$slot_root/$1" >/dev/null 2>&1 || true
}

cleanup() {
  for ((i = 0; i < slots; i++)); do stop_slot "$i" & done
  wait
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A slot: its servers, a fresh copy of the template, a persistent wineserver and a booted
# prefix (with Wine's output kept away from CTest's pipes), so that each test program starts
# in a fraction of a second.
start_slot() {
  local dir="$slot_root/$1" prefix; prefix=$(slot_prefix "$1")
  "$ORVANE_ROOT/scripts/session.sh" start "$dir" || return 1
  rm -rf "$prefix" && mkdir -p "$(dirname "$prefix")" && cp -a "$template" "$prefix" || return 1
  cat "$dir/session.env" - >"$dir/slot.env" <<ENV
export WINEPREFIX=$prefix
export ORVANE_WINE_TEMPLATE=$template
ENV
  (. "$dir/slot.env"
   wineserver -p >/dev/null 2>&1 </dev/null
   wine64 wineboot >/dev/null 2>&1 </dev/null)
}

t0=$SECONDS
# The template is booted once, on a display of the sessions' size.
mkdir -p "$slot_root"
"$ORVANE_ROOT/scripts/session.sh" start "$slot_root/boot" || exit 1
(. "$slot_root/boot/session.env" && "$ORVANE_ROOT/scripts/prefix.sh") || exit 1
"$ORVANE_ROOT/scripts/session.sh" stop "$slot_root/boot"

pids=()
for ((i = 0; i < slots; i++)); do start_slot "$i" & pids+=($!); done
for pid in "${pids[@]}"; do wait "$pid" || { echo "run-tests: a test slot did not start" >&2; exit 1; }; done
{
  printf '{"version":{"major":1,"minor":0},"local":[{"session":['
  for ((i = 0; i < slots; i++)); do printf '%s{"id":"%d","slots":1}' "$([ "$i" -gt 0 ] && echo ,)" "$i"; done
  printf ']}]}\n'
} >"$slot_root/resources.json"

echo "$slots test slots ready in $((SECONDS - t0)) s"
echo "Load average before the tests: $(cut -d' ' -f1-3 /proc/loadavg)"
start=$SECONDS
ctest --test-dir "$ORVANE_BUILD_DIR" --output-on-failure --no-tests=error -j "$slots" \
  --resource-spec-file "$slot_root/resources.json" "$@"
status=$?
# Why each skipped test skipped, from the tests' own output.
grep -h '^SKIPPED ' "$ORVANE_BUILD_DIR/Testing/Temporary/LastTest.log" 2>/dev/null | sort -u | sed 's/^/Skip: /'
echo "Tests took $((SECONDS - start)) s on $slots slots; load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status

#!/usr/bin/env bash
# Payload throughput of the built-in Windows Media writer runtime (MB/s), for a screen-video
# sized sample mix and for large key frames. Needs a built tree (ORVANE_BUILD_DIR) and a
# Wine prefix booted by scripts/prefix.sh or a test run.
#   bench/wmf_throughput.sh [MEGABYTES]
set -euo pipefail
. "$(dirname "$0")/../scripts/env.sh"
mb=${1:-256}
tests="$ORVANE_BUILD_DIR/bin/tests"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
win=$(winepath -w "$out" 2>/dev/null)
cd "$tests"
for size in 30000 1048576; do
  wine64 wmf_bench.exe "$win\\bench.wmv" "$mb" "$size"
done

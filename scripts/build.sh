#!/usr/bin/env bash
# Configures (once) and builds everything: program, lame_enc.dll, language DLLs, tests.
set -euo pipefail
. "$(dirname "$0")/env.sh"
if [ ! -f "$ORVANE_BUILD_DIR/build.ninja" ]; then
  cmake -S "$ORVANE_ROOT" -B "$ORVANE_BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ORVANE_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
cmake --build "$ORVANE_BUILD_DIR" -- ${ORVANE_NINJA_ARGS:-}

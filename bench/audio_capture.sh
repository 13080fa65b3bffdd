#!/usr/bin/env bash
# Wave-in capture loop: cost and heap allocations per block (stand-in device), and a real
# recording from the session's null-sink monitor: blocks, CPU use, first-block latency, stop time.
# Usage: ORVANE_BUILD_DIR=... bench/audio_capture.sh [seconds]
exec "$(dirname "$0")/../scripts/in-session.sh" bench_audio_capture ./bench_audio_capture.exe "${1:-10}" 2>/dev/null

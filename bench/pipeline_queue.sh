#!/usr/bin/env bash
# Queue throughput (Deliver -> writing thread) and blocked-producer wake-up latency, under Wine.
# Usage: ORVANE_BUILD_DIR=... bench/pipeline_queue.sh
exec "$(dirname "$0")/../scripts/in-session.sh" bench_pipeline_queue ./bench_pipeline_queue.exe

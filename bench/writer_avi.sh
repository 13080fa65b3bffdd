#!/usr/bin/env bash
# AVI writer throughput under Wine: raw frames and MP3 chunks through Deliver, the queue,
# the writing thread and AVIFile. Usage: ORVANE_BUILD_DIR=... bench/writer_avi.sh
exec "$(dirname "$0")/../scripts/in-session.sh" bench_writer_avi ./bench_writer_avi.exe 2>&1

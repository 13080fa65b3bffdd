#!/usr/bin/env bash
# Skinning cost: decoding the three skin pictures and applying the skin to the main window.
# Usage: ORVANE_BUILD_DIR=... bench/ui_skin.sh [runs]
exec "$(dirname "$0")/../scripts/in-session.sh" bench_ui_skin ./bench_ui_skin.exe "${1:-20}" 2>/dev/null

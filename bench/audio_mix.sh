#!/usr/bin/env bash
# Mixing a second sound device: the mixer's share of one core while two 44.1 kHz stereo devices
# record, against ffmpeg's amix mixing the same stereo sound in the same run (its graph without
# the mix is timed too and taken off).
# Usage: ORVANE_BUILD_DIR=... bench/audio_mix.sh [seconds of sound]
set -euo pipefail
seconds=${1:-3600}
root="$(cd "$(dirname "$0")/.." && pwd)"
out=$("$root/scripts/in-session.sh" bench_audio_mix ./bench_audio_mix.exe "$seconds" 2>/dev/null | tr -d '\r')
echo "$out"
cpu() { local t; t=$( { TIMEFORMAT=%U+%S; time "$@" >/dev/null 2>&1; } 2>&1 ); echo "$t" | bc; }
src=(-f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" -f lavfi -i "sine=frequency=1000:sample_rate=44100:duration=$seconds")
stereo="[0]aformat=sample_fmts=s16:channel_layouts=stereo[a];[1]aformat=sample_fmts=s16:channel_layouts=stereo[b]"
both=$(cpu ffmpeg -v error "${src[@]}" -filter_complex "$stereo;[b]anullsink;[a]anull" -f null -)
mixed=$(cpu ffmpeg -v error "${src[@]}" -filter_complex "$stereo;[a][b]amix=inputs=2" -f null -)
ffmpeg_pct=$(echo "scale=4; 100 * ($mixed - $both) / $seconds" | bc)
ours=$(echo "$out" | sed -n 's/^mix_core_percent=//p')
echo "ffmpeg_amix_core_percent=$ffmpeg_pct (the same graph without the mix taken off)"
echo "ratio_to_ffmpeg=$(echo "scale=3; $ours / ($ffmpeg_pct + 0.0001)" | bc)"

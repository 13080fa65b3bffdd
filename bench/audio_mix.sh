#!/usr/bin/env bash
# Mixing a second sound device: the mixer's share of one core while two 44.1 kHz stereo devices
# record, against ffmpeg's amix doing the same sums in the same run (its tone sources alone
# are timed too and taken off).
# Usage: ORVANE_BUILD_DIR=... bench/audio_mix.sh [seconds of sound]
set -euo pipefail
seconds=${1:-600}
root="$(cd "$(dirname "$0")/.." && pwd)"
out=$("$root/scripts/in-session.sh" bench_audio_mix ./bench_audio_mix.exe "$seconds" 2>/dev/null)
echo "$out"
cpu() { local t; t=$( { TIMEFORMAT=%U+%S; time "$@" >/dev/null 2>&1; } 2>&1 ); echo "$t" | bc; }
src=(-f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" -f lavfi -i "sine=frequency=1000:sample_rate=44100:duration=$seconds")
both=$(cpu ffmpeg -v error "${src[@]}" -filter_complex "[0][1]amerge=inputs=2,pan=stereo|c0=c0|c1=c1" -f null -)
mixed=$(cpu ffmpeg -v error "${src[@]}" -filter_complex "[0][1]amix=inputs=2,aformat=s16:44100:stereo" -ac 2 -f null -)
ffmpeg_pct=$(echo "scale=4; 100 * ($mixed - $both) / $seconds" | bc)
ours=$(echo "$out" | sed -n 's/^mix_core_percent=//p')
echo "ffmpeg_amix_core_percent=$ffmpeg_pct (sources alone taken off)"
echo "ratio_to_ffmpeg=$(echo "scale=3; $ours / ($ffmpeg_pct + 0.0001)" | bc)"

#!/usr/bin/env bash
# A private desktop and sound server for tests and for `make run` without a display:
#   session.sh start DIR   starts Xvfb (1280x800x24) and PulseAudio with a null sink whose
#                          monitor is a capture device, and writes DIR/session.env
#   session.sh stop DIR    stops both
set -euo pipefail
cmd=${1:?start|stop} dir=${2:?session folder}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
width=${ORVANE_SCREEN_WIDTH:-1280} height=${ORVANE_SCREEN_HEIGHT:-800}

stop() {
  local pids=() f pid
  for f in "$dir/pulse.pid" "$dir/xvfb.pid"; do
    [ -f "$f" ] || continue
    pid=$(cat "$f") && pids+=("$pid")
    kill "$pid" 2>/dev/null || true
    rm -f "$f"
  done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -f "$dir/session.env"
}

start() {
  stop
  exec 3>"$dir/display"
  Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  exec 3>&-
  local n=""
  for _ in $(seq 100); do n=$(cat "$dir/display" 2>/dev/null || true); [ -n "$n" ] && break; sleep 0.1; done
  [ -n "$n" ] || { echo "session: Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }

  mkdir -p "$dir/xdg" && chmod 700 "$dir/xdg"
  rm -f "$dir/pulse.sock"
  XDG_RUNTIME_DIR="$dir/xdg" HOME="$dir" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --disable-shm=yes --log-target=file:"$dir/pulse.log" \
    -L "module-native-protocol-unix socket=$dir/pulse.sock auth-anonymous=1" \
    -L "module-null-sink sink_name=null" >/dev/null 2>&1 &
  echo $! >"$dir/pulse.pid"
  for _ in $(seq 100); do [ -S "$dir/pulse.sock" ] && break; sleep 0.1; done
  [ -S "$dir/pulse.sock" ] || { echo "session: PulseAudio did not start" >&2; cat "$dir/pulse.log" >&2; exit 1; }
  export PULSE_SERVER="unix:$dir/pulse.sock"
  pactl set-default-sink null >/dev/null
  pactl set-default-source null.monitor >/dev/null

  cat >"$dir/session.env" <<ENV
export DISPLAY=:$n
export PULSE_SERVER=unix:$dir/pulse.sock
export ORVANE_SESSION_DIR=$dir
ENV
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: session.sh start|stop DIR" >&2; exit 2 ;;
esac

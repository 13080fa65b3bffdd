# Sourced by the scripts: where the build and its private Wine prefix live.
# ORVANE_BUILD_DIR picks another build tree (default: build/ at the top of the checkout).
ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ORVANE_ROOT
export ORVANE_BUILD_DIR=${ORVANE_BUILD_DIR:-$ORVANE_ROOT/build}
# Debian keeps wine64 and wineserver out of PATH.
case ":$PATH:" in *:/usr/lib/wine:*) ;; *) export PATH="/usr/lib/wine:$PATH" ;; esac
export WINEARCH=win64
export WINEPREFIX=${WINEPREFIX:-$ORVANE_BUILD_DIR/wine/prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No offers to download Mono or Gecko: nothing can be downloaded here.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# A running test session (Xvfb + PulseAudio) publishes its DISPLAY and PULSE_SERVER here.
if [ -z "${ORVANE_NO_SESSION_ENV:-}" ] && [ -f "$ORVANE_BUILD_DIR/session/session.env" ]; then
  # shellcheck disable=SC1091
  . "$ORVANE_BUILD_DIR/session/session.env"
fi

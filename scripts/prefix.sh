#!/usr/bin/env bash
# Makes sure $WINEPREFIX exists and was booted on a display of the session's size, inside a
# Wine virtual desktop ("Default", WIDTHxHEIGHT): outside one, Wine sees neither global
# hotkeys nor mouse buttons that land on a non-Wine X window.
# Needs DISPLAY (a session). Re-runs do nothing.
set -euo pipefail
. "$(dirname "$0")/env.sh"
size="${ORVANE_SCREEN_WIDTH:-1280}x${ORVANE_SCREEN_HEIGHT:-800}"
stamp="$WINEPREFIX/.orvane-booted-$size"
[ -f "$stamp" ] && exit 0
rm -rf "$WINEPREFIX" "$(dirname "$WINEPREFIX")/template"
mkdir -p "$(dirname "$WINEPREFIX")"
wineboot -i >/dev/null 2>&1 || true
wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f >/dev/null 2>&1
wineserver -w
touch "$stamp"
# Tests that need a prefix of their own copy this untouched one.
template="$(dirname "$WINEPREFIX")/template"
rm -rf "$template"
cp -a "$WINEPREFIX" "$template"

#!/usr/bin/env bash
# Installs what the build needs and builds the dependencies into .deps/.
# Idempotent: a second run checks a few stamps and returns.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
prefix="$deps/prefix"
stamps="$deps/stamps"
src="$deps/src"
host=x86_64-w64-mingw32
mkdir -p "$stamps" "$src" "$prefix"

log() { echo "setup: $*"; }

apt_packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools cmake ninja-build wine64 xvfb
  xdotool pulseaudio pulseaudio-utils ffmpeg libz-mingw-w64-dev googletest python3 dpkg-dev
  x11-utils imagemagick sox fonts-wqy-microhei)

install_packages() {
  local missing=()
  for p in "${apt_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Source packages: derive deb-src entries from the machine's own apt sources.
enable_sources() {
  local out=/etc/apt/sources.list.d/orvane-src.sources
  local legacy=/etc/apt/sources.list.d/orvane-src.list
  [ -f "$out" ] || [ -f "$legacy" ] && return 0
  local changed=0
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -q '^URIs:.*debian' "$f" || continue
    grep -q '^Types:.*deb-src' "$f" && continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" >>"$out"
    echo >>"$out"
    changed=1
  done
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$legacy"
    changed=1
  fi
  [ $changed -eq 1 ] && apt-get update -qq
  return 0
}

# apt-get source, falling back to older versions when the index names one the mirror lacks.
fetch_source() {
  local pkg=$1 dir=$2
  [ -d "$src/$dir" ] && return 0
  enable_sources
  ( cd "$src"
    if ! apt-get source -qq "$pkg" >/dev/null 2>&1; then
      local v
      for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -rVu); do
        log "retrying $pkg=$v"
        apt-get source -qq "$pkg=$v" >/dev/null 2>&1 && break
      done
    fi
    local got
    got=$(ls -d "$pkg"-*/ 2>/dev/null | head -1)
    [ -n "$got" ] || { echo "setup: could not fetch source of $pkg" >&2; exit 1; }
    mv "$got" "$dir" )
}

build_gtest() {
  [ -f "$stamps/gtest" ] && return 0
  log "building googletest for $host"
  local b="$deps/build/gtest"
  rm -rf "$b"
  cmake -S /usr/src/googletest -B "$b" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=ON >/dev/null
  cmake --build "$b" >/dev/null
  cmake --install "$b" >/dev/null
  touch "$stamps/gtest"
}

build_libpng() {
  [ -f "$stamps/libpng" ] && return 0
  fetch_source libpng1.6 libpng
  log "building libpng for $host"
  local b="$deps/build/libpng"
  rm -rf "$b"
  cmake -S "$src/libpng" -B "$b" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    -DZLIB_LIBRARY=/usr/$host/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$host/include >/dev/null
  cmake --build "$b" >/dev/null
  cmake --install "$b" >/dev/null
  touch "$stamps/libpng"
}

build_lame() {
  [ -f "$stamps/lame" ] && return 0
  fetch_source lame lame
  log "building LAME and lame_enc.dll for $host"
  local s="$src/lame" b="$deps/build/lame"
  rm -rf "$b"; mkdir -p "$b" "$deps/lame-shim"
  # The BladeEnc sources include <Windows.h> and <Windef.h> with capitals.
  for h in Windows Windef; do
    echo "#include <$(echo $h | tr A-Z a-z).h>" >"$deps/lame-shim/$h.h"
  done
  ( cd "$b"
    "$s/configure" --host=$host --disable-frontend --enable-static --disable-shared \
      --disable-decoder --prefix="$prefix" CFLAGS="-O2" >/dev/null
    make -j"$(nproc)" >/dev/null
    make install >/dev/null
    # GCC ignores the header's packed attribute where it stands; build the interface with the
    # byte packing the header uses for every other compiler (BE_CONFIG is 331 bytes).
    mkdir -p dll
    cp "$s/Dll/BladeMP3EncDLL.c" "$s/Dll/BladeMP3EncDLL.def" dll/
    sed -e 's/^#ifdef __GNUC__$/#if 0/' -e 's/^#ifndef __GNUC__$/#if 1/' \
      "$s/Dll/BladeMP3EncDLL.h" >dll/BladeMP3EncDLL.h
    $host-gcc -O2 -D_BLADEDLL -I"$deps/lame-shim" -I"$s/include" -Idll \
      -shared -o "$prefix/bin/lame_enc.dll" dll/BladeMP3EncDLL.c dll/BladeMP3EncDLL.def \
      -L"$prefix/lib" -lmp3lame -static -static-libgcc )
  mkdir -p "$prefix/include/lame"
  cp "$b/dll/BladeMP3EncDLL.h" "$prefix/include/lame/"
  touch "$stamps/lame"
}

install_packages
build_gtest
build_libpng
build_lame

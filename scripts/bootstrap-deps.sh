#!/usr/bin/env bash
# Fetches the third-party sources from Debian and builds them for
# i686-w64-mingw32 into a cache outside the source tree.
#
# Each library lands in $ZRL_DEPS_CACHE/<name>-<key>, where the key joins the
# Debian package version with a hash of that library's build function and the
# toolchain file, so a second run with nothing changed only checks stamps.
# Writes $ZRL_DEPS_CACHE/deps.cmake, which the project's CMake reads.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
CACHE=${ZRL_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zrlsetup-deps}
TOOLCHAIN=$root/cmake/mingw-i686.cmake
CC=i686-w64-mingw32-gcc-posix
CXX=i686-w64-mingw32-g++-posix
AR=i686-w64-mingw32-gcc-ar-posix
JOBS=$(nproc)
mkdir -p "$CACHE/src"

log() { printf 'bootstrap: %s\n' "$*"; }

src_version() { apt-cache showsrc "$1" | sed -n 's/^Version: //p' | head -n1; }
bin_version() { dpkg-query -W -f='${Version}' "$1"; }

# Unpacks a Debian source package once per version; prints its folder.
fetch_source() {
  local pkg=$1 ver dir
  ver=$(src_version "$pkg")
  [ -n "$ver" ] || { echo "bootstrap: no source package $pkg (deb-src missing? run setup-machine.sh)" >&2; exit 1; }
  dir="$CACHE/src/$pkg-${ver//[:~+]/_}"
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir.tmp" && mkdir -p "$dir.tmp"
    (cd "$dir.tmp" && apt-get source -q "$pkg=$ver" >/dev/null)
    rm -rf "$dir" && mv "$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -n1)" "$dir"
    rm -rf "$dir.tmp"
    touch "$dir/.unpacked"
  fi
  printf '%s\n' "$dir"
}

# Runs build_<name> into a fresh prefix unless the keyed stamp exists.
# Prints nothing; sets PREFIX_<name>.
build_cached() {
  local name=$1 version=$2 hash prefix
  hash=$( { declare -f "build_$name"; cat "$TOOLCHAIN"; } | sha256sum | cut -c1-12)
  prefix="$CACHE/$name-${version//[:~+]/_}-$hash"
  if [ ! -f "$prefix/.built" ]; then
    log "building $name $version"
    rm -rf "$prefix" && mkdir -p "$prefix"
    # The subshell keeps set -e (a `||` here would switch it off inside).
    set +e
    ( set -e; "build_$name" "$prefix" ) > "$CACHE/$name.log" 2>&1
    local status=$?
    set -e
    if [ "$status" -ne 0 ]; then
      echo "bootstrap: building $name failed; see $CACHE/$name.log" >&2
      tail -n 30 "$CACHE/$name.log" >&2
      exit 1
    fi
    touch "$prefix/.built"
  fi
  printf -v "PREFIX_$name" '%s' "$prefix"
}

build_lua() {
  local out=$1 src
  src=$(fetch_source lua5.2)/src
  local core=(lapi lcode lctype ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes lparser
              lstate lstring ltable ltm lundump lvm lzio lauxlib lbaselib lbitlib lcorolib
              ldblib liolib lmathlib loslib lstrlib ltablib loadlib linit)
  mkdir -p "$out/obj" "$out/lib" "$out/include" "$out/bin" "$out/hostobj" "$out/hostinc"
  # Debian's path patch includes this header on POSIX builds (the host luac only).
  echo '#define DEB_HOST_MULTIARCH "i386-linux-gnu"' > "$out/hostinc/lua5.2-deb-multiarch.h"
  for f in "${core[@]}"; do
    $CC -O2 -DLUA_COMPAT_ALL -DLUA_USE_LONGLONG -D__USE_MINGW_ANSI_STDIO=1 -c "$src/$f.c" -o "$out/obj/$f.o"
    # The host compiler makes the 32-bit luac: its chunks record sizeof(size_t) == 4,
    # exactly as the target's loader expects.
    gcc -m32 -O2 -DLUA_COMPAT_ALL -DLUA_USE_POSIX -I"$out/hostinc" -c "$src/$f.c" -o "$out/hostobj/$f.o"
  done
  $AR rcs "$out/lib/liblua52.a" "$out"/obj/*.o
  gcc -m32 -O2 -DLUA_COMPAT_ALL -DLUA_USE_POSIX -I"$out/hostinc" "$src/luac.c" "$out"/hostobj/*.o -lm -o "$out/bin/luac32"
  cp "$src"/lua.h "$src"/luaconf.h "$src"/lualib.h "$src"/lauxlib.h "$out/include/"
  cp "$src/../etc/lua.hpp" "$out/include/" 2>/dev/null || printf '%s\n' 'extern "C" {' '#include "lua.h"' '#include "lualib.h"' '#include "lauxlib.h"' '}' > "$out/include/lua.hpp"
  rm -rf "$out/obj" "$out/hostobj" "$out/hostinc"
}

build_lzma() {
  local out=$1 src
  src=$(fetch_source 7zip)/C
  local files=(7zArcIn 7zDec 7zStream 7zCrc 7zCrcOpt LzmaDec Lzma2Dec Bcj2 Bra Bra86 BraIA64
               CpuArch Delta 7zAlloc 7zBuf 7zFile Ppmd7 Ppmd7Dec)
  mkdir -p "$out/obj" "$out/lib" "$out/include/lzma" "$out/src"
  for f in "${files[@]}"; do
    $CC -O2 -DZ7_PPMD_SUPPORT -DZ7_EXTRACT_ONLY -DUNICODE -D_UNICODE -c "$src/$f.c" -o "$out/obj/$f.o"
  done
  $AR rcs "$out/lib/liblzma7z.a" "$out"/obj/*.o
  cp "$src"/*.h "$out/include/lzma/"
  # The SDK's own extractor, kept as a benchmark baseline.
  $CC -O2 -DZ7_PPMD_SUPPORT -DZ7_EXTRACT_ONLY -DUNICODE -D_UNICODE -municode -static \
      -I"$src" "$src/Util/7z/7zMain.c" "$out/lib/liblzma7z.a" -o "$out/src/7zdec.exe" \
    || $CC -O2 -DZ7_PPMD_SUPPORT -DZ7_EXTRACT_ONLY -DUNICODE -D_UNICODE -static \
      -I"$src" "$src/Util/7z/7zMain.c" "$out/lib/liblzma7z.a" -o "$out/src/7zdec.exe"
  rm -rf "$out/obj"
}

build_curl() {
  local out=$1 src
  src=$(fetch_source curl)
  cmake -S "$src" -B "$out/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DHTTP_ONLY=ON \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF \
    -DUSE_NGHTTP2=OFF -DCURL_ZLIB=OFF -DCURL_DISABLE_LDAP=ON -DENABLE_MANUAL=OFF \
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DCURL_USE_LIBPSL=OFF -DENABLE_UNICODE=ON
  cmake --build "$out/build" -j "$JOBS"
  cmake --install "$out/build"
  rm -rf "$out/build"
}

build_headers() {
  local out=$1 spd fmt stb
  spd=$(fetch_source spdlog); fmt=$(fetch_source fmtlib); stb=$(fetch_source libstb)
  mkdir -p "$out/include/stb"
  cp -r "$spd/include/spdlog" "$out/include/"
  cp -r "$fmt/include/fmt" "$out/include/"
  cp "$fmt/src/format.cc" "$fmt/src/os.cc" "$out/include/fmt/" 2>/dev/null || true
  cp "$stb/stb_image.h" "$out/include/stb/"
}

build_pugixml() {
  local out=$1 src
  src=$(fetch_source pugixml)
  cmake -S "$src" -B "$out/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" -DBUILD_SHARED_LIBS=OFF \
    -DPUGIXML_BUILD_TESTS=OFF
  cmake --build "$out/build" -j "$JOBS" && cmake --install "$out/build"
  rm -rf "$out/build"
}

build_webp() {
  local out=$1 src
  src=$(fetch_source libwebp)
  cmake -S "$src" -B "$out/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" -DBUILD_SHARED_LIBS=OFF \
    -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
    -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF
  cmake --build "$out/build" -j "$JOBS" && cmake --install "$out/build"
  rm -rf "$out/build"
}

build_gtest() {
  local out=$1
  cmake -S /usr/src/googletest -B "$out/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" -Dgtest_disable_pthreads=ON \
    -DBUILD_GMOCK=OFF -DCMAKE_CXX_FLAGS="-static"
  cmake --build "$out/build" -j "$JOBS" && cmake --install "$out/build"
  rm -rf "$out/build"
}

build_cached lua "$(src_version lua5.2)"
build_cached lzma "$(src_version 7zip)"
build_cached headers "$(src_version spdlog)-$(src_version fmtlib)-$(src_version libstb)"
build_cached pugixml "$(src_version pugixml)"
build_cached webp "$(src_version libwebp)"
build_cached gtest "$(bin_version googletest)"
build_cached curl "$(src_version curl)"

cat > "$CACHE/deps.cmake.tmp" <<CM
# Written by scripts/bootstrap-deps.sh: where the prebuilt third-party libraries are.
set(ZRL_LUA_DIR "$PREFIX_lua")
set(ZRL_LUAC32 "$PREFIX_lua/bin/luac32")
set(ZRL_LZMA_DIR "$PREFIX_lzma")
set(ZRL_HEADERS_DIR "$PREFIX_headers")
set(ZRL_PUGIXML_DIR "$PREFIX_pugixml")
set(ZRL_WEBP_DIR "$PREFIX_webp")
set(ZRL_GTEST_DIR "$PREFIX_gtest")
set(ZRL_CURL_DIR "$PREFIX_curl")
set(ZRL_ZLIB_LIBRARY "/usr/i686-w64-mingw32/lib/libz.a")
CM
mv "$CACHE/deps.cmake.tmp" "$CACHE/deps.cmake"
log "ready: $CACHE/deps.cmake"

#!/usr/bin/env bash
# Prepares a Debian 12 machine for building and testing: i386 architecture,
# deb-src entries, the mingw-w64 toolchain, Wine, Xvfb and fonts.
# Idempotent: when every package is already present it returns in a second.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 gcc-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  libz-mingw-w64-dev cmake ninja-build dpkg-dev gcc-multilib g++-multilib
  wine wine32:i386 wine64 xvfb xauth xdotool imagemagick x11-utils
  googletest 7zip python3 fonts-wqy-microhei
  nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && { echo "setup-machine: all packages present"; exit 0; }

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
src=/etc/apt/sources.list.d/debian.sources
if [ -f "$src" ] && ! grep -q '^Types: deb deb-src' "$src"; then
  $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$src"
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "setup-machine: installed ${missing[*]}"

#!/usr/bin/env bash
# Sets the machine up (idempotent), builds the third-party libraries into the
# cache (once per version and recipe) and builds the project into ./build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZRL_BUILD_DIR:-$root/build}

"$root/scripts/setup-machine.sh"
"$root/scripts/bootstrap-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
ninja -C "$build"

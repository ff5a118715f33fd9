#!/usr/bin/env bash
# Runs a Windows program under Wine in the test environment (ctest's emulator).
# Uses $WINEPREFIX when set, otherwise the shared unit-test prefix beside the
# template in $ZRL_WINE_ROOT (default: ./wine under the current directory).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
root=${ZRL_WINE_ROOT:-$PWD/wine}
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$root/unit
  if [ ! -f "$WINEPREFIX/.zrl-ready" ]; then
    make_prefix "$root/template"
    # Two tests may get here at once: copy under a lock.
    exec 9>"$root/.unit.lock"
    flock 9
    [ -f "$WINEPREFIX/.zrl-ready" ] || { rm -rf "$WINEPREFIX"; cp -a "$root/template" "$WINEPREFIX"; }
    flock -u 9
  fi
fi
export HOME=$WINEPREFIX/home
exec wine "$@"

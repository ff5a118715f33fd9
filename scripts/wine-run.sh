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
    if [ ! -f "$WINEPREFIX/.zrl-ready" ]; then
      rm -rf "$WINEPREFIX.tmp" && cp -a "$root/template" "$WINEPREFIX.tmp"
      rm -f "$WINEPREFIX.tmp/.zrl-ready"
      # Unit tests create windows but never look at them: Wine's null display driver.
      WINEPREFIX=$WINEPREFIX.tmp HOME=$WINEPREFIX.tmp/home wine reg add 'HKCU\Software\Wine\Drivers' \
        /v Graphics /d null /f >/dev/null 2>&1
      WINEPREFIX=$WINEPREFIX.tmp wineserver -w
      touch "$WINEPREFIX.tmp/.zrl-ready"
      rm -rf "$WINEPREFIX" && mv "$WINEPREFIX.tmp" "$WINEPREFIX"
    fi
    flock -u 9
  fi
fi
export HOME=$WINEPREFIX/home
exec wine "$@"

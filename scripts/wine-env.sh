#!/usr/bin/env bash
# Wine environment for builds and tests. Source it, or call
#   wine-env.sh prefix <dir>   to create (once) a ready-to-use prefix in <dir>.
# A prefix of its own per use (WINEPREFIX), HOME inside the build tree so the
# prefix never links to the real home, no menu entries, no debug noise.
set -euo pipefail

wine_env_defaults() {
  export WINEARCH=win64
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"winemenubuilder.exe=d;mscoree=d;mshtml=d"}
  export WINEDEBUG=${WINEDEBUG:--all}
}

# Creates a prefix: Windows 10, no crash dialog, Chinese fonts mapped.
make_prefix() {
  local prefix
  prefix=$(realpath -m "$1")   # Wine needs an absolute WINEPREFIX
  [ -f "$prefix/.zrl-ready" ] && return 0
  rm -rf "$prefix"
  mkdir -p "$prefix/home"
  (
    export WINEPREFIX=$prefix HOME=$prefix/home
    wine_env_defaults
    wine wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    for face in '微软雅黑' 'Microsoft YaHei' 'SimSun'; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
    [ -f "$font" ] && cp "$font" "$prefix/drive_c/windows/Fonts/"
    wineserver -w
  )
  touch "$prefix/.zrl-ready"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  case "${1:-}" in
    prefix) make_prefix "$2" ;;
    *) echo "usage: wine-env.sh prefix <dir>" >&2; exit 2 ;;
  esac
else
  wine_env_defaults
fi

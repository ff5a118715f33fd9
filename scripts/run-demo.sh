#!/usr/bin/env bash
# Sets up and builds, then runs a silent install of the carried installer in a
# fresh Wine prefix and reports what it did.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZRL_BUILD_DIR:-$root/build}

"$root/scripts/build.sh" >/dev/null
exec python3 "$root/scripts/demo.py" "$build"

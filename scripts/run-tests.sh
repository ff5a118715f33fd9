#!/usr/bin/env bash
# Sets up, builds and runs every test (GoogleTest units and integration tests,
# all under Wine). Ends with ctest's summary; exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZRL_BUILD_DIR:-$root/build}

"$root/scripts/build.sh"
cd "$build"
exec ctest --output-on-failure -j "${ZRL_TEST_JOBS:-2}"

#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine, on a private
# virtual display and a private Wine prefix; stops every process it started.
# BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${BUILD_DIR:-$root/build}")

"$root/scripts/bootstrap.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build"

source "$root/scripts/wine_env.sh"
export WINEPREFIX="$build/test-prefix"
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  "$root/scripts/release_test_prefix.sh" || true
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

start_xvfb
"$root/scripts/make_test_prefix.sh"
# One wineserver for the whole run instead of one per test program. The
# prefix's background services start with the first program; started here,
# they do not hold the output of the first test open.
"$WINESERVER" -p
"$WINE64" wineboot </dev/null >/dev/null 2>&1

ctest --test-dir "$build" --output-on-failure --no-tests=error --timeout 300

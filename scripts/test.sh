#!/usr/bin/env bash
# Builds everything for both architectures and runs the whole test suite
# for each under Wine, on a private virtual display and one private Wine
# prefix; stops every process it started. BUILD_DIR chooses the build folder
# (default: build), which holds one folder per architecture.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${BUILD_DIR:-$root/build}")
architectures=(x64 x86)

"$root/scripts/bootstrap.sh"
for arch in "${architectures[@]}"; do
  cmake --preset "$arch" -S "$root" -B "$build/$arch" >/dev/null
  cmake --build "$build/$arch"
done

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

failed=()
for arch in "${architectures[@]}"; do
  echo "Tests of the $arch build:"
  ctest --test-dir "$build/$arch" --output-on-failure --no-tests=error --timeout 300 || failed+=("$arch")
done
if ((${#failed[@]})); then
  echo "The tests of the ${failed[*]} build failed." >&2
  exit 1
fi

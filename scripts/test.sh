#!/usr/bin/env bash
# Builds everything for both architectures and runs the whole test suite
# for each under Wine, on a private virtual display and one private Wine
# prefix; stops every process it started. BUILD_DIR chooses the build folder
# (default: build), which holds one folder per architecture. On a machine
# whose kernel runs no 32-bit programs, the x86 tests that start programs
# under Wine are reported as skipped, with the reason (scripts/run_suites.sh).
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
start_test_prefix
"$root/scripts/run_suites.sh" "$build" "${architectures[@]}"

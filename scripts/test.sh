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
start_test_prefix

failed=()
for arch in "${architectures[@]}"; do
  echo "Tests of the $arch build:"
  ctest --test-dir "$build/$arch" --output-on-failure --no-tests=error --timeout 300 || failed+=("$arch")
done
if ((${#failed[@]})); then
  echo "The tests of the ${failed[*]} build failed." >&2
  exit 1
fi

#!/usr/bin/env bash
# Times Tarvolo and Tarvolo9x of both architectures, each against the
# reference program of bench/ built for the same architecture (the simplest
# program that does the same visible work), in the test prefix on a private
# virtual display, and prints the medians as tables. Not a test: it fails
# nothing. RUNS sets the runs per program (default 9), BUILD_DIR the build
# folder (default: build). Where this machine's kernel runs no 32-bit
# programs, it times the x64 build and says why the x86 tables are missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=$(realpath -m "${BUILD_DIR:-$root/build}")
runs=${RUNS:-9}
architectures=(x86 x64)

"$root/scripts/bootstrap.sh"
source "$root/scripts/wine_env.sh"
check_wine32
case $WINE32_STATE in
  unsupported) architectures=(x64) ;;
  broken)
    echo "The x86 build cannot be timed: $WINE32_PROBLEM." >&2
    exit 1
    ;;
esac
for arch in "${architectures[@]}"; do
  cmake --preset "$arch" -S "$root" -B "$builds/$arch" >/dev/null
  cmake --build "$builds/$arch" --target Tarvolo Tarvolo9x Divazid reference bench_driver >/dev/null
done

export WINEPREFIX="$builds/test-prefix"
start_test_prefix 2>/dev/null

echo "Medians of $runs runs after a warm-up, on $(nproc) cores; min and max in brackets."
if [ "$WINE32_STATE" = unsupported ]; then
  echo
  echo "No tables of the x86 build: $WINE32_PROBLEM."
fi
for arch in "${architectures[@]}"; do
  bin="$builds/$arch/bin"
  wine=$WINE64
  [ "$arch" = x64 ] || wine=$WINE32
  echo
  echo "## The $arch build"
  "$wine" "$bin/bench_driver.exe" "$runs" "$bin/reference.exe" "$bin/Tarvolo.exe" "$bin/Tarvolo9x.exe"
  echo
  echo "| Shipped binary ($arch) | bytes |"
  echo "|---|---|"
  for file in Tarvolo.exe Tarvolo9x.exe Divazid.dll; do
    echo "| $file | $(stat -c %s "$bin/$file") |"
  done
done

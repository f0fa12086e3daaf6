#!/usr/bin/env bash
# Times Tarvolo and Tarvolo9x (x64) against the reference program of bench/,
# the simplest program that does the same visible work, in the test prefix on
# a private virtual display, and prints the medians as a table. Not a test:
# it fails nothing. RUNS sets the runs per program (default 9), BUILD_DIR the
# build folder (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=$(realpath -m "${BUILD_DIR:-$root/build}")
build="$builds/x64"
runs=${RUNS:-9}

"$root/scripts/bootstrap.sh"
cmake --preset x64 -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target Tarvolo Tarvolo9x Divazid reference bench_driver >/dev/null

source "$root/scripts/wine_env.sh"
export WINEPREFIX="$builds/test-prefix"
start_test_prefix 2>/dev/null

bin="$build/bin"
echo "Medians of $runs runs after a warm-up, on $(nproc) cores; min and max in brackets."
"$WINE64" "$bin/bench_driver.exe" "$runs" "$bin/reference.exe" "$bin/Tarvolo.exe" "$bin/Tarvolo9x.exe"
echo
echo "| Shipped binary (x64) | bytes |"
echo "|---|---|"
for file in Tarvolo.exe Tarvolo9x.exe Divazid.dll; do
  echo "| $file | $(stat -c %s "$bin/$file") |"
done

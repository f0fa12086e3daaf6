#!/usr/bin/env bash
# Runs the CTest suite of each architecture's build in BUILDS, one after the
# other, in the Wine prefix and on the display the caller prepared (as
# scripts/test.sh does), and closes with what was not run and why.
#   run_suites.sh BUILDS ARCH... [-- CTEST_ARGUMENT...]
# Where this machine's kernel runs no 32-bit programs, the x86 tests that start
# programs under Wine skip (scripts/wine32.sh), and the x86 suite runs
# verbosely: only then does CTest show a skipped test's output, the reason.
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"
builds=$1
shift
architectures=()
while (($#)) && [ "$1" != -- ]; do
  architectures+=("$1")
  shift
done
(($# == 0)) || shift

check_wine32
failed=()
skipped=""
for arch in "${architectures[@]}"; do
  echo "Tests of the $arch build:"
  verbose=()
  if [ "$arch" = x86 ] && [ "$WINE32_STATE" = unsupported ]; then
    verbose=(--verbose)
    skipped="Not run: the x86 tests that start programs under Wine, listed as skipped above, as $WINE32_PROBLEM."
  fi
  ctest --test-dir "$builds/$arch" --output-on-failure --no-tests=error --timeout 300 "${verbose[@]}" "$@" ||
    failed+=("$arch")
done
[ -z "$skipped" ] || echo "$skipped"
if ((${#failed[@]})); then
  echo "The tests of the ${failed[*]} build failed." >&2
  exit 1
fi

#!/usr/bin/env bash
# The scripts on a machine whose kernel runs no 32-bit programs, tried on any
# machine by pointing the 32-bit Wine check (WINE32) at loaders that stand for
# each case. The x86 suite runs as scripts/test.sh runs it, in the x86 build
# beside this one, without Wine or a display: not while that suite runs. Its
# rebuild comparison (reproducible_tests), which starts no program and takes
# a minute, is left out, and so are the stages of the Windows Installer
# package's tests (tests/package/msi.sh) that run Wine's 64-bit msiexec and
# take minutes; their stage that starts the installed x86 programs,
# msi_sessions, runs without the installation they make (CTest is told not
# to add them), as it is skipped, or fails with a broken 32-bit Wine, first.
#   no_32bit.sh SOURCE_FOLDER BUILDS_FOLDER
set -euo pipefail
root=$1
builds=$2
work=$(mktemp -d /tmp/tarvolo-no-32bit.XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAILED: $*" >&2
  status=1
}
[ -f "$builds/x86/CTestTestfile.cmake" ] || { echo "no x86 build in $builds: scripts/test.sh builds it" >&2; exit 1; }

# An i386 program the kernel refuses, as a kernel without 32-bit support
# refuses them all: a header with no program headers.
{
  printf '\177ELF\001\001\001'
  head -c 9 /dev/zero
  printf '\002\000\003\000\001\000\000\000'
  head -c 28 /dev/zero
} >"$work/refused"
printf '\177ELF, and nothing of a program\n' >"$work/not-i386"
printf '#!/bin/sh\necho "wine: could not load ntdll.so" >&2\nexit 1\n' >"$work/failing"
printf '#!/nonexistent/ld-linux.so.2\n' >"$work/no-interpreter"
chmod +x "$work/refused" "$work/not-i386" "$work/failing" "$work/no-interpreter"
refused_why="this machine's kernel cannot run 32-bit programs (starting $work/refused, an i386 program, gives: Exec format error); they run on a kernel booted with ia32_emulation=on, or on a machine that runs 32-bit programs"

echo "The check's verdicts:"
expect_verdict() {
  local got
  got=$(WINE32=$1 bash -c 'source "$0/scripts/wine_env.sh"; check_wine32; echo "$WINE32_STATE: $WINE32_PROBLEM"' "$root")
  echo "  $got"
  [ "$got" = "$2" ] || fail "expected: $2"
}
expect_verdict "$work/refused" "unsupported: $refused_why"
expect_verdict "$work/not-i386" "broken: 32-bit Wine is installed but broken: $work/not-i386 is no i386 program (starting it gives: Exec format error)"
expect_verdict "$work/failing" "broken: 32-bit Wine is installed but broken: $work/failing --version ended with status 1: wine: could not load ntdll.so"
expect_verdict "$work/no-interpreter" "broken: 32-bit Wine is installed but broken: starting $work/no-interpreter gives: No such file or directory"
expect_verdict "$work/missing" "broken: 32-bit Wine is not installed: there is no $work/missing (scripts/bootstrap.sh installs it)"

# The x86 suite as scripts/test.sh runs it, with the loader LOADER; its output
# in $work/suite.log, its status in suite_status.
wine_tests=(text_tests image_digest_tests clipboard_tests dll_search_tests worker_tests divazid_tests cd_control_host_tests main_window_tests
            input_tests msi_sessions)
left_out='^(reproducible_tests|msi_(packages|prefix|install|downgrade|removal|upgrade|stop))$'
run_x86_suite() {
  suite_status=0
  env -u DISPLAY WINEPREFIX="$work/no-prefix" WINE32="$1" \
    "$root/scripts/run_suites.sh" "$builds" x86 -- -E "$left_out" -FA '^msi_' >"$work/suite.log" 2>&1 || suite_status=$?
}
# CTest's line for test NAME says RESULT: Passed, Skipped or Failed.
expect_result() {
  local mark=$2
  [ "$mark" = Passed ] || mark="\*\*\*$mark"
  grep -Eq "Test +#[0-9]+: $1 \.+ *$mark " "$work/suite.log" || fail "$1 is not reported as $2"
}

echo "The x86 suite, the kernel refusing 32-bit programs:"
run_x86_suite "$work/refused"
[ "$suite_status" -eq 0 ] || fail "the suite ended with status $suite_status"
for test in "${wine_tests[@]}"; do
  expect_result "$test" Skipped
  grep -Eq "^[[:space:]]+[0-9]+ - $test \(Skipped\)$" "$work/suite.log" || fail "$test is not in CTest's list of skipped tests"
done
reasons=$(sed -E 's/^[0-9]+: //' "$work/suite.log" | grep -Fxc -- "Skipped: $refused_why" || true)
[ "$reasons" -eq "${#wine_tests[@]}" ] || fail "CTest shows the reason $reasons time(s), not once for each skipped test"
for test in imports_tests package_unpacked package_signed msi_signed; do
  expect_result "$test" Passed
done
closing="Not run: the x86 tests that start programs under Wine, listed as skipped above, as $refused_why."
[ "$(tail -n 1 "$work/suite.log")" = "$closing" ] || fail "the closing line is not: $closing"
tail -n 10 "$work/suite.log" | sed 's/^/  /'
[ "$status" -eq 0 ] || cat "$work/suite.log" >&2

echo "The x86 suite, 32-bit Wine installed but broken:"
run_x86_suite "$work/failing"
[ "$suite_status" -ne 0 ] || fail "the suite ended with status 0"
for test in "${wine_tests[@]}"; do
  expect_result "$test" Failed
done
grep -Fq "32-bit Wine is installed but broken: $work/failing --version ended with status 1" "$work/suite.log" ||
  fail "the failures do not say that 32-bit Wine is broken"
grep -q "^Not run:" "$work/suite.log" && fail "a broken 32-bit Wine was reported as not run"
[ "$(tail -n 1 "$work/suite.log")" = "The tests of the x86 build failed." ] || fail "the suite did not end saying it failed"
tail -n 10 "$work/suite.log" | sed 's/^/  /'

echo "scripts/run.sh --x86, the kernel refusing 32-bit programs:"
run_status=0
WINE32=$work/refused BUILD_DIR=$builds "$root/scripts/run.sh" --x86 >"$work/run.log" 2>&1 || run_status=$?
sed 's/^/  /' "$work/run.log"
[ "$run_status" -eq 2 ] || fail "run.sh --x86 ended with status $run_status"
[ "$(cat "$work/run.log")" = "The x86 build cannot run here: $refused_why. The x64 build runs without --x86." ] ||
  fail "run.sh --x86 did not say just why it cannot run"
exit $status

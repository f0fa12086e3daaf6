#!/usr/bin/env bash
# scripts/run.sh given its options wrongly: an option without its value, one
# it does not know, a letter that is no drive letter, a disc file that is
# not there. Each ends at once with one line and status 2, before anything
# is built or started.
#   options.sh SOURCE_FOLDER
set -euo pipefail
root=$1
run=$root/scripts/run.sh
usage="usage: $run [--9x] [--x86] [--disc DISC | --cdrom DEVICE] [--screenshot FILE.png] [--search] [--click LETTER] [--about]"
work=$(mktemp -d /tmp/tarvolo-options.XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0

# run.sh with ARGUMENTS... must say EXPECTED on stderr, nothing on stdout,
# and end with status 2; BUILD_DIR points where nothing may be built.
expect() {
  local expected=$1
  shift
  local got=0
  BUILD_DIR=$work/build "$run" "$@" >"$work/out" 2>"$work/err" </dev/null || got=$?
  if [ "$got" -eq 2 ] && [ "$(cat "$work/err")" = "$expected" ] && [ ! -s "$work/out" ] && [ ! -e "$work/build" ]; then
    echo "ok: run.sh $*"
  else
    echo "FAILED: run.sh $*: status $got, said:" >&2
    cat "$work/err" "$work/out" >&2
    status=1
  fi
}

expect "$usage" --disc
expect "$usage" --cdrom
expect "$usage" --screenshot
expect "$usage" --search --screenshot
expect "$usage" --screenshot --search
expect "$usage" --disc ""
expect "$usage" --click
expect "$usage" --click EF
expect "$usage" --shot
expect "--disc $work/missing.txt: no such file" --disc "$work/missing.txt"
exit $status

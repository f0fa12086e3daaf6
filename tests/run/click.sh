#!/usr/bin/env bash
# scripts/run.sh --click LETTER in a Wine prefix of the test's own, which has
# only Wine's drives C: and Z:: a drive the list does not have is named with
# the drives it has, with status 2 and no screenshot; one it has is clicked.
#   click.sh SOURCE_FOLDER BUILDS_FOLDER
set -euo pipefail
root=$1
builds=$2
# Kept between runs, as making a prefix takes long.
export WINEPREFIX=$builds/click-prefix
work=$(mktemp -d /tmp/tarvolo-click.XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0

run() {
  run_status=0
  BUILD_DIR=$builds "$root/scripts/run.sh" --search --click "$1" --screenshot "$work/shot.png" \
    >"$work/run.log" 2>&1 || run_status=$?
  echo "--click $1: status $run_status, $(tail -n 1 "$work/run.log")"
}

run Q
[ "$run_status" -eq 2 ] || status=1
[ "$(tail -n 1 "$work/run.log")" = "--click Q: the drive list has no drive Q; it has C:, Z:" ] || status=1
[ ! -e "$work/shot.png" ] || { echo "a screenshot was written" >&2; status=1; }

run c
[ "$run_status" -eq 0 ] && [ -s "$work/shot.png" ] || status=1
[ "$status" -eq 0 ] || cat "$work/run.log" >&2
exit $status

#!/usr/bin/env bash
# scripts/run.sh --click LETTER in a Wine prefix of the test's own, which has
# only Wine's drives C: and Z:: a drive the list does not have is named with
# the drives it has, with status 2 and no screenshot; one it has is clicked.
# Then without --screenshot, on a display that is already there.
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

# Without --screenshot, on the caller's display (here one of the test's own):
# the click is made there, on the list that the search filled.
source "$root/scripts/wine_env.sh"
stop() {
  "$WINESERVER" -k 2>/dev/null || true
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap stop EXIT
start_xvfb
run_status=0
# A program left open would keep run.sh waiting: ten times what a run takes
# on a loaded machine.
(cd "$work" && BUILD_DIR=$builds timeout 600 "$root/scripts/run.sh" --search --click Q >"$work/run.log" 2>&1) ||
  run_status=$?
echo "--click Q on DISPLAY $DISPLAY: status $run_status, $(tail -n 1 "$work/run.log")"
[ "$run_status" -eq 2 ] || status=1
[ "$(tail -n 1 "$work/run.log")" = "--click Q: the drive list has no drive Q; it has C:, Z:" ] || status=1
[ ! -e "$work/tarvolo.png" ] || { echo "a screenshot was written" >&2; status=1; }
[ "$status" -eq 0 ] || cat "$work/run.log" >&2
exit $status

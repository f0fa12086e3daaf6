#!/usr/bin/env bash
# scripts/run.sh --cdrom DEVICE makes drive D of the run's prefix the CD-ROM
# drive DEVICE. Here the emulated drive's disc file stands in for the device,
# with the emulator loaded by this test (run.sh loads none for --cdrom), in
# a prefix of the test's own: changing drives restarts its wineserver. The
# program, with D read through the platform's CD driver, reads the disc's
# table once listed; without a disc, D is not ready and nothing is read.
#   cdrom.sh SOURCE_FOLDER BUILDS_FOLDER EMULATOR
set -euo pipefail
root=$1
builds=$2
emulator=$3
# Kept between runs, as making a prefix takes long.
export WINEPREFIX=$builds/cdrom-prefix
work=$(mktemp -d /tmp/tarvolo-cdrom.XXXXXX)
source "$root/scripts/wine_env.sh"
trap '"$WINESERVER" -k 2>/dev/null || true; rm -rf "$work"' EXIT
export LD_PRELOAD=$emulator
device=$work/sr0.cdemu
status=0

# How often the program asked the emulated drive for something since the last call.
requests() {
  local what=$1 count
  count=$(grep -c " Tarvolo.exe $what\$" "$device.log" 2>/dev/null || true)
  rm -f "$device.log"
  echo "${count:-0}"
}

run() {
  BUILD_DIR=$builds "$root/scripts/run.sh" --cdrom "$device" --search --click D --screenshot "$work/shot.png" \
    >"$work/run.log" 2>&1 || { cat "$work/run.log" >&2; exit 1; }
}

printf 'audio 150\naudio 18525\naudio 36300\nlead-out 54000\n' >"$device"
run
links="$WINEPREFIX/dosdevices"
[ "$(readlink "$links/d::")" = "$device" ] || { echo "d:: is not the device: $(readlink "$links/d::")" >&2; status=1; }
[ "$(readlink "$links/d:")" = ../cd-drive-empty ] && [ -z "$(ls -A "$WINEPREFIX/cd-drive-empty")" ] ||
  { echo "d: is not an empty folder of the run's: $(readlink "$links/d:")" >&2; status=1; }
tables=$(requests CDROMREADTOCHDR)
echo "with a disc: the program read its table of contents $tables time(s)"
[ "$tables" -ge 1 ] || status=1

: >"$device"
run
checks=$(requests CDROM_DRIVE_STATUS)
echo "without a disc: the program asked the drive $checks time(s)"
[ "$checks" -eq 0 ] && [ ! -e "$WINEPREFIX/cd-drive-empty" ] || status=1

if "$root/scripts/run.sh" --cdrom "$device" --disc "$device" >/dev/null 2>"$work/error"; then
  echo "--cdrom and --disc together were taken" >&2
  status=1
fi
grep -q "give one of them" "$work/error" || status=1
exit $status

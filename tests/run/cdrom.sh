#!/usr/bin/env bash
# scripts/run.sh --cdrom DEVICE makes drive D of the run's prefix the CD-ROM
# drive DEVICE. Here the emulated drive's disc file stands in for the device,
# with the emulator loaded by this test (run.sh loads none for --cdrom), in
# a prefix of the test's own: changing drives restarts its wineserver. The
# program, with D read through the platform's CD driver, reads the disc's
# table once listed; without a disc, D is not ready and nothing is read. A
# device that cannot be used ends run.sh with one line and status 2, drive D
# unchanged; a drive spinning its disc up is waited for, a few seconds.
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

# Each run.sh given ten times what it takes on a loaded machine.
run() {
  BUILD_DIR=$builds timeout 600 "$root/scripts/run.sh" --cdrom "$device" --search --click D \
    --screenshot "$work/shot.png" >"$work/run.log" 2>&1 || { cat "$work/run.log" >&2; exit 1; }
}

# Whether D is the device, with a disc (its folder there) or without (none).
drive_d_is() {
  local what=$1 holding=$2
  [ "$(readlink "$links/d::")" = "$device" ] || { echo "$what: d:: is not the device: $(readlink "$links/d::")" >&2; status=1; }
  [ "$(readlink "$links/d:")" = ../cd-drive-empty ] || { echo "$what: d: is $(readlink "$links/d:")" >&2; status=1; }
  if [ "$holding" = disc ] && [ ! -d "$WINEPREFIX/cd-drive-empty" ]; then
    echo "$what: D is not ready" >&2
    status=1
  elif [ "$holding" = none ] && [ -e "$WINEPREFIX/cd-drive-empty" ]; then
    echo "$what: D has a folder" >&2
    status=1
  fi
}

# A device run.sh cannot use: status 2, one line without a traceback, and
# drive D as the last run left it.
expect_refusal() {
  local what=$1 unusable=$2 message=$3 code=0
  BUILD_DIR=$builds timeout 600 "$root/scripts/run.sh" --cdrom "$unusable" --screenshot "$work/shot.png" \
    >/dev/null 2>"$work/error" || code=$?
  if [ "$code" -ne 2 ] || [ "$(wc -l <"$work/error")" -ne 1 ] || ! grep -qxF -e "$message" "$work/error"; then
    echo "$what: status $code, and on stderr:" >&2
    cat "$work/error" >&2
    status=1
  else
    echo "$what: $(cat "$work/error")"
  fi
  drive_d_is "after $what" disc
}

# A drive spinning a disc up for SECONDS once run.sh has first asked it:
# until then, the disc's time is an hour ahead. Leaves in $asked how often
# run.sh asked the drive.
run_spinning_up() {
  local seconds=$1
  printf 'spin-up %s\naudio 150\naudio 18525\nlead-out 54000\n' "$seconds" >"$device"
  touch -d '+1 hour' "$device"
  rm -f "$device.log"
  run &
  local runner=$!
  for _ in $(seq 3000); do
    grep -q ' python3 CDROM_DRIVE_STATUS$' "$device.log" 2>/dev/null || ! kill -0 "$runner" 2>/dev/null && break
    sleep 0.1
  done
  touch "$device"
  wait "$runner" || status=1
  asked=$(grep -c ' python3 CDROM_DRIVE_STATUS$' "$device.log" 2>/dev/null || true)
  asked=${asked:-0}
}

links="$WINEPREFIX/dosdevices"
printf 'audio 150\naudio 18525\naudio 36300\nlead-out 54000\n' >"$device"
run
drive_d_is "with a disc" disc
[ -z "$(ls -A "$WINEPREFIX/cd-drive-empty")" ] || { echo "with a disc: D's folder is not empty" >&2; status=1; }
tables=$(requests CDROMREADTOCHDR)
echo "with a disc: the program read its table of contents $tables time(s)"
[ "$tables" -ge 1 ] || status=1

# No such file; a socket, which no one can open, not even root, whom
# permission bits do not stop; a device that is no CD-ROM drive.
expect_refusal "a missing device" "$work/sr9" "--cdrom $work/sr9: cannot open it (No such file or directory)"
/usr/bin/python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$work/socket"
expect_refusal "a socket" "$work/socket" "--cdrom $work/socket: cannot open it (No such device or address)"
expect_refusal "/dev/null" /dev/null "--cdrom /dev/null: not a CD-ROM drive (Inappropriate ioctl for device)"

# Ready within what run.sh waits: D has the disc.
run_spinning_up 2
tables=$(requests CDROMREADTOCHDR)
echo "spinning up for 2 s: run.sh asked the drive $asked time(s), the program read the table $tables time(s)"
drive_d_is "spinning up for 2 s" disc
[ "$asked" -ge 2 ] && [ "$tables" -ge 1 ] || status=1

# Not ready for longer than run.sh waits, 8 s from its first question: D is
# taken as empty, and run.sh says so.
SECONDS=0
run_spinning_up 12
echo "spinning up for 12 s: run.sh asked the drive $asked time(s), and took $SECONDS s in all"
drive_d_is "spinning up for 12 s" none
grep -q "still not ready after 8 s, taken as empty" "$work/run.log" ||
  { echo "spinning up for 12 s: not said: $(cat "$work/run.log")" >&2; status=1; }
[ "$asked" -ge 2 ] || status=1

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

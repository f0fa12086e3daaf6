#!/usr/bin/env bash
# Prepares the Wine prefix $WINEPREFIX for the tests: a virtual desktop for
# every window and, besides C: and Z: as Wine makes them, one drive of each
# type, a labelled drive with a serial number, drives of exact sizes, a
# network drive that can be made slow or dead, and two emulated CD-ROM
# drives, one of them without a disc and so not ready. Safe to run again on
# the same prefix. tests/input/test_drives.h holds
# the same letters and what the tests expect of them.
#
# Drives of exact sizes are tmpfs mounts, which need root and a machine that
# allows them; scripts/release_test_prefix.sh unmounts them. Where mounting is
# refused the drive is a plain folder holding not-mounted.txt, which says why,
# and the tests that need the exact size skip with that reason.
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"
ensure_prefix
# Drives are read when the prefix starts: none of its processes may be running.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w

drives="$WINEPREFIX/test-drives"
mkdir -p "$drives"
# The slow drive (below) starts afresh: one left mounted by an earlier run,
# its process perhaps gone, would block the folder.
if awk -v dir="$drives/network" '$2 == dir { found = 1 } END { exit !found }' /proc/mounts; then
  umount "$drives/network" 2>/dev/null || umount -l "$drives/network"
fi

# letter, folder, type under HKLM\Software\Wine\Drives, size in bytes ("-":
# a plain folder). The labelled drive's size is 19077.1875 MB; the three small
# sizes fall exactly on a half megabyte (2.5, 3.5 and 0.5).
layout=(
  "a floppy floppy -"
  "d cdrom-d cdrom -"
  "e data hd 20003880960"
  "n network network -"
  "r ramdisk ramdisk -"
  "t size-2.5m hd 2621440"
  "u size-3.5m hd 3670016"
  "v size-0.5m hd 524288"
  "x cdrom-x cdrom -"
)

mount_exact() {
  local dir=$1 bytes=$2 note="$1/not-mounted.txt"
  if mountpoint -q "$dir"; then
    local blocks size
    read -r blocks size < <(stat -f -c '%b %S' "$dir")
    ((blocks * size == bytes)) && return 0
    umount "$dir"
  fi
  rm -f "$note"
  local why
  if ! why=$(mount -t tmpfs -o "size=$bytes,mode=0755" tmpfs "$dir" 2>&1); then
    why=${why:-mount failed}
    echo "drive folder $dir stays a plain folder: mounting $bytes bytes was refused: $why" >&2
    printf 'mounting a filesystem of %s bytes was refused: %s\n' "$bytes" "$why" >"$note"
  fi
}

for entry in "${layout[@]}"; do
  read -r letter folder _ bytes <<<"$entry"
  ln -sfn "../test-drives/$folder" "$WINEPREFIX/dosdevices/$letter:"
  mkdir -p "$drives/$folder"
  [ "$bytes" = - ] || mount_exact "$drives/$folder" "$bytes"
done

# The network drive N is a FUSE file system (tests/equipment/slow_drive) that the
# tests make slow or dead while the programs run, through network.delay. It
# needs root and /dev/fuse; where mounting is refused, N is a plain folder
# with not-mounted.txt, and the tests that need it fail with that reason.
slow="$drives/network"
echo 0 >"$drives/network.delay"
rm -f "$slow/not-mounted.txt"
/usr/bin/python3 "$(dirname "$0")/../tests/equipment/slow_drive/slow_drive.py" "$slow" "$drives/network.delay" Tarvolo \
  >"$drives/slow-drive.log" 2>&1 &
for _ in $(seq 50); do
  mountpoint -q "$slow" && break
  kill -0 $! 2>/dev/null || break
  sleep 0.1
done
if ! mountpoint -q "$slow"; then
  why="the slow drive could not be mounted: $(tail -n 1 "$drives/slow-drive.log")"
  echo "drive folder $slow stays a plain folder: $why" >&2
  printf '%s\n' "$why" >"$slow/not-mounted.txt"
fi

# The CD-ROM drives are emulated (tests/equipment/cd_emulator): the device of each is
# a disc description beside its folder, which the tests rewrite to insert,
# change and eject discs. D holds an audio disc of three tracks. X holds
# none, and like a real CD-ROM drive without a disc it is not ready: its
# folder is missing.
for letter in d x; do
  ln -sfn "../test-drives/cdrom-$letter.cdemu" "$WINEPREFIX/dosdevices/$letter::"
done
printf 'audio 150\naudio 18525\naudio 36300\nlead-out 54000\n' >"$drives/cdrom-d.cdemu"
: >"$drives/cdrom-x.cdemu"
rmdir "$drives/cdrom-x"

# Wine reads a drive's label and serial number (hexadecimal) from these files
# at its root.
printf 'SISTEM\n' >"$drives/data/.windows-label"
printf 'FFFFFC6F\n' >"$drives/data/.windows-serial"

reg="$drives/drives.reg"
{
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n'
  for entry in "${layout[@]}"; do
    read -r letter _ type _ <<<"$entry"
    printf '"%s:"="%s"\r\n' "$letter" "$type"
  done
  # Every window opens in one Wine virtual desktop: Wine draws the frames
  # itself and gives focus and activation as Windows does, with no window
  # manager in between.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n'
  # A program that breaks down ends at once: Wine's debugger prints where and
  # goes, where its dialog would wait, holding the test's output open.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
} >"$reg"
# Z: is the Unix root in every prefix.
"$WINE64" regedit /S "Z:${reg//\//\\}"

# Lets the prefix stop by itself, so the drives take effect at its next start;
# killing it while its services are still starting can leave one of them
# running with a server of its own.
"$WINESERVER" -w

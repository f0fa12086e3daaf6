#!/usr/bin/env bash
# Builds the programs if needed and starts one under Wine.
#   scripts/run.sh [--9x] [--x86] [--disc DISC | --cdrom DEVICE]
#                  [--screenshot FILE.png] [--search] [--click LETTER] [--about]
# --x86 runs the 32-bit build (default: the 64-bit one); where this machine's
# kernel runs no 32-bit programs, it says so and ends with status 2.
# On a machine without a display (no DISPLAY), or with --screenshot, it runs on
# a private virtual display and writes a screenshot of the window to FILE.png
# (default: tarvolo.png), then ends the program. Otherwise it runs on DISPLAY,
# where --search, --click and --about are pressed too, and stays. With --disc, drive D is an
# emulated CD-ROM drive (tests/equipment/cd_emulator) holding the disc that
# the file DISC describes; with --cdrom, drive D is the machine's CD-ROM drive
# DEVICE, such as /dev/sr0. --click on a drive the list does not have says
# which drives it has and ends with status 2, writing no screenshot. Options
# given wrongly end it with status 2 before anything is built or started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=x64

program=Tarvolo
screenshot=""
disc=""
cdrom=""
actions=()
usage="usage: $0 [--9x] [--x86] [--disc DISC | --cdrom DEVICE] [--screenshot FILE.png] [--search] [--click LETTER] [--about]"
usage_error() {
  echo "$usage" >&2
  exit 2
}
# The value after an option: there, and no option itself.
value() {
  [ -n "${1:-}" ] && [[ $1 != -* ]] || usage_error
}
while (($#)); do
  case "$1" in
    --9x) program=Tarvolo9x ;;
    --x86) arch=x86 ;;
    --disc)
      value "${2:-}"
      [ -f "$2" ] || { echo "--disc $2: no such file" >&2; exit 2; }
      disc=$(realpath "$2")
      shift
      ;;
    --cdrom) value "${2:-}"; cdrom=$(realpath "$2") || usage_error; shift ;;
    --screenshot) value "${2:-}"; screenshot=$(realpath -m "$2"); shift ;;
    --search) actions+=(--search) ;;
    --click)
      [[ ${2:-} =~ ^[A-Za-z]$ ]] || usage_error
      actions+=(--click "${2^^}")
      shift
      ;;
    --about) actions+=(--about) ;;
    *) usage_error ;;
  esac
  shift
done
if [ -n "$disc" ] && [ -n "$cdrom" ]; then
  echo "--disc and --cdrom both make drive D: give one of them" >&2
  echo "$usage" >&2
  exit 2
fi
if [ -z "${DISPLAY:-}" ] && [ -z "$screenshot" ]; then
  screenshot=$(realpath -m tarvolo.png)
fi

build=$(realpath -m "${BUILD_DIR:-$root/build}")/$arch
"$root/scripts/bootstrap.sh"
source "$root/scripts/wine_env.sh"
if [ "$arch" = x86 ]; then
  check_wine32
  case $WINE32_STATE in
    unsupported)
      echo "The x86 build cannot run here: $WINE32_PROBLEM. The x64 build runs without --x86." >&2
      exit 2
      ;;
    broken)
      echo "The x86 build cannot run here: $WINE32_PROBLEM." >&2
      exit 1
      ;;
  esac
fi
cmake --preset "$arch" -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target "$program" Divazid screen_driver cd_emulator

export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tarvolo}

# Prints whether the CD-ROM drive DEVICE holds a disc, "disc" or "empty", as
# the Linux CD driver tells; a drive that is not ready, still spinning a disc
# up, is asked again for a few seconds before it counts as empty. A device
# that cannot be opened, or is no CD-ROM drive: one line on stderr, status 2.
cd_drive_state() {
  /usr/bin/python3 - "$1" <<'EOF'
import fcntl, os, signal, sys, time
CDROM_DRIVE_STATUS, CDSL_CURRENT = 0x5326, 0x7FFFFFFF
CDS_DRIVE_NOT_READY, CDS_DISC_OK = 3, 4
SPIN_UP_SECONDS = 8
signal.signal(signal.SIGINT, signal.SIG_DFL)
path = sys.argv[1]

def fail(why):
    print(f"--cdrom {path}: {why}", file=sys.stderr)
    sys.exit(2)

try:
    device = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
except OSError as error:
    fail(f"cannot open it ({error.strerror})")

def status():
    try:
        return fcntl.ioctl(device, CDROM_DRIVE_STATUS, CDSL_CURRENT)
    except OSError as error:
        fail(f"not a CD-ROM drive ({error.strerror})")

deadline = time.monotonic() + SPIN_UP_SECONDS
answer = status()
while answer == CDS_DRIVE_NOT_READY and time.monotonic() < deadline:
    time.sleep(0.25)
    answer = status()
if answer == CDS_DRIVE_NOT_READY:
    print(f"--cdrom {path}: still not ready after {SPIN_UP_SECONDS} s, taken as empty", file=sys.stderr)
print("disc" if answer == CDS_DISC_OK else "empty")
EOF
}

# Drive D of the run's prefix, which only this script makes, noting its two
# links in cd-drive.links: given a disc description (--disc), an emulated
# CD-ROM drive (tests/equipment/cd_emulator) holding a copy of it; given a
# device (--cdrom), that CD-ROM drive, its files where the system mounted
# them, else an empty folder, as an audio disc has no file system; given
# neither, no drive of ours. Drive types are read when the prefix starts, so
# a change stops it.
set_cd_drive() {
  local kind=$1 source=$2 links="$WINEPREFIX/dosdevices" drive="$WINEPREFIX/cd-drive"
  local device="" folder=""
  case $kind in
    disc)
      cp "$source" "$drive.cdemu"
      rm -f "$drive.cdemu.log"
      # Without a disc the drive is not ready, as on Windows: it has no folder.
      if grep -q '[^[:space:]]' "$source"; then mkdir -p "$drive"; else rm -rf "$drive"; fi
      device=../cd-drive.cdemu
      folder=../cd-drive
      ;;
    cdrom)
      # A device that cannot be used ends the run before drive D changes.
      local state
      state=$(cd_drive_state "$source") || exit 2
      device=$source
      folder=$(findmnt -n -o TARGET --source "$source" 2>/dev/null | head -n 1 || true)
      if [ -z "$folder" ]; then
        # Without a disc the drive is not ready: the folder is missing.
        folder=../cd-drive-empty
        if [ "$state" = disc ]; then mkdir -p "$drive-empty"; else rm -rf "$drive-empty"; fi
      fi
      ;;
  esac
  local want="" had=""
  [ -z "$device" ] || want="$device $folder"
  [ ! -f "$WINEPREFIX/cd-drive.links" ] || had=$(cat "$WINEPREFIX/cd-drive.links")
  [ "$want" = "$had" ] && return 0
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w
  local value=-
  rm -f "$links/d:" "$links/d::" "$WINEPREFIX/cd-drive.links"
  if [ -n "$device" ]; then
    ln -sfn "$folder" "$links/d:"
    ln -sfn "$device" "$links/d::"
    printf '%s' "$want" >"$WINEPREFIX/cd-drive.links"
    value='"cdrom"'
  fi
  local reg="$WINEPREFIX/cd-drive.reg"
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"d:"=%s\r\n' "$value" >"$reg"
  "$WINE64" regedit /S "Z:${reg//\//\\}"
  "$WINESERVER" -w
}

if [ -n "$screenshot" ]; then
  # A private virtual display; the program runs in a Wine virtual desktop so
  # that its window has a frame, and a small driver presses what was asked.
  cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    if [ -n "${SCREEN_READY:-}" ]; then rm -rf "$(dirname "$SCREEN_READY")"; fi
    if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  }
  trap cleanup EXIT
  start_xvfb
fi
ensure_prefix
if [ -n "$disc" ]; then
  set_cd_drive disc "$disc"
elif [ -n "$cdrom" ]; then
  set_cd_drive cdrom "$cdrom"
else
  set_cd_drive none ""
fi
# The emulator goes into this run's Wine only when a disc was asked for.
# The loader puts the folder of the library for each process's Wine, 32- or
# 64-bit, in place of $LIB.
[ -z "$disc" ] || export LD_PRELOAD="$build/tests/equipment/cd_emulator/\$LIB/cd_emulator.so"

if [ -z "$screenshot" ]; then
  # On the caller's display; what was asked for is pressed there, and the
  # program stays until it is closed.
  ((${#actions[@]})) || exec "$WINE64" "$build/bin/$program.exe"
  exec "$WINE64" "$build/bin/screen_driver.exe" "$build/bin/$program.exe" "${actions[@]}"
fi

# A folder of this run's own: two runs of one build may take screenshots at
# the same time.
SCREEN_READY=$(mktemp -d "$build/screen.XXXXXX")/ready
export SCREEN_READY
"$WINE64" explorer "/desktop=tarvolo,800x600" "$build/bin/screen_driver.exe" \
  "$build/bin/$program.exe" "${actions[@]}" >/dev/null 2>&1 &
driver=$!
for _ in $(seq 600); do
  [ -e "$SCREEN_READY" ] && break
  sleep 0.1
done
[ -e "$SCREEN_READY" ] || { echo "the program did not come up" >&2; exit 1; }
# The driver writes there what it could not do, such as a click on a drive
# the list does not have.
problem=$(cat "$SCREEN_READY")
if [ -n "$problem" ]; then
  rm -f "$SCREEN_READY"
  wait "$driver" || true
  echo "$problem" >&2
  exit 2
fi
import -window root -crop 800x600+0+0 "$screenshot"
rm -f "$SCREEN_READY"
wait "$driver" || true
echo "screenshot: $screenshot"

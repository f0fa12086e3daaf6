#!/usr/bin/env bash
# Builds the programs if needed and starts one under Wine.
#   scripts/run.sh [--9x] [--x86] [--disc DISC] [--screenshot FILE.png]
#                  [--search] [--click LETTER] [--about]
# --x86 runs the 32-bit build (default: the 64-bit one).
# On a machine without a display (no DISPLAY), or with --screenshot, it runs on
# a private virtual display and writes a screenshot of the window to FILE.png
# (default: tarvolo.png), then ends the program. With --disc, drive D is an
# emulated CD-ROM drive (tests/equipment/cd_emulator) holding the disc that the file
# DISC describes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=x64

program=Tarvolo
screenshot=""
disc=""
actions=()
usage="usage: $0 [--9x] [--x86] [--disc DISC] [--screenshot FILE.png] [--search] [--click LETTER] [--about]"
while (($#)); do
  case "$1" in
    --9x) program=Tarvolo9x ;;
    --x86) arch=x86 ;;
    --disc) disc=$(realpath "$2") || { echo "$usage" >&2; exit 2; }; shift ;;
    --screenshot) screenshot=$(realpath -m "$2"); shift ;;
    --search) actions+=(--search) ;;
    --click) actions+=(--click "$2"); shift ;;
    --about) actions+=(--about) ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
  shift
done
if [ -z "${DISPLAY:-}" ] && [ -z "$screenshot" ]; then
  screenshot=$(realpath -m tarvolo.png)
fi

build=$(realpath -m "${BUILD_DIR:-$root/build}")/$arch
"$root/scripts/bootstrap.sh"
cmake --preset "$arch" -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target "$program" Divazid screen_driver cd_emulator

source "$root/scripts/wine_env.sh"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tarvolo}

# Drive D of the run's prefix: given a disc description, an emulated CD-ROM
# drive (tests/equipment/cd_emulator) holding a copy of it; given none, no drive of
# ours. Drive types are read when the prefix starts, so a change stops it.
set_cd_drive() {
  local disc=$1 links="$WINEPREFIX/dosdevices" drive="$WINEPREFIX/cd-drive"
  local ours=no want=no value=-
  [ "$(readlink "$links/d::")" = ../cd-drive.cdemu ] && ours=yes
  if [ -n "$disc" ]; then
    want=yes
    cp "$disc" "$drive.cdemu"
    rm -f "$drive.cdemu.log"
    # Without a disc the drive is not ready, as on Windows: it has no folder.
    if grep -q '[^[:space:]]' "$disc"; then mkdir -p "$drive"; else rm -rf "$drive"; fi
  fi
  [ $ours = $want ] && return 0
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w
  if [ $want = yes ]; then
    ln -sfn ../cd-drive "$links/d:"
    ln -sfn ../cd-drive.cdemu "$links/d::"
    value='"cdrom"'
  else
    rm -f "$links/d:" "$links/d::"
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
    if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  }
  trap cleanup EXIT
  start_xvfb
fi
ensure_prefix
set_cd_drive "$disc"
# The emulator goes into this run's Wine only when a disc was asked for.
# The loader puts the folder of the library for each process's Wine, 32- or
# 64-bit, in place of $LIB.
[ -z "$disc" ] || export LD_PRELOAD="$build/tests/equipment/cd_emulator/\$LIB/cd_emulator.so"

if [ -z "$screenshot" ]; then
  exec "$WINE64" "$build/bin/$program.exe"
fi

export SCREEN_READY="$build/screen-ready"
rm -f "$SCREEN_READY"
"$WINE64" explorer "/desktop=tarvolo,800x600" "$build/bin/screen_driver.exe" \
  "$build/bin/$program.exe" "${actions[@]}" >/dev/null 2>&1 &
driver=$!
for _ in $(seq 600); do
  [ -e "$SCREEN_READY" ] && break
  sleep 0.1
done
[ -e "$SCREEN_READY" ] || { echo "the program did not come up" >&2; exit 1; }
import -window root -crop 800x600+0+0 "$screenshot"
rm -f "$SCREEN_READY"
wait "$driver" || true
echo "screenshot: $screenshot"

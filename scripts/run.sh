#!/usr/bin/env bash
# Builds the programs if needed and starts one under Wine.
#   scripts/run.sh [--9x] [--screenshot FILE.png] [--search] [--click LETTER]
# On a machine without a display (no DISPLAY), or with --screenshot, it runs on
# a private virtual display and writes a screenshot of the window to FILE.png
# (default: tarvolo.png), then ends the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${BUILD_DIR:-$root/build}")

program=Tarvolo
screenshot=""
actions=()
while (($#)); do
  case "$1" in
    --9x) program=Tarvolo9x ;;
    --screenshot) screenshot=$(realpath -m "$2"); shift ;;
    --search) actions+=(--search) ;;
    --click) actions+=(--click "$2"); shift ;;
    --about) actions+=(--about) ;;
    *) echo "usage: $0 [--9x] [--screenshot FILE.png] [--search] [--click LETTER] [--about]" >&2; exit 2 ;;
  esac
  shift
done
if [ -z "${DISPLAY:-}" ] && [ -z "$screenshot" ]; then
  screenshot=$(realpath -m tarvolo.png)
fi

"$root/scripts/bootstrap.sh"
cmake --preset mingw -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target "$program" Divazid screen_driver

source "$root/scripts/wine_env.sh"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tarvolo}

if [ -z "$screenshot" ]; then
  ensure_prefix
  exec "$WINE64" "$build/bin/$program.exe"
fi

# A private virtual display; the program runs in a Wine virtual desktop so
# that its window has a frame, and a small driver presses what was asked.
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT
start_xvfb
ensure_prefix
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

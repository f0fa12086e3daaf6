# Sourced by the scripts: Wine and a virtual display, private to one run.
TARVOLO_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Starts Xvfb on a free display number and exports DISPLAY; sets XVFB_PID.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "no virtual display could be started" >&2
  return 1
}

# Creates the Wine prefix $WINEPREFIX if it does not exist yet, for 64- and
# 32-bit programs; a prefix made before 32-bit Wine was installed gets its
# 32-bit system folder now.
ensure_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot --init >/dev/null 2>&1
    "$WINESERVER" -w
  elif [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    # Without its time stamp the prefix is brought up to date in full.
    rm -f "$WINEPREFIX/.update-timestamp"
    "$WINE64" wineboot --update >/dev/null 2>&1
    "$WINESERVER" -w
  fi
  # Wine's own fonts (Tahoma for window text, Marlett for the frame buttons)
  # where this Wine build looks for them: the prefix's Fonts folder.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
}

# The test prefix $WINEPREFIX with its drives (scripts/make_test_prefix.sh) on
# a private virtual display, with one wineserver for the whole run; all of it
# is stopped when the calling script exits.
start_test_prefix() {
  trap stop_test_prefix EXIT
  start_xvfb
  "$TARVOLO_SCRIPTS/make_test_prefix.sh"
  # The prefix's background services start with the first program; started
  # here, they do not hold the output of the first test open.
  "$WINESERVER" -p
  "$WINE64" wineboot </dev/null >/dev/null 2>&1
}

stop_test_prefix() {
  "$WINESERVER" -k 2>/dev/null || true
  "$TARVOLO_SCRIPTS/release_test_prefix.sh" || true
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}

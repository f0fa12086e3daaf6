# Sourced by the scripts: Wine and a virtual display, private to one run.
TARVOLO_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WINE64=/usr/lib/wine/wine64
# The tests point WINE32 at other loaders to try check_wine32's verdicts.
WINE32=${WINE32:-/usr/lib/wine/wine}
WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Whether this machine can start 32-bit Wine, tried on its loader $WINE32
# itself, not guessed from the kernel's version. Sets WINE32_STATE to "ready";
# to "unsupported" when the kernel runs no 32-bit programs (starting an i386
# program gives "Exec format error"); or to "broken" when 32-bit Wine is
# missing or does not start. WINE32_PROBLEM says why, and for "unsupported"
# where the programs do run.
check_wine32() {
  local verdict
  verdict=$(/usr/bin/python3 - "$WINE32" <<'EOF'
import errno, os, subprocess, sys

loader = sys.argv[1]


def verdict(state, problem=""):
    print(state)
    print(problem)
    sys.exit()


def is_i386_program(path):
    # ELF, 32-bit, little-endian; an executable or a shared object; i386.
    with open(path, "rb") as file:
        header = file.read(20)
    return header[:6] == b"\x7fELF\x01\x01" and header[16:20] in (b"\x02\x00\x03\x00", b"\x03\x00\x03\x00")


if not os.path.exists(loader):
    verdict("broken", f"32-bit Wine is not installed: there is no {loader} (scripts/bootstrap.sh installs it)")
# subprocess starts the loader with execve and reports its error; a shell
# would run a file the kernel refuses as a shell script instead.
try:
    run = subprocess.run([loader, "--version"], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                         errors="replace")
except OSError as error:
    if error.errno == errno.ENOEXEC and is_i386_program(loader):
        verdict("unsupported", f"this machine's kernel cannot run 32-bit programs (starting {loader}, an i386 "
                f"program, gives: {error.strerror}); they run on a kernel booted with ia32_emulation=on, or on a "
                "machine that runs 32-bit programs")
    if error.errno == errno.ENOEXEC:
        verdict("broken", f"32-bit Wine is installed but broken: {loader} is no i386 program (starting it gives: "
                f"{error.strerror})")
    verdict("broken", f"32-bit Wine is installed but broken: starting {loader} gives: {error.strerror}")
if run.returncode != 0:
    said = (run.stderr + run.stdout).strip().splitlines()
    verdict("broken", f"32-bit Wine is installed but broken: {loader} --version ended with status "
            f"{run.returncode}" + (f": {said[0]}" if said else ""))
verdict("ready")
EOF
  )
  { read -r WINE32_STATE; read -r WINE32_PROBLEM || true; } <<<"$verdict"
}

# For what starts a 32-bit program: where this machine's kernel runs none,
# prints why and ends the script with status 77, which CTest counts as a
# skip; a 32-bit Wine that is installed but broken is said on stderr and
# started all the same, so that the test fails.
skip_where_no_32bit_programs() {
  check_wine32
  case $WINE32_STATE in
    unsupported)
      echo "Skipped: $WINE32_PROBLEM"
      exit 77
      ;;
    broken) echo "$WINE32_PROBLEM" >&2 ;;
  esac
}

# Starts Xvfb and exports DISPLAY, the display that this Xvfb serves, as it
# reports once it is ready (-displayfd): a number chosen beforehand could be
# taken meanwhile by an X server started at the same time, whose display the
# caller would then use. Sets XVFB_PID.
start_xvfb() {
  local folder display=""
  folder=$(mktemp -d /tmp/tarvolo-xvfb.XXXXXX)
  mkfifo "$folder/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$folder/display" >/dev/null 2>&1 &
  XVFB_PID=$!
  read -r -t 30 display <"$folder/display" || true
  rm -rf "$folder"
  if [[ ! $display =~ ^[0-9]+$ ]]; then
    kill "$XVFB_PID" 2>/dev/null || true
    echo "no virtual display could be started" >&2
    return 1
  fi
  export DISPLAY=":$display"
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

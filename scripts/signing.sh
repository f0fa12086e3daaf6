# Sourced by the packaging scripts: Authenticode signing with SIGN_PFX (a
# PKCS#12 file) and the password, which the caller has moved from
# SIGN_PASSWORD into its shell variable $password and out of the environment.

# Sets sign=1 and pfx when both the file and the password are given, sign=""
# when neither is; ends the script when only one is, or the file cannot be
# read. WHO names the script in its messages.
check_signing() {
  local who=$1
  sign=""
  if [ -n "${SIGN_PFX:-}" ] && [ -n "$password" ]; then
    sign=1
    pfx=$SIGN_PFX
    if [ ! -f "$pfx" ] || [ ! -r "$pfx" ]; then
      echo "$who: SIGN_PFX=$SIGN_PFX is not a readable file" >&2
      exit 1
    fi
  elif [ -n "${SIGN_PFX:-}" ]; then
    echo "$who: SIGN_PFX is set but SIGN_PASSWORD is not; set both to sign, or neither" >&2
    exit 1
  elif [ -n "$password" ]; then
    echo "$who: SIGN_PASSWORD is set but SIGN_PFX is not; set both to sign, or neither" >&2
    exit 1
  fi
}

# Signs IN into OUT (SHA-256), time-stamped by the RFC 3161 server at
# SIGN_TIMESTAMP_URL when that is set; ends the script, saying what osslsigncode
# said, when it cannot. WHO and WHAT name the script and the file in the message.
# Every option used here exists in osslsigncode 2.5, Debian 12's. It reads the
# password with one read from the /dev/fd path of a pipe that the shell's own
# printf fills, a new pipe for each file: the password is on no command line,
# where any user could read it from the process list, and in no file, whose
# bytes would stay on the disk after its removal.
sign_file() {
  local who=$1 in=$2 out=$3 what=$4 log
  local timestamp=()
  if [ -n "${SIGN_TIMESTAMP_URL:-}" ]; then
    timestamp=(-ts "$SIGN_TIMESTAMP_URL")
  fi
  if ! log=$(osslsigncode sign -pkcs12 "$pfx" -readpass <(printf '%s' "$password") -h sha256 -n Tarvolo \
               "${timestamp[@]}" -in "$in" -out "$out" 2>&1); then
    echo "$who: osslsigncode could not sign $what:" >&2
    echo "$log" >&2
    exit 1
  fi
}

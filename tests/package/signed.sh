#!/usr/bin/env bash
# Signs one build's package as scripts/make_package.sh does, with a throwaway
# self-signed code-signing certificate, and checks each of the three
# binaries: its signature verifies against that certificate, and with the
# signature removed it is the build's binary to the byte, so a signed release
# can be checked against a rebuild. Also: signing with only one of the two
# settings, or with a wrong password, fails and writes no zip; without them
# the zip is the same on every run; and the private password file is gone
# whatever the outcome. Time-stamping is not tried: no time-stamping server
# is reachable here. Needs osslsigncode 2.5 (Debian 12) or later.
#   signed.sh BIN_FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$1
binaries=(Tarvolo.exe Tarvolo9x.exe Divazid.dll)
work=$(mktemp -d /tmp/tarvolo-signed.XXXXXX)
trap 'rm -rf "$work"' EXIT
# make_package.sh keeps its temporary files here, so that they can be counted.
mkdir "$work/tmp"
export TMPDIR=$work/tmp
status=0
fail() {
  echo "$*" >&2
  status=1
}
no_leftovers() {
  if [ -n "$(ls -A "$TMPDIR")" ]; then
    fail "$1: make_package.sh left behind: $(ls -A "$TMPDIR")"
  fi
}

# Spaces, quotes and a $( ) in the password: it must reach osslsigncode as is.
# shellcheck disable=SC2016
password='pass word "$(false)" ends'
export PASSWORD=$password
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" \
  -days 2 -subj "/CN=Tarvolo test signer" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.pfx" \
  -passout env:PASSWORD

# Signed.
SIGN_PFX=$work/signer.pfx SIGN_PASSWORD=$password \
  "$root/scripts/make_package.sh" "$bin" test "$work/signed.zip"
no_leftovers "after signing"
unzip -q "$work/signed.zip" -d "$work/signed"
for file in "${binaries[@]}"; do
  if result=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/$file" 2>&1); then
    echo "$file: $(grep -E '^Signature verification' <<<"$result")"
  else
    fail "$file: the signature does not verify:"$'\n'"$result"
  fi
  grep -q '^Message digest algorithm *: SHA256' <<<"$result" || fail "$file: not signed with SHA-256"
  osslsigncode remove-signature -in "$work/signed/$file" -out "$work/$file.unsigned" >/dev/null
  if cmp "$work/$file.unsigned" "$bin/$file"; then
    echo "$file: without its signature, the same as the build's"
  else
    status=1
  fi
done

# Half the settings, or a wrong password: an error, and no zip.
expect_refusal() {
  local what=$1 message=$2
  shift 2
  if env "$@" "$root/scripts/make_package.sh" "$bin" test "$work/refused.zip" 2>"$work/error"; then
    fail "$what: packed all the same"
  elif ! grep -q "$message" "$work/error"; then
    fail "$what: no message with \"$message\": $(cat "$work/error")"
  fi
  [ ! -e "$work/refused.zip" ] || fail "$what: wrote a zip"
  no_leftovers "$what"
}
expect_refusal "SIGN_PFX alone" "SIGN_PASSWORD is not" SIGN_PFX="$work/signer.pfx" SIGN_PASSWORD=
expect_refusal "SIGN_PASSWORD alone" "SIGN_PFX is not" SIGN_PFX= SIGN_PASSWORD="$password"
expect_refusal "a wrong password" "could not sign Tarvolo.exe" \
  SIGN_PFX="$work/signer.pfx" SIGN_PASSWORD="${password}x"
expect_refusal "a missing PKCS#12 file" "not a readable file" \
  SIGN_PFX="$work/missing.pfx" SIGN_PASSWORD="$password"

# Unsigned: the built binaries as they are, and the same zip each time.
env -u SIGN_PFX -u SIGN_PASSWORD "$root/scripts/make_package.sh" "$bin" test "$work/first.zip"
env -u SIGN_PFX -u SIGN_PASSWORD "$root/scripts/make_package.sh" "$bin" test "$work/second.zip"
cmp "$work/first.zip" "$work/second.zip" || status=1
unzip -q "$work/first.zip" -d "$work/unsigned"
for file in "${binaries[@]}"; do
  cmp "$work/unsigned/$file" "$bin/$file" || status=1
done
no_leftovers "unsigned"
exit $status

#!/usr/bin/env bash
# Signs the release packages as scripts/package.sh does, with a throwaway
# self-signed code-signing certificate, and checks each of the three
# binaries: its signature verifies against that certificate, and with the
# signature removed it is the build's binary to the byte, so a signed release
# can be checked against a rebuild. The password reaches osslsigncode alone,
# through a pipe: stand-ins first on PATH record every call of osslsigncode
# (its arguments, its environment, what kind of file its -readpass names, and
# which files under TMPDIR hold the password while it signs), of cmake, of
# dpkg-query, and of wixl and msibuild, which build the .msi files (their
# environment), and the password is in none of them. Each .msi is signed
# too (tests/package/msi_signed.sh checks what it holds).
# package.sh packs this build's binaries as both architectures' (BUILD_DIR
# holds them), with a cmake that builds nothing, and a dpkg-query that finds
# everything installed. Also: signing with only one of the two settings, or
# with a wrong password, fails and writes no zip; without them the zip is the
# same on every run; and no temporary file is left whatever the outcome.
# Time-stamping is not tried: no time-stamping server is reachable here.
# Needs osslsigncode 2.5 (Debian 12) or later.
#   signed.sh BIN_FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(realpath "$1")
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
printf '%s' "$password" >"$work/secret"
PASSWORD=$password "$root/tests/package/test_signer.sh" "$work"

# The stand-ins: each call leaves NAME.XXXXXX.argv and .env (NUL-separated)
# in $calls; osslsigncode's also .readpass and .holding.
calls=$work/calls
mkdir "$calls" "$work/path"
stand_in() {
  local name=$1 rest=$2
  cat >"$work/path/$name" <<EOF
#!/usr/bin/env bash
# The $name stand-in of signed.sh: records the call.
set -euo pipefail
record=\$(mktemp "$calls/$name.XXXXXX")
printf '%s\0' "\$@" >"\$record.argv"
cat "/proc/\$\$/environ" >"\$record.env"
$rest
EOF
  chmod +x "$work/path/$name"
}
stand_in osslsigncode "previous=''
for argument in \"\$@\"; do
  if [ \"\$previous\" = -readpass ]; then stat -L -c %F \"\$argument\" >\"\$record.readpass\"; fi
  previous=\$argument
done
grep -rlF -f '$work/secret' \"\$TMPDIR\" >\"\$record.holding\" || true
exec '$(command -v osslsigncode)' \"\$@\""
stand_in cmake ""
stand_in dpkg-query "printf 'install ok installed'"
stand_in wixl "exec '$(command -v wixl)' \"\$@\""
stand_in msibuild "exec '$(command -v msibuild)' \"\$@\""
export PATH=$work/path:$PATH

# Counts in $count the signings since the last call, each checked:
# -readpass a pipe, and no file under TMPDIR holding the password meanwhile.
signings() {
  local record kind
  count=0
  for record in "$calls"/osslsigncode.*.argv; do
    [ -e "$record" ] && [ "$(head -zn 1 "$record" | tr -d '\0')" = sign ] || continue
    count=$((count + 1))
    kind=$(cat "${record%.argv}.readpass" 2>/dev/null || echo "no -readpass")
    [ "$kind" = fifo ] || fail "osslsigncode sign: the password does not come through a pipe: $kind"
    [ ! -s "${record%.argv}.holding" ] ||
      fail "osslsigncode sign: meanwhile the password was in $(tr '\n' ' ' <"${record%.argv}.holding")"
    mv "$record" "$record.checked"
  done
}

# Signed, both architectures' packages: this build's binaries stand for each.
for arch in x86 x64; do
  mkdir -p "$work/build/$arch"
  ln -s "$bin" "$work/build/$arch/bin"
done
BUILD_DIR=$work/build DIST_DIR=$work/dist SIGN_PFX=$work/signer.pfx SIGN_PASSWORD=$password \
  "$root/scripts/package.sh" >"$work/package.log"
no_leftovers "after signing"
signings
echo "package.sh: osslsigncode signed $count files"
[ "$count" -eq 8 ] || fail "package.sh: $count signings, not 8 (3 binaries and the .msi, for each architecture)"
for arch in x86 x64; do
  unzip -q "$work"/dist/Tarvolo-*-"$arch.zip" -d "$work/signed-$arch"
  for file in "${binaries[@]}"; do
    if result=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed-$arch/$file" 2>&1); then
      echo "$arch $file: $(grep -E '^Signature verification' <<<"$result")"
    else
      fail "$arch $file: the signature does not verify:"$'\n'"$result"
    fi
    grep -q '^Message digest algorithm *: SHA256' <<<"$result" || fail "$arch $file: not signed with SHA-256"
    osslsigncode remove-signature -in "$work/signed-$arch/$file" -out "$work/$arch-$file.unsigned" >/dev/null
    if cmp "$work/$arch-$file.unsigned" "$bin/$file"; then
      echo "$arch $file: without its signature, the same as the build's"
    else
      status=1
    fi
  done
done
for arch in x86 x64; do
  if result=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$work"/dist/Tarvolo-*-"$arch.msi" 2>&1); then
    echo "$arch .msi: $(grep -E '^Signature verification' <<<"$result")"
  else
    fail "$arch .msi: the signature does not verify:"$'\n'"$result"
  fi
done
for tool in cmake dpkg-query wixl msibuild; do
  ls "$calls/$tool".*.env >/dev/null 2>&1 || fail "package.sh did not call $tool"
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
signings
[ "$count" -eq 1 ] || fail "the refusals: $count signings, not the 1 with the wrong password"

# Unsigned: the built binaries as they are, and the same zip each time.
env -u SIGN_PFX -u SIGN_PASSWORD "$root/scripts/make_package.sh" "$bin" test "$work/first.zip"
env -u SIGN_PFX -u SIGN_PASSWORD "$root/scripts/make_package.sh" "$bin" test "$work/second.zip"
cmp "$work/first.zip" "$work/second.zip" || status=1
unzip -q "$work/first.zip" -d "$work/unsigned"
for file in "${binaries[@]}"; do
  cmp "$work/unsigned/$file" "$bin/$file" || status=1
done
no_leftovers "unsigned"

# The password in no argument and no environment of any call recorded.
leaks=$(cd "$calls" && grep -laF -e "$password" -- *.argv* *.env | tr '\n' ' ' || true)
echo "calls recorded: $(find "$calls" -name '*.env' | wc -l), the password in the arguments or environment of: ${leaks:-none}"
[ -z "$leaks" ] || status=1
exit $status

#!/usr/bin/env bash
# The Windows Installer package of one build, signed as scripts/package.sh
# signs it, with a throwaway self-signed code-signing certificate: the
# package's signature verifies (SHA-256); the programs and the CD control
# inside it, read back with msiextract, are signed, verify, and without their
# signatures are the build's binaries to the byte; and the package's tables
# and files, read back with msidump and msiextract, are those of the unsigned
# package that was signed, which make_msi.sh makes again to the byte from the
# same (signed) zip. Removing an .msi's signature rewrites the whole compound
# file, so a signed package is checked by what it holds, not by its bytes.
# Also: signing with only one of the two settings, or with a wrong password,
# fails and writes no package.
#   msi_signed.sh SOURCE_FOLDER BIN_FOLDER x86|x64
set -euo pipefail
root=$1
bin=$(realpath "$2")
arch=$3
binaries=(Tarvolo.exe Tarvolo9x.exe Divazid.dll)
work=$(mktemp -d /tmp/tarvolo-msi-signed.XXXXXX)
trap 'rm -rf "$work"' EXIT
version=$(sed -nE 's/^project\(Tarvolo VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
status=0
fail() {
  echo "FAILED: $*" >&2
  status=1
}

export PASSWORD='msi pass "$(false)"'
"$root/tests/package/test_signer.sh" "$work"
SIGN_PFX=$work/signer.pfx SIGN_PASSWORD=$PASSWORD "$root/scripts/make_package.sh" "$bin" "$version" "$work/signed.zip"
SIGN_PFX=$work/signer.pfx SIGN_PASSWORD=$PASSWORD \
  "$root/scripts/make_msi.sh" "$work/signed.zip" "$version" "$arch" "$work/signed.msi"
# The package that was signed: the same zip, packed without signing.
"$root/scripts/make_msi.sh" "$work/signed.zip" "$version" "$arch" "$work/unsigned.msi"

if result=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.msi" 2>&1); then
  echo "the package: $(grep -E '^Signature verification' <<<"$result")"
else
  fail "the package's signature does not verify:"$'\n'"$result"
fi
grep -q '^Message digest algorithm *: SHA256' <<<"$result" || fail "the package is not signed with SHA-256"
osslsigncode verify -in "$work/unsigned.msi" >/dev/null 2>&1 && fail "the unsigned package verifies"

# Tables and files against the unsigned package's.
for side in signed unsigned; do
  mkdir -p "$work/$side-tables" "$work/$side-files"
  (cd "$work" && msidump -t -d "$side-tables" "$side.msi" >/dev/null)
  msiextract -C "$work/$side-files" "$work/$side.msi" >/dev/null
done
if diff -r "$work/unsigned-tables" "$work/signed-tables" >"$work/tables.diff"; then
  echo "the tables: the unsigned package's ($(ls "$work/signed-tables" | wc -l) tables)"
else
  fail "the tables differ from the unsigned package's:"$'\n'"$(head -n 20 "$work/tables.diff")"
fi
if diff -r "$work/unsigned-files" "$work/signed-files" >/dev/null; then
  echo "the files: the unsigned package's ($(find "$work/signed-files" -type f | wc -l) files)"
else
  fail "the files differ from the unsigned package's"
fi
# The streams: the signature is the one the signed package has more.
(cd "$work" && msiinfo streams signed.msi | sort >signed.streams && msiinfo streams unsigned.msi | sort >unsigned.streams)
more=$(comm -13 "$work/unsigned.streams" "$work/signed.streams" | tr -d '\005')
if [ "$more" = DigitalSignature ] && [ -z "$(comm -23 "$work/unsigned.streams" "$work/signed.streams")" ]; then
  echo "the streams: the unsigned package's, and the signature"
else
  fail "the signed package's streams are not the unsigned one's and its signature: $(cat "$work/signed.streams")"
fi

# The binaries inside: signed, and the build's without their signatures.
folder=$(dirname "$(find "$work/signed-files" -name Tarvolo.exe)")
for file in "${binaries[@]}"; do
  if result=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$folder/$file" 2>&1); then
    echo "$file in the package: $(grep -E '^Signature verification' <<<"$result")"
  else
    fail "$file in the package does not verify:"$'\n'"$result"
  fi
  osslsigncode remove-signature -in "$folder/$file" -out "$work/$file.unsigned" >/dev/null
  cmp "$work/$file.unsigned" "$bin/$file" || fail "$file in the package, without its signature, is not the build's"
done

# Half the settings, or a wrong password: an error, and no package.
expect_refusal() {
  local what=$1 message=$2
  shift 2
  if env "$@" "$root/scripts/make_msi.sh" "$work/signed.zip" "$version" "$arch" "$work/refused.msi" 2>"$work/error"; then
    fail "$what: built all the same"
  elif ! grep -q "$message" "$work/error"; then
    fail "$what: no message with \"$message\": $(cat "$work/error")"
  fi
  [ ! -e "$work/refused.msi" ] || fail "$what: wrote a package"
}
expect_refusal "SIGN_PFX alone" "SIGN_PASSWORD is not" SIGN_PFX="$work/signer.pfx" SIGN_PASSWORD=
expect_refusal "SIGN_PASSWORD alone" "SIGN_PFX is not" SIGN_PFX= SIGN_PASSWORD="$PASSWORD"
expect_refusal "a wrong password" "could not sign the package" SIGN_PFX="$work/signer.pfx" SIGN_PASSWORD="${PASSWORD}x"
[ "$status" -ne 0 ] || echo "one setting alone, or a wrong password: an error, and no package"
exit $status

#!/usr/bin/env bash
# Packs the shipped files of one build into a zip that is the same to the
# byte each time: the files in a fixed order, with fixed times and
# permissions, and no extra fields. CITESTE.txt gets CRLF line ends, for
# Notepad on Windows 7.
#   scripts/make_package.sh BIN_FOLDER VERSION OUT.zip
# With SIGN_PFX (a PKCS#12 file) and SIGN_PASSWORD (its password) set, every
# .exe and .dll is signed with Authenticode (SHA-256) before packing, and
# time-stamped by the RFC 3161 server at SIGN_TIMESTAMP_URL when that is set.
# A signed zip differs on each run, by the signing time; removing the
# signature of each binary gives back the build's own bytes, which this
# script checks before it packs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$1
version=$2
out=$(realpath -m "$3")
binaries=(Tarvolo.exe Tarvolo9x.exe Divazid.dll)
# The password stays in this shell, out of every child's environment;
# osslsigncode alone gets it, through a pipe.
password=${SIGN_PASSWORD:-}
unset SIGN_PASSWORD

source "$root/scripts/signing.sh"
check_signing make_package.sh

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
if [ -n "$sign" ]; then
  for file in "${binaries[@]}"; do
    sign_file make_package.sh "$bin/$file" "$stage/$file" "$file"
    # Anyone can check a signed release against a rebuild only if removing
    # the signature gives back the built bytes: that needs a binary whose
    # length is a multiple of 8, as the signature is aligned to 8 bytes, and
    # a correct PE checksum, which the removal computes again. The Release
    # build's are so: stripped, they end on the 512-byte file alignment, and
    # ld writes the checksum.
    osslsigncode remove-signature -in "$stage/$file" -out "$stage/$file.unsigned" >/dev/null
    if ! cmp -s "$stage/$file.unsigned" "$bin/$file"; then
      echo "make_package.sh: $file without its signature is not the built $file" >&2
      exit 1
    fi
    rm "$stage/$file.unsigned"
  done
else
  for file in "${binaries[@]}"; do cp "$bin/$file" "$stage/"; done
fi
sed -e "s/{VERSION}/$version/g" -e 's/$/\r/' "$root/app/CITESTE.txt" >"$stage/CITESTE.txt"
chmod 644 "$stage"/*
touch -d "2000-01-01 00:00:00 UTC" "$stage"/*
rm -f "$out"
(cd "$stage" && TZ=UTC zip -q -X -D "$out" CITESTE.txt Divazid.dll Tarvolo.exe Tarvolo9x.exe)

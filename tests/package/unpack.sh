#!/usr/bin/env bash
# Packs one build as scripts/package.sh does, unpacks the zip into a folder
# whose name has a space and a letter beyond ASCII, "Programe Ă", and checks
# that every binary in it is of the build's architecture; packs it again
# signed with a throwaway certificate, into "Semnate Ă". input_tests then
# runs the programs from there.
#   unpack.sh BIN_FOLDER x86|x64 FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$1
arch=$2
base=$3

rm -rf "$base"
mkdir -p "$base"
"$root/scripts/make_package.sh" "$bin" test "$base/package.zip"
folder="$base/Programe Ă"
unzip -q "$base/package.zip" -d "$folder"
export PASSWORD=test
"$root/tests/package/test_signer.sh" "$base"
SIGN_PFX=$base/signer.pfx SIGN_PASSWORD=$PASSWORD "$root/scripts/make_package.sh" "$bin" test "$base/signed.zip"
unzip -q "$base/signed.zip" -d "$base/Semnate Ă"
if cmp -s "$folder/Divazid.dll" "$base/Semnate Ă/Divazid.dll"; then
  echo "the signed package's Divazid.dll is not signed" >&2
  exit 1
fi
# The machine field of the PE header, whose offset stands at 0x3C.
case $arch in x64) expected=8664 ;; *) expected=014c ;; esac
for file in Tarvolo.exe Tarvolo9x.exe Divazid.dll; do
  header=$(od -An -tu4 -j 60 -N 4 "$folder/$file" | tr -d ' ')
  machine=$(od -An -tx2 -j $((header + 4)) -N 2 "$folder/$file" | tr -d ' ')
  if [ "$machine" != "$expected" ]; then
    echo "$file in the $arch zip is built for machine 0x$machine" >&2
    exit 1
  fi
done
echo "unpacked into $folder and, signed, $base/Semnate Ă: $(ls "$folder" | tr '\n' ' ')"

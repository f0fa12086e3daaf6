#!/usr/bin/env bash
# Packs the shipped files of one build into a zip that is the same to the
# byte each time: the files in a fixed order, with fixed times and
# permissions, and no extra fields. CITESTE.txt gets CRLF line ends, for
# Notepad on Windows 7.
#   scripts/make_package.sh BIN_FOLDER VERSION OUT.zip
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$1
version=$2
out=$(realpath -m "$3")

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$bin/Tarvolo.exe" "$bin/Tarvolo9x.exe" "$bin/Divazid.dll" "$stage/"
sed -e "s/{VERSION}/$version/g" -e 's/$/\r/' "$root/app/CITESTE.txt" >"$stage/CITESTE.txt"
chmod 644 "$stage"/*
touch -d "2000-01-01 00:00:00 UTC" "$stage"/*
rm -f "$out"
(cd "$stage" && TZ=UTC zip -q -X -D "$out" CITESTE.txt Divazid.dll Tarvolo.exe Tarvolo9x.exe)

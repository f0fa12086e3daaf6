#!/usr/bin/env bash
# Builds the shipped binaries a second time, in a folder of their own, with
# widl starting 2 s late as on a loaded machine, and compares them byte for
# byte with those of the build under test.
#   rebuild_and_compare.sh SOURCE_FOLDER TOOLCHAIN_FILE WIDL BIN_FOLDER
set -euo pipefail
source=$1
toolchain=$2
widl=$3
bin=$4
again=$(mktemp -d /tmp/tarvolo-again.XXXXXX)
trap 'rm -rf "$again"' EXIT

printf '#!/bin/sh\nsleep 2\nexec %q "$@"\n' "$widl" >"$again/late-widl"
chmod +x "$again/late-widl"
cmake -S "$source" -B "$again/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DWIDL="$again/late-widl" >/dev/null
cmake --build "$again/build" --target Tarvolo Tarvolo9x Divazid >/dev/null
status=0
for file in Tarvolo.exe Tarvolo9x.exe Divazid.dll; do
  if cmp "$bin/$file" "$again/build/bin/$file"; then
    echo "$file: the same when built again with widl 2 s late"
  else
    status=1
  fi
done
exit $status

#!/usr/bin/env bash
# Builds the shipped binaries a second time, in a folder of their own, with
# widl starting 2 s late as on a loaded machine, and compares them byte for
# byte with those of the build under test. Then the Windows Installer package
# of each, packed as scripts/package.sh packs it, the first before the
# rebuild and the second after it, a minute or more later on the clock, in
# another time zone and another folder: the same bytes, so its package code
# comes from its content and its times from the source.
#   rebuild_and_compare.sh SOURCE_FOLDER TOOLCHAIN_FILE WIDL BIN_FOLDER x86|x64
set -euo pipefail
source=$1
toolchain=$2
widl=$3
bin=$4
arch=$5
again=$(mktemp -d /tmp/tarvolo-again.XXXXXX)
trap 'rm -rf "$again"' EXIT
version=$(sed -nE 's/^project\(Tarvolo VERSION ([0-9.]+).*/\1/p' "$source/CMakeLists.txt")
package() {
  mkdir -p "$2"
  "$source/scripts/make_package.sh" "$1" "$version" "$2/Tarvolo-$version-$arch.zip"
  "$source/scripts/make_msi.sh" "$2/Tarvolo-$version-$arch.zip" "$version" "$arch" "$2/Tarvolo-$version-$arch.msi"
}
package "$bin" "$again/first"

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
TZ=UTC-14 package "$again/build/bin" "$again/second package"
if cmp "$again/first/Tarvolo-$version-$arch.msi" "$again/second package/Tarvolo-$version-$arch.msi"; then
  echo "Tarvolo-$version-$arch.msi: the same when packed again from the rebuild, $SECONDS s later, in UTC+14"
else
  echo "the two packages differ in $(cmp -l "$again/first/Tarvolo-$version-$arch.msi" \
    "$again/second package/Tarvolo-$version-$arch.msi" | wc -l) bytes; their summary information:" >&2
  for side in first "second package"; do
    msiinfo suminfo "$again/$side/Tarvolo-$version-$arch.msi" | grep -E '^(Revision|Created|Last saved)' >&2
  done
  status=1
fi
exit $status

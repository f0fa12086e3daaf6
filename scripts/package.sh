#!/usr/bin/env bash
# Builds both architectures (Release) and writes the release packages:
# dist/Tarvolo-VERSION-x86.zip and dist/Tarvolo-VERSION-x64.zip, each with
# both programs, the CD control and CITESTE.txt; beside each, the Windows
# Installer package of the same files, dist/Tarvolo-VERSION-x86.msi and
# dist/Tarvolo-VERSION-x64.msi (make_msi.sh); and dist/SHA256SUMS. Two runs
# from clean build folders give the same bytes. BUILD_DIR and DIST_DIR choose
# the folders (default: build and dist). SIGN_PFX and SIGN_PASSWORD sign the
# binaries (see make_package.sh) and the .msi files (make_msi.sh); a signed
# package differs on each run, by the signing time.
set -euo pipefail
# The password goes to the signing step alone: not to bootstrap's package
# installer and its maintainer scripts, nor to cmake and the compilers.
password=${SIGN_PASSWORD:-}
unset SIGN_PASSWORD
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${BUILD_DIR:-$root/build}")
dist=$(realpath -m "${DIST_DIR:-$root/dist}")
# The project's one version number, which the version resource carries too.
version=$(sed -nE 's/^project\(Tarvolo VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")

"$root/scripts/bootstrap.sh"
mkdir -p "$dist"
rm -f "$dist"/Tarvolo-*.zip "$dist"/Tarvolo-*.msi "$dist/SHA256SUMS"
for arch in x86 x64; do
  cmake --preset "$arch" -S "$root" -B "$build/$arch" >/dev/null
  cmake --build "$build/$arch" --target Tarvolo Tarvolo9x Divazid >/dev/null
  SIGN_PASSWORD=$password "$root/scripts/make_package.sh" "$build/$arch/bin" "$version" "$dist/Tarvolo-$version-$arch.zip"
  # The .msi holds the zip's files, signed when those are.
  SIGN_PASSWORD=$password "$root/scripts/make_msi.sh" "$dist/Tarvolo-$version-$arch.zip" "$version" "$arch" \
    "$dist/Tarvolo-$version-$arch.msi"
done
(cd "$dist" && sha256sum "Tarvolo-$version-x86.zip" "Tarvolo-$version-x64.zip" \
  "Tarvolo-$version-x86.msi" "Tarvolo-$version-x64.msi" >SHA256SUMS)
cat "$dist/SHA256SUMS"

#!/usr/bin/env bash
# Builds the Windows Installer package of one architecture from that
# architecture's release zip (scripts/make_package.sh): its four files, byte
# for byte, installed per machine into Program Files\Tarvolo, with Start-menu
# shortcuts and an entry in "Apps & features". The WiX source is
# app/tarvolo.wxs. Two runs on the same zip give the same bytes.
#   scripts/make_msi.sh ZIP VERSION x86|x64 OUT.msi
# VERSION is the package's version: the project's, or a lower one for a test
# of upgrades, from the same source. With SIGN_PFX (a PKCS#12 file) and
# SIGN_PASSWORD (its password) set, the package itself is signed with
# Authenticode (SHA-256), and time-stamped by the RFC 3161 server at
# SIGN_TIMESTAMP_URL when that is set; the programs inside are signed when
# the zip's are, which make_package.sh does with the same settings.
#
# The tool is wixl, Debian's package wixl from msitools: it builds Windows
# Installer packages on Linux, where the rest of the project is built, from
# WiX source, which Windows developers read and WiX itself builds. Two things
# it does not do for reproducible bytes, this script does:
# - the package code (the summary information's revision number) must differ
#   whenever the content differs, and wixl draws it at random, a fixed
#   Package Id ignored. msibuild (msitools) sets it afterwards, derived from
#   the SHA-256 of the package built with a code of zeros: of every table,
#   stream and summary property but the code itself.
# - wixl writes the summary's creation and last-saved times from the clock,
#   SOURCE_DATE_EPOCH ignored, and msibuild leaves them as they are: wixl
#   runs under faketime at the zips' fixed time, 2000-01-01 00:00:00 UTC, in
#   UTC, which is also the time of every file in the embedded cabinet, and so
#   of the installed files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
zip=$(realpath "$1")
version=$2
arch=$3
out=$(realpath -m "$4")
# The password stays in this shell, out of every child's environment;
# osslsigncode alone gets it, through a pipe.
password=${SIGN_PASSWORD:-}
unset SIGN_PASSWORD
fixed_time="2000-01-01 00:00:00"

case $arch in
  x86 | x64) ;;
  *) echo "make_msi.sh: the architecture is x86 or x64, not $arch" >&2; exit 2 ;;
esac
# Windows Installer compares major.minor.build, each at most 255.255.65535.
if ! [[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || ((BASH_REMATCH[1] > 255 || BASH_REMATCH[2] > 255 ||
      BASH_REMATCH[3] > 65535)); then
  echo "make_msi.sh: $version is no Windows Installer product version (major.minor.build)" >&2
  exit 2
fi
source "$root/scripts/signing.sh"
check_signing make_msi.sh

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/files"
unzip -q "$zip" -d "$stage/files"
for file in Tarvolo.exe Tarvolo9x.exe Divazid.dll CITESTE.txt; do
  [ -f "$stage/files/$file" ] || { echo "make_msi.sh: $zip has no $file" >&2; exit 1; }
done
# The zip of another version would put that version's CITESTE.txt in.
if [ "$(head -n 1 "$stage/files/CITESTE.txt" | tr -d '\r')" != "Tarvolo $version" ]; then
  echo "make_msi.sh: $zip is not the zip of version $version" >&2
  exit 1
fi
cp "$root/app/tarvolo.ico" "$stage/"
chmod 644 "$stage"/files/* "$stage/tarvolo.ico"
touch -d "$fixed_time UTC" "$stage"/files/* "$stage/tarvolo.ico"

# The product code: one for each version and architecture (a version is a
# major upgrade of the one before), the same for every build of it. A
# name-based UUID (RFC 4122, version 5) in the upgrade code's name space.
upgrade_code=$(sed -nE 's/^ *<\?define UpgradeCode = "([0-9A-F-]+)" \?>$/\1/p' "$root/app/tarvolo.wxs")
product_code=$(/usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
  "$upgrade_code" "Tarvolo $version $arch")

# wixl finds the files relative to the folder it runs in.
(cd "$stage" && TZ=UTC faketime "$fixed_time" wixl --arch "$arch" -D "Arch=$arch" -D "Version=$version" \
  -D "ProductCode=$product_code" -o "$stage/package.msi" "$root/app/tarvolo.wxs")

# msibuild -s sets the subject, author and template with the code: given
# back as wixl wrote them.
summary() { msiinfo suminfo "$stage/package.msi" | sed -n "s/^$1: //p"; }
subject=$(summary Subject)
author=$(summary Author)
template=$(summary Template)
msibuild "$stage/package.msi" -s "$subject" "$author" "$template" "{00000000-0000-0000-0000-000000000000}"
digest=$(sha256sum "$stage/package.msi" | cut -d ' ' -f 1)
package_code=$(/usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
  "$upgrade_code" "package $digest")
msibuild "$stage/package.msi" -s "$subject" "$author" "$template" "{$package_code}"
if [ "$(summary 'Revision number (UUID)')" != "{$package_code}" ]; then
  echo "make_msi.sh: msibuild did not set the package code" >&2
  exit 1
fi

rm -f "$out"
if [ -n "$sign" ]; then
  sign_file make_msi.sh "$stage/package.msi" "$stage/signed.msi" "the package"
  mv "$stage/signed.msi" "$out"
else
  mv "$stage/package.msi" "$out"
fi

#!/usr/bin/env bash
# Writes a C++ header holding the digest of a DLL as built, as control_digest
# prints it (the program's own rule and SHA-256), as a Sha256Digest.
#   digest_header.sh CONTROL_DIGEST DLL NAME HEADER
set -euo pipefail
tool=$1
dll=$2
name=$3
header=$4

digest=$("$tool" "$dll")
[[ $digest =~ ^[0-9a-f]{64}$ ]] || { echo "digest_header.sh: no digest of $dll" >&2; exit 1; }
bytes=$(sed -E 's/(..)/0x\1, /g; s/, $//' <<<"$digest")
{
  echo "// Made by the build from $(basename "$dll"): the digest of the file built"
  echo "// with this program, which the program checks before it loads the file."
  echo "#pragma once"
  echo
  echo "#include \"sha256.h\""
  echo
  echo "inline constexpr Sha256Digest $name = {$bytes};"
} >"$header.new"
mv "$header.new" "$header"

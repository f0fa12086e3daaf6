#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix  # both architectures
  mingw-w64-tools faketime                      # windres, widl at a fixed time
  googletest                                    # sources, built for the target
  wine wine64 wine32:i386 fonts-wine            # runs 64- and 32-bit programs
  xvfb xauth x11-utils imagemagick              # virtual display, screenshots
  clang libclang-rt-14-dev                      # the parser's fuzz harness
  gcc gcc-multilib libc6-dev                    # the tests' emulated CD-ROM drive
  fuse3 libfuse2 python3-fusepy                 # the tests' slow drive
  zip unzip                                     # release packages
  wixl msitools                                 # .msi files from WiX source, on Linux; reading them back
  osslsigncode openssl                          # signing them (osslsigncode 2.5 or later)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  # 32-bit Wine comes from the i386 architecture.
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

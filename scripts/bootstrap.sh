#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix mingw-w64-tools   # compiler, windres, widl
  googletest                                    # sources, built for the target
  wine wine64 fonts-wine                        # runs the programs and tests
  xvfb xauth x11-utils imagemagick              # virtual display, screenshots
  clang libclang-rt-14-dev                      # the parser's fuzz harness
  gcc libc6-dev                                 # the tests' emulated CD-ROM drive
  fuse3 libfuse2 python3-fusepy                 # the tests' slow drive
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Unmounts the drives that scripts/make_test_prefix.sh mounted in the Wine
# prefix $WINEPREFIX: those of exact sizes and the slow drive, whose file
# system then ends. Safe to run when nothing is mounted.
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

# The prefix's processes may hold files on those drives.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w

# From the system's list of mounts: a file system whose process has died
# is no mount point to look at any more, but still mounted.
awk -v drives="$WINEPREFIX/test-drives/" 'index($2, drives) == 1 { print $2 }' /proc/mounts |
  while read -r dir; do
    umount "$dir" 2>/dev/null || umount -l "$dir"
  done

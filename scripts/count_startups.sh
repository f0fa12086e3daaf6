#!/usr/bin/env bash
# Starts Tarvolo and Tarvolo9x of both architectures RUNS times (default 200)
# beside each kind of file that is not their CD control, in the test prefix
# on a private virtual display, and prints as tables how the starts ended
# (bench/startup_count.cpp): the boxes and the crashes. Not a test: it fails
# nothing. BUILD_DIR sets the build folder (default: build).
#   count_startups.sh [FOLDER]
# Without FOLDER the kinds are made from each build: an empty file, a text
# file, its control cut short and the other architecture's control. With
# FOLDER each file in it is a kind, or, where FOLDER holds x64 and x86
# folders, each file in the build's own. What the crashed programs and Wine's
# debugger said goes to BUILD_DIR/startup-counts-ARCH.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=$(realpath -m "${BUILD_DIR:-$root/build}")
runs=${RUNS:-200}
given=${1:+$(realpath "$1")}
architectures=(x64 x86)

"$root/scripts/bootstrap.sh"
source "$root/scripts/wine_env.sh"
check_wine32
case $WINE32_STATE in
  unsupported) architectures=(x64) ;;
  broken)
    echo "The x86 build cannot be started: $WINE32_PROBLEM." >&2
    exit 1
    ;;
esac
for arch in "${architectures[@]}"; do
  cmake --preset "$arch" -S "$root" -B "$builds/$arch" >/dev/null
  cmake --build "$builds/$arch" --target Tarvolo Tarvolo9x Divazid startup_count >/dev/null
done

kinds=$(mktemp -d)
trap 'rm -rf "$kinds"' EXIT
# The kinds of one build, made from its control and the other build's.
make_kinds() {
  local arch=$1 other=x86 control="$builds/$1/bin/Divazid.dll"
  [ "$arch" = x86 ] && other=x64
  mkdir -p "$kinds/$arch"
  : >"$kinds/$arch/empty"
  printf 'Divazid.dll\r\n' >"$kinds/$arch/text"
  head -c $(($(stat -c %s "$control") / 2)) "$control" >"$kinds/$arch/truncated"
  if [ -f "$builds/$other/bin/Divazid.dll" ]; then
    cp "$builds/$other/bin/Divazid.dll" "$kinds/$arch/other-architecture"
  else
    echo "No $other build beside the $arch one: its control is not among the kinds." >&2
  fi
}
# The folder of kinds for one build.
kinds_of() {
  if [ -z "$given" ]; then
    make_kinds "$1"
    echo "$kinds/$1"
  elif [ -d "$given/$1" ]; then
    echo "$given/$1"
  else
    echo "$given"
  fi
}

export WINEPREFIX="$builds/test-prefix"
start_test_prefix 2>/dev/null
trap 'stop_test_prefix; rm -rf "$kinds"' EXIT

echo "$runs starts per program and kind, on $(nproc) cores; load averages at the start: $(cut -d' ' -f1-3 /proc/loadavg)."
if [ "$WINE32_STATE" = unsupported ]; then
  echo
  echo "No table of the x86 build: $WINE32_PROBLEM."
fi
for arch in "${architectures[@]}"; do
  wine=$WINE64
  [ "$arch" = x64 ] || wine=$WINE32
  folder=$(kinds_of "$arch")
  log="$builds/startup-counts-$arch.log"
  echo
  echo "## The $arch build"
  echo
  started=$SECONDS
  table="$kinds/table-$arch.md"
  "$wine" "$builds/$arch/bin/startup_count.exe" "$runs" "Z:${folder//\//\\}" "Z:${table//\//\\}" >"$log" 2>&1
  cat "$table"
  echo
  echo "$((SECONDS - started)) s; load averages at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
  [ ! -s "$log" ] || echo "What the programs and Wine said: $log"
done

#!/usr/bin/env bash
# Fuzzes the parsers of untrusted bytes natively with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, for a bounded time each:
#   scripts/fuzz.sh [SECONDS [TARGET...]]
# SECONDS: how long each target runs (default 60). TARGET (default: all):
#   toc    the CD table-of-contents parser (tests/divazid/fuzz)
#   image  the PE reading of the CD control's check: its parts and its rule
#          (tests/win/fuzz)
# Each starts from its committed seeds (the folder corpus beside its harness)
# and grows a working corpus in the build folder, never in the source tree.
# FUZZ_DIR chooses that folder (default: build-fuzz). Any crash or broken
# property stops the run with a non-zero status and leaves its input there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
(($# == 0)) || shift
targets=("$@")
((${#targets[@]})) || targets=(toc image)
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: fuzz.sh [SECONDS [toc|image...]]" >&2; exit 2; }
work=$(realpath -m "${FUZZ_DIR:-$root/build-fuzz}")
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
mkdir -p "$work"

for target in "${targets[@]}"; do
  case $target in
    toc)
      seeds=$root/tests/divazid/fuzz/corpus
      max_len=1024
      clang++ "${flags[@]}" -I "$root/divazid" \
        "$root/tests/divazid/fuzz/toc_fuzz.cpp" "$root/divazid/toc.cpp" -o "$work/toc_fuzz.new" ;;
    image)
      seeds=$root/tests/win/fuzz/corpus
      max_len=8192
      clang++ "${flags[@]}" -I "$root/win" -I "$root/tests/equipment/crafted_control" \
        "$root/tests/win/fuzz/image_fuzz_main.cpp" "$root/tests/win/fuzz/image_fuzz.cpp" \
        "$root/tests/equipment/crafted_control/crafted_control.cpp" "$root/win/signed_image.cpp" \
        "$root/win/sha256.cpp" -o "$work/image_fuzz.new" ;;
    *)
      echo "fuzz.sh: no target $target (toc, image)" >&2
      exit 2 ;;
  esac
  mv "$work/${target}_fuzz.new" "$work/${target}_fuzz"
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  echo "Fuzzing $target for $seconds s:"
  # New inputs go to the first folder; the seeds are only read.
  "$work/${target}_fuzz" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
    -artifact_prefix="$work/$target/artifacts/" "$work/$target/corpus" "$seeds"
done

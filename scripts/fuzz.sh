#!/usr/bin/env bash
# Fuzzes the CD table-of-contents parser natively with libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer for a bounded time: scripts/fuzz.sh [seconds]
# (default 60). Starts from the committed seed tables in tests/divazid/fuzz/corpus and
# grows a working corpus in the build folder, never in the source tree.
# FUZZ_DIR chooses that folder (default: build-fuzz). Any crash or broken
# invariant stops the run with a non-zero status and leaves its input there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
work=$(realpath -m "${FUZZ_DIR:-$root/build-fuzz}")

mkdir -p "$work/corpus" "$work/artifacts"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I "$root/divazid" \
  "$root/tests/divazid/fuzz/toc_fuzz.cpp" "$root/divazid/toc.cpp" -o "$work/toc_fuzz"

# New inputs go to the first folder; the seeds are only read.
"$work/toc_fuzz" -max_total_time="$seconds" -max_len=1024 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" "$root/tests/divazid/fuzz/corpus"

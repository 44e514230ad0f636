#!/usr/bin/env bash
# Builds the file-reader fuzzers with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time:
#   scripts/fuzz.sh [SECONDS_PER_TARGET]
# Inputs that crash are left in out/fuzz/ and make the script fail.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$PXB_ROOT/build-fuzz"
out="$PXB_ROOT/out/fuzz"

CC=clang CXX=clang++ cmake -S "$PXB_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPXB_FUZZ=ON -DPXB_SANITIZE=ON -DPXB_TESTS=OFF -DPXB_TOOLS=OFF -DPXB_BENCH=OFF >/dev/null
cmake --build "$build" --target filter_reader_fuzz session_reader_fuzz make_fuzz_corpus

rm -f "$out"/*-crash-* "$out"/*-leak-* "$out"/*-oom-* "$out"/*-timeout-*
mkdir -p "$out/seeds"
"$build/fuzz/make_fuzz_corpus" "$out/seeds"
status=0
for target in filter_reader_fuzz session_reader_fuzz; do
  corpus="$out/$target"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s" >&2
  "$build/fuzz/$target" "$corpus" "$out/seeds" -max_total_time="$seconds" -max_len=65536 \
    -artifact_prefix="$out/$target-" -print_final_stats=1 2>"$out/$target.log" || status=1
  tail -n 12 "$out/$target.log" >&2
done
exit $status

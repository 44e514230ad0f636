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
  -DPXB_FUZZ=ON -DPXB_SANITIZE=ON -DPXB_TESTS=OFF -DPXB_TOOLS=ON -DPXB_BENCH=OFF >/dev/null
cmake --build "$build" --target filter_reader_fuzz session_reader_fuzz image_reader_fuzz \
  make_fuzz_corpus

rm -f "$out"/*-crash-* "$out"/*-leak-* "$out"/*-oom-* "$out"/*-timeout-*
mkdir -p "$out/seeds" "$out/image-seeds"
# Seeds are real files: sessions and filters written by the library, and the
# shipped sample images (the first byte picks the reader: 0 PNG, 1 JPEG).
"$build/fuzz/make_fuzz_corpus" "$out/seeds"
{ printf '\0'; cat "$PXB_ROOT/samples/sample.png"; } >"$out/image-seeds/sample.png.seed"
{ printf '\1'; cat "$PXB_ROOT/samples/sample.jpg"; } >"$out/image-seeds/sample.jpg.seed"
status=0
# A real session is about 71 KB: the largest input is well above that, and
# above the sample images.
for target in filter_reader_fuzz session_reader_fuzz image_reader_fuzz; do
  corpus="$out/$target"
  seeds="$out/seeds"
  [ "$target" = image_reader_fuzz ] && seeds="$out/image-seeds"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s" >&2
  "$build/fuzz/$target" "$corpus" "$seeds" -max_total_time="$seconds" -max_len=1048576 \
    -artifact_prefix="$out/$target-" -print_final_stats=1 2>"$out/$target.log" || status=1
  tail -n 12 "$out/$target.log" >&2
done
exit $status

#!/usr/bin/env bash
# Installs what is missing, builds Pixbreed and runs every test: the unit and
# end-to-end tests, then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PXB_ROOT/scripts/deps.sh"

pxb_install_packages
jobs=$(nproc)

echo "== Format" >&2
git -C "$PXB_ROOT" ls-files '*.cpp' '*.h' | (cd "$PXB_ROOT" && xargs clang-format --dry-run -Werror)

echo "== Build and test" >&2
pxb_build "$PXB_ROOT/build" -DPXB_WERROR=ON
ctest --test-dir "$PXB_ROOT/build" --output-on-failure -j "$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer" >&2
pxb_build "$PXB_ROOT/build-asan" -DPXB_SANITIZE=ON -DPXB_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$PXB_ROOT/build-asan" --output-on-failure -j "$jobs"

echo "== clang-tidy on the core" >&2
"$PXB_ROOT/scripts/tidy.sh"

echo "== Fuzzing the file readers" >&2
"$PXB_ROOT/scripts/fuzz.sh" 45

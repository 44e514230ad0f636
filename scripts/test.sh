#!/usr/bin/env bash
# Installs what is missing, builds Pixbreed and runs every test: the unit and
# end-to-end tests, then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PXB_ROOT/scripts/deps.sh"

# Everything every stage below needs, in one install (the Windows stage's
# cross compilers, Wine and the PE reader too, the 32-bit stage's multilib
# compiler and GoogleTest sources, and GIMP with libgimp for the GIMP
# plug-in, whose tests run with the others in the first build).
pxb_install_packages g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 xvfb xauth \
  fonts-wine python3 python3-pefile libstb-dev g++-multilib googletest gimp libgimp2.0-dev
jobs=$(nproc)
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Runs ctest in a build folder and keeps its summary for the closing line.
run_ctest() {
  ctest --test-dir "$1" --output-on-failure -j "$jobs" | tee -a "$log"
}

echo "== Format" >&2
git -C "$PXB_ROOT" ls-files '*.cpp' '*.h' | (cd "$PXB_ROOT" && xargs clang-format --dry-run -Werror)

echo "== Build and test" >&2
pxb_build "$PXB_ROOT/build" -DPXB_WERROR=ON
run_ctest "$PXB_ROOT/build"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer" >&2
pxb_build "$PXB_ROOT/build-asan" -DPXB_SANITIZE=ON -DPXB_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest "$PXB_ROOT/build-asan"

echo "== clang-tidy on every product folder" >&2
"$PXB_ROOT/scripts/tidy.sh"

echo "== Fuzzing the file readers" >&2
"$PXB_ROOT/scripts/fuzz.sh" 45

echo "== ThreadSanitizer on the dialogs and preview workers" >&2
"$PXB_ROOT/scripts/tsan.sh" 3

echo "== The Windows plug-in: both DLLs built and checked, the 64-bit one run under Wine" >&2
"$PXB_ROOT/scripts/windows.sh" "$PXB_ROOT/build"

echo "== The 32-bit x86 build: its test suite, and its pixbreed against the 64-bit one" >&2
PXB_JOBS=$jobs "$PXB_ROOT/scripts/linux32.sh" "$PXB_ROOT/build" | tee -a "$log"

# Every ctest run above passed (set -e stops at the first failure).
passed=$(grep -oE 'tests passed, 0 tests failed out of [0-9]+' "$log" | awk '{s += $NF} END {print s + 0}')
echo "summary: $passed passed, 0 failed"

#!/usr/bin/env bash
# Builds Pixbreed for 32-bit x86 Linux (g++-multilib, cmake/linux-i686.cmake)
# in build-i686, runs its whole test suite, then checks that its pixbreed
# does the same work byte for byte as the 64-bit one.
#
#   scripts/linux32.sh [NATIVE_BUILD_DIR]
#
# NATIVE_BUILD_DIR is a 64-bit build with pixbreed and pxcompare (default:
# build-native64, configured and built here when missing). PXB_JOBS sets the
# parallel jobs of the build and of ctest (default: every core).
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=deps.sh
source "$PXB_ROOT/scripts/deps.sh"
pxb_install_packages g++-multilib googletest libstb-dev
jobs=${PXB_JOBS:-$(nproc)}

NATIVE=${1:-$PXB_ROOT/build-native64}
if [ ! -f "$NATIVE/CMakeCache.txt" ]; then
  cmake -S "$PXB_ROOT" -B "$NATIVE" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPXB_TESTS=OFF \
    -DPXB_BENCH=OFF >/dev/null
fi
cmake --build "$NATIVE" -j "$jobs" --target pixbreed pxcompare

B32=$PXB_ROOT/build-i686
echo "== 32-bit build" >&2
cmake -S "$PXB_ROOT" -B "$B32" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPXB_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PXB_ROOT/cmake/linux-i686.cmake" >/dev/null
cmake --build "$B32" -j "$jobs"
# The ELF class byte: 01 for a 32-bit program.
[ "$(od -An -tx1 -j4 -N1 "$B32/tools/pixbreed" | tr -d ' ')" = 01 ] || {
  echo "linux32.sh: $B32/tools/pixbreed is not a 32-bit program" >&2
  exit 1
}

echo "== 32-bit test suite" >&2
ctest --test-dir "$B32" --output-on-failure -j "$jobs"

echo "== 64-bit against 32-bit pixbreed" >&2
"$PXB_ROOT/scripts/compare_builds.sh" "$NATIVE/tools/pixbreed" "$B32/tools/pixbreed" \
  "$NATIVE/tools/pxcompare"

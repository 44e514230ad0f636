#!/usr/bin/env bash
# Builds the dialog tests with ThreadSanitizer and runs them, the
# start/stop/restart stress test several times over; any report of a data
# race fails the run.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
build="$PXB_ROOT/build-tsan"
repeat=${1:-3}

cmake -S "$PXB_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPXB_TSAN=ON \
  -DPXB_BENCH=OFF >/dev/null
cmake --build "$build" --target ui_test

export TSAN_OPTIONS="halt_on_error=1 abort_on_error=1 second_deadlock_stack=1 report_signal_unsafe=0"
"$build/tests/ui/ui_test" --gtest_brief=1
"$build/tests/ui/ui_test" --gtest_brief=1 --gtest_filter='StressTest.*' --gtest_repeat="$repeat"
echo "ThreadSanitizer: the dialog tests ran clean" >&2

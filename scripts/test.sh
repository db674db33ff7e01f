#!/usr/bin/env bash
# Builds Vexilo and runs the whole test suite: a normal build, then the same
# tests under AddressSanitizer + UndefinedBehaviorSanitizer, about three minutes of
# fuzzing of every reader of outside data, then the tests of threaded code (label
# "threads") under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake --preset default -DVEXILO_WERROR=ON
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake --preset asan -DVEXILO_WERROR=ON
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

# Bounded fuzzing runs: the picture loader for 45 s, every other fuzz target for 20 s.
bash scripts/fuzz.sh load_picture 45
for target in thumb_cache png_decoder profile camera_set_file intel_hex firmware_records measure_input; do
  bash scripts/fuzz.sh "$target" 20
done

export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:halt_on_error=1"
cmake --preset tsan -DVEXILO_WERROR=ON
cmake --build --preset tsan -j "$jobs" --target threaded_tests
ctest --preset tsan -j "$jobs" -L threads

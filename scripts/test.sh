#!/usr/bin/env bash
# Builds Vexilo and runs the whole test suite: a normal build, then the same
# tests under AddressSanitizer + UndefinedBehaviorSanitizer, a minute of fuzzing
# of the picture loader and half a minute of the thumbnail cache reader, then the
# tests of threaded code (label "threads") under ThreadSanitizer.
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

# Bounded fuzzing runs of the picture loader and of the thumbnail cache reader.
bash scripts/fuzz.sh 60
bash scripts/fuzz.sh thumb_cache 30

export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:halt_on_error=1"
cmake --preset tsan -DVEXILO_WERROR=ON
cmake --build --preset tsan -j "$jobs" --target threaded_tests
ctest --preset tsan -j "$jobs" -L threads

#!/usr/bin/env bash
# Builds the fuzz target of the picture loader with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs it for a bounded time, starting
# from the corpus in tests/files/corpus. Usage: bash scripts/fuzz.sh [seconds] (default 60).
# A crash stops the run with a non-zero status and leaves the input in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVEXILO_SANITIZE=address,undefined,fuzzer-no-link -DVEXILO_FUZZ=ON \
  -DVEXILO_BUILD_BENCH=OFF -DVEXILO_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" --target fuzz_load_picture

# New inputs go to a working folder, so the corpus in the tree stays as it is.
mkdir -p "$build/fuzz-corpus"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/tests/fuzz_load_picture" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 -artifact_prefix="$build/" "$build/fuzz-corpus" tests/files/corpus

#!/usr/bin/env bash
# Builds a fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ (or the folder named by VEXILO_FUZZ_BUILD) and runs it for a bounded
# time, starting from its seed corpus in the tree.
# Usage: bash scripts/fuzz.sh [TARGET] [SECONDS]
#   TARGET  load_picture (the picture loader, seeds tests/files/corpus; the default) or
#           thumb_cache (the thumbnail cache reader, seeds tests/files/thumb-corpus)
#   SECONDS how long to run (default 60); "bash scripts/fuzz.sh 60" runs the picture loader.
# A crash stops the run with a non-zero status and leaves the input in the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

target=load_picture
if [[ $# -gt 0 && ! $1 =~ ^[0-9]+$ ]]; then
  target=$1
  shift
fi
seconds=${1:-60}
case "$target" in
  load_picture) seeds=tests/files/corpus ;;
  thumb_cache) seeds=tests/files/thumb-corpus ;;
  *) echo "fuzz.sh: unknown target $target (load_picture or thumb_cache)" >&2; exit 1 ;;
esac
build=${VEXILO_FUZZ_BUILD:-build-fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVEXILO_SANITIZE=address,undefined,fuzzer-no-link -DVEXILO_FUZZ=ON \
  -DVEXILO_BUILD_BENCH=OFF -DVEXILO_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" --target "fuzz_$target"

# New inputs go to a working folder per target, so the corpus in the tree stays as it is.
mkdir -p "$build/fuzz-corpus-$target"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/tests/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 -artifact_prefix="$build/" "$build/fuzz-corpus-$target" "$seeds"

#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ (or the folder named by VEXILO_FUZZ_BUILD) and runs them for a bounded
# time, each starting from its seed corpus in the tree.
# Usage: bash scripts/fuzz.sh [TARGET|all] [SECONDS]
#   TARGET  load_picture     the picture loader (the default; seeds tests/files/corpus, and
#                            tests/files/bmp-variants when that folder exists)
#           thumb_cache      the thumbnail cache reader (seeds tests/files/thumb-corpus)
#           png_decoder      the PNG decoder of the interface pictures
#           profile          the profile (.ini) reader and writer
#           camera_set_file  the camera-setting files of the Load button, its field reader
#           intel_hex        the Intel HEX firmware reader
#           firmware_records the firmware record-list reader
#           measure_input    the measurement lines of vexilo-cli measure
#           (the last six seeded from tests/fuzz/corpus-TARGET)
#   all     every target, SECONDS each, all built first
#   SECONDS how long to run (default 60); "bash scripts/fuzz.sh 60" runs the picture loader.
# A crash ends that target's run with the input left in the build folder; the script then
# ends with a non-zero status (with "all", once every target has run).
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(load_picture thumb_cache png_decoder profile camera_set_file intel_hex firmware_records measure_input)

target=load_picture
if [[ $# -gt 0 && ! $1 =~ ^[0-9]+$ ]]; then
  target=$1
  shift
fi
seconds=${1:-60}
if [[ $target == all ]]; then
  run=("${targets[@]}")
elif [[ " ${targets[*]} " == *" $target "* ]]; then
  run=("$target")
else
  echo "fuzz.sh: unknown target $target (all, or one of: ${targets[*]})" >&2
  exit 1
fi
build=${VEXILO_FUZZ_BUILD:-build-fuzz}

# The seed folders of a target.
seeds_of() {
  case "$1" in
    load_picture)
      echo tests/files/corpus
      if [[ -d tests/files/bmp-variants ]]; then echo tests/files/bmp-variants; fi ;;
    thumb_cache) echo tests/files/thumb-corpus ;;
    *) echo "tests/fuzz/corpus-$1" ;;
  esac
}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVEXILO_SANITIZE=address,undefined,fuzzer-no-link -DVEXILO_FUZZ=ON \
  -DVEXILO_BUILD_BENCH=OFF -DVEXILO_BUILD_TOOLS=OFF >/dev/null
build_targets=()
for t in "${run[@]}"; do build_targets+=(--target "fuzz_$t"); done
cmake --build "$build" "${build_targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in "${run[@]}"; do
  # New inputs go to a working folder per target, so the corpus in the tree stays as it is.
  mkdir -p "$build/fuzz-corpus-$t"
  mapfile -t seeds < <(seeds_of "$t")
  echo "fuzz.sh: $t for ${seconds} s" >&2
  if ! "$build/tests/fuzz_$t" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="$build/fuzz_$t-" "$build/fuzz-corpus-$t" "${seeds[@]}"; then
    failed+=("$t")
  fi
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz.sh: failed: ${failed[*]} (inputs in $build/)" >&2
  exit 1
fi

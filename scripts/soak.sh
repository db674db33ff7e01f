#!/usr/bin/env bash
# Soak run, not part of the test script: builds the program in Release (build/) and
# keeps the live view running with the whole processing chain and thirteen
# measurements on screen for MINUTES (default 10), printing the resident memory at the
# end of every minute. Fails when the memory grows after the first minute by more
# than VEXILO_SOAK_GROWTH_KB (default 2048 kB).
# Usage: bash scripts/soak.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target soak_live
build/bench/soak_live "${1:-10}"

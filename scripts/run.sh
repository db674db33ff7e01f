#!/usr/bin/env bash
# Builds Vexilo and starts it with the simulated camera. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vexilo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start Vexilo from a desktop session (or set QT_QPA_PLATFORM=offscreen)." >&2
  exit 1
fi
exec ./build/bin/vexilo --camera sim "$@"

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
# A first run shows the simulated colour camera in colour: a demo settings file with
# colour reconstruction on (the arrangement of the simulated sensor) is put beside the
# program when there is no settings file yet. The program's own defaults stay as they are.
if [ -z "${VEXILO_SETTINGS:-}" ] && [[ " $* " != *" --settings "* ]] && [ ! -e build/bin/Vexilo.ini ]; then
  printf '[Vexilo]\r\nm_BayerFlg=1\r\nm_BayerMode=3\r\n' > build/bin/Vexilo.ini
fi
exec ./build/bin/vexilo --camera sim "$@"

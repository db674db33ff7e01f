#!/usr/bin/env bash
# CPU use and memory of the running program: live view with processing off, live
# view with the whole processing chain on, and without a camera (display thread
# idle), and the overlay of measurements (offscreen, bench_live_overlay). Runs Vexilo
# on Xvfb for SECONDS (default 30) per case and prints the share
# of one core it used and its resident memory at start and end.
# VEXILO_PROGRAM names another build of the program to measure (default build/bin/vexilo).
# Needs xvfb (apt-get install xvfb xauth).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
program=${VEXILO_PROGRAM:-build/bin/vexilo}

measure() {
  local name=$1 camera=$2 ini=$3
  local folder
  folder=$(mktemp -d)
  chmod 700 "$folder"
  printf '%b' "$ini" > "$folder/Vexilo.ini"
  XDG_RUNTIME_DIR=$folder xvfb-run -a -s "-screen 0 1280x900x24" \
    bash -c "$program --settings $folder --camera $camera & pid=\$!; sleep 3;
      read -r -a a < /proc/\$pid/stat; rss0=\$(awk '/VmRSS/ {print \$2}' /proc/\$pid/status);
      sleep $seconds;
      read -r -a b < /proc/\$pid/stat; rss1=\$(awk '/VmRSS/ {print \$2}' /proc/\$pid/status);
      ticks=\$(( (b[13] + b[14]) - (a[13] + a[14]) ));
      hz=\$(getconf CLK_TCK);
      echo \"$name: cpu \$(awk -v t=\$ticks -v hz=\$hz -v s=$seconds 'BEGIN { printf \"%.1f\", 100 * t / hz / s }')% of one core, rss \${rss0} -> \${rss1} kB\";
      kill \$pid; wait \$pid 2>/dev/null || true"
  rm -rf "$folder"
}

measure "live, processing off" sim '[Vexilo]\r\n'
measure "live, whole chain on" sim '[Vexilo]\r\nm_BayerFlg=1\r\nm_HLS.H=10\r\nm_HLS.L=5\r\nm_HLS.S=5\r\nGamma=120\r\nm_HLS.C=20\r\nm_HLS.SP=10\r\nm_BinaryFlg=1\r\n'
measure "no camera (display thread idle)" none '[Vexilo]\r\n'

# The overlay's share: the live view offscreen without and with thirteen measurements.
if [ -x build/bench/bench_live_overlay ]; then
  build/bench/bench_live_overlay "$seconds" 2>/dev/null | grep cpu
fi

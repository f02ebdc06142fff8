#!/usr/bin/env bash
# The processor time of the show on two 1920 × 1080 monitors over a minute of transitions at
# the default settings: the pictures on the primary one and the other covered, then with
# TousLesEcrans a show on each, taking turns with their transitions.
#   bench/screens_cpu.sh [BUILD_DIR]
set -euo pipefail
screen="1920x1080x24 -screen 1 1920x1080x24"
. "$(dirname "$0")/saver_bench.sh"
share() { awk -v d="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.1f %% of a core", d * 100 / hz / s }'; }
for every in 0 1; do
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"TousLesEcrans"=dword:%08d\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n"0"="%s"\r\n"1"="%s"\r\n' \
    "$every" "$build/resources/samples/montagnes.jpg" "$build/resources/samples/dunes.jpg" > "$LUMIVANE_HKCU"
  "$build/src/saver/lumivane" /s & pid=$!
  sleep 3
  t0=$(ticks "$pid"); sleep 60; t1=$(ticks "$pid")
  echo "two monitors, TousLesEcrans=$every: $(share $((t1 - t0)) 60) over 60 s"
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=
done

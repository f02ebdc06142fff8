#!/usr/bin/env bash
# The processor time the running saver takes between pictures, measured from /proc over
# 10 seconds while it waits a minute between pictures.
#   bench/idle_cpu.sh [BUILD_DIR]
set -euo pipefail
screen=1280x1024x24
. "$(dirname "$0")/saver_bench.sh"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Vitesse"=dword:0000003c\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n"0"="%s"\r\n' \
  "$build/resources/samples/montagnes.jpg" > "$LUMIVANE_HKCU"
"$build/src/saver/lumivane" /s & pid=$!
sleep 3  # the first picture is shown; the wait has begun
t0=$(ticks "$pid"); sleep 10; t1=$(ticks "$pid")
awk -v d=$((t1 - t0)) -v hz="$hz" 'BEGIN { printf "processor use between pictures: %.2f %% of a core over 10 s\n", d * 100 / hz / 10 }'

#!/usr/bin/env bash
# The processor time the running saver takes between pictures, measured from /proc over
# 10 seconds while it waits a minute between pictures.
#   bench/idle_cpu.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
if [ -z "${LUMIVANE_BENCH_INNER:-}" ]; then
  export LUMIVANE_BENCH_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
work="$(mktemp -d)"; trap 'kill $pid 2>/dev/null; rm -rf "$work"' EXIT
export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s"\r\n"ConfigValidated"=dword:00000001\r\n' "$work" > "$LUMIVANE_HKLM"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Vitesse"=dword:0000003c\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n"0"="%s"\r\n' \
  "$build/resources/samples/montagnes.jpg" > "$LUMIVANE_HKCU"
"$build/src/saver/lumivane" /s & pid=$!
sleep 3  # the first picture is shown; the wait has begun
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
t0=$(ticks); sleep 10; t1=$(ticks)
hz=$(getconf CLK_TCK)
awk -v d=$((t1 - t0)) -v hz="$hz" 'BEGIN { printf "processor use between pictures: %.2f %% of a core over 10 s\n", d * 100 / hz / 10 }'

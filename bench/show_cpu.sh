#!/usr/bin/env bash
# The processor time the saver takes while it plays effects, from /proc: the dialog while
# its preview plays effect 1 at the default speed (10 s), and the show over a minute of
# transitions at the default settings on a 1920 × 1080 screen.
#   bench/show_cpu.sh [BUILD_DIR]
set -euo pipefail
screen=1920x1080x24
. "$(dirname "$0")/saver_bench.sh"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n"0"="%s"\r\n"1"="%s"\r\n' \
  "$build/resources/samples/montagnes.jpg" "$build/resources/samples/montagnes.jpg" > "$LUMIVANE_HKCU"
share() { awk -v d="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.1f %% of a core", d * 100 / hz / s }'; }

"$build/src/saver/lumivane" /c & pid=$!
window=$(xdotool search --sync --onlyvisible --pid "$pid" | head -1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
# The first row of the effect list: effect 1, whose preview steps a pixel at a time.
xdotool mousemove $((X + 682 + 40)) $((Y + 54 + 6)) click 1
sleep 1
t0=$(ticks "$pid"); sleep 10; t1=$(ticks "$pid")
echo "dialog, effect 1 previewed at the default speed: $(share $((t1 - t0)) 10) over 10 s"
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=

"$build/src/saver/lumivane" /s & pid=$!
sleep 3
t0=$(ticks "$pid"); sleep 60; t1=$(ticks "$pid")
echo "show, default settings, 1920 x 1080: $(share $((t1 - t0)) 60) over 60 s"
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=

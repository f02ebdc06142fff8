#!/usr/bin/env bash
# The saver's start and stop on Wayland (a headless sway, no XWayland) against X11 (Xvfb), at
# 1920 x 1080 on the same machine: from the start of `lumivane /s` to the first picture on
# screen, and from a key to the window's leaving the screen; median of RUNS (default 5).
#   bench/wayland_vs_x11.sh [RUNS]
# Both sides are timed the same way: a loop reading the screen's centre pixel (pixel_wait on
# X11, grim's 1-pixel PPM on Wayland, which costs a few milliseconds a look). Each wtype
# brings a keyboard of its own whose first key reaches no window yet, so the Wayland key is
# typed after a 500 ms pause and timed from the end of that pause.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
source "$root/scripts/lib/setup.sh"
build_bench_targets "$root/build" lumivane pixel_wait
lumivane="$root/build/src/saver/lumivane"
pixel_wait="$root/build/bench/pixel_wait"
if [ "$(id -u)" -eq 0 ]; then  # sway refuses root
  user=lumivane-e2e
  id "$user" >/dev/null 2>&1 || useradd --system --create-home --shell /bin/bash "$user"
  exec runuser -u "$user" -- "$0" "$@"
fi
. "$root/tests/e2e/e2e_wait.sh"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s"\r\n"ConfigValidated"=dword:00000001\r\n' "$work" > "$LUMIVANE_HKLM"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Vitesse"=dword:0000000a\r\n"Effet"=dword:00000000\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n"0"="%s/red.bmp"\r\n' "$work" > "$LUMIVANE_HKCU"
convert -size 1600x1000 xc:'#ff0000' "BMP3:$work/red.bmp"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ms_since() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%d\n", (b - a) * 1000 + 0.5 }'; }
mono() { echo "$EPOCHREALTIME"; }

# --- X11 -------------------------------------------------------------------------------
Xvfb :77 -screen 0 1920x1080x24 -noreset -nolisten tcp 2>/dev/null & xvfb=$!
export DISPLAY=:77
until_true 30 xdpyinfo >/dev/null 2>&1
x_start=() x_stop=()
for _ in $(seq "$runs"); do
  t0=$(mono); QT_QPA_PLATFORM=xcb "$lumivane" /s 2>/dev/null & pid=$!
  "$pixel_wait" 960 540 FF0000 30 >/dev/null; t1=$(mono); x_start+=("$(ms_since "$t0" "$t1")")
  sleep 1  # the show settled: what is timed next is a key during the interval
  t0=$(mono); xdotool key a
  "$pixel_wait" 960 540 not FF0000 30 >/dev/null; t1=$(mono); x_stop+=("$(ms_since "$t0" "$t1")")
  wait $pid || true
done
kill $xvfb; wait $xvfb 2>/dev/null || true
unset DISPLAY

# --- Wayland ---------------------------------------------------------------------------
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
printf 'output HEADLESS-1 resolution 1920x1080 position 0 0\nxwayland disable\n' > "$work/sway.cfg"
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sway -c "$work/sway.cfg" > "$work/sway.log" 2>&1 &
until_true 30 test -S "$XDG_RUNTIME_DIR/wayland-1"
export WAYLAND_DISPLAY=wayland-1
centre() { grim -t ppm -g "960,540 1x1" - 2>/dev/null | tail -c 3 | od -An -tx1 | tr -d ' \n'; }
wl_wait() { # COLOUR [not]: the monotonic time the centre is (or is no longer) COLOUR
  local deadline; deadline=$(($(date +%s) + 30))
  while [ "$(date +%s)" -lt "$deadline" ]; do
    local c; c=$(centre)
    if { [ "$c" = "$1" ] && [ -z "${2:-}" ]; } || { [ "$c" != "$1" ] && [ -n "${2:-}" ]; }; then mono; return; fi
  done
  return 1
}
w_start=() w_stop=()
for _ in $(seq "$runs"); do
  t0=$(mono); env -u QT_QPA_PLATFORM "$lumivane" /s 2>/dev/null & pid=$!
  t1=$(wl_wait ff0000); w_start+=("$(ms_since "$t0" "$t1")")
  sleep 1
  t0=$(mono); wtype -s 500 a & typer=$!
  t1=$(wl_wait ff0000 not); w_stop+=("$(ms_since "$t0" "$t1")")
  w_stop[-1]=$((w_stop[-1] - 500))
  wait $typer || true; wait $pid || true
done

echo "| 1920 x 1080, median of $runs | start to first picture | key to window gone |"
echo "|---|---|---|"
echo "| X11 (Xvfb) | $(printf '%s\n' "${x_start[@]}" | median) ms | $(printf '%s\n' "${x_stop[@]}" | median) ms |"
echo "| Wayland (sway, headless) | $(printf '%s\n' "${w_start[@]}" | median) ms | $(printf '%s\n' "${w_stop[@]}" | median) ms |"
echo "runs: X11 start ${x_start[*]}; stop ${x_stop[*]}; Wayland start ${w_start[*]}; stop ${w_stop[*]}"

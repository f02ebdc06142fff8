#!/usr/bin/env bash
# Our effects against one of ffmpeg's xfade transitions at the same size and frame count,
# side by side in one run: ffmpeg single-threaded, blending two pictures already in memory
# (decoded and converted once, then repeated), ours through effects_bench with R = 0.
#   bench/effects_vs_ffmpeg.sh TRANSITION FRAMES EFFECT... [-- WIDTHxHEIGHT] [BUILD_DIR via $BUILD]
# EFFECT is a number or FIRST-LAST. Example: bench/effects_vs_ffmpeg.sh circleopen 101 99-162
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-$root/build}"
if [ $# -lt 3 ]; then
  echo "usage: $0 TRANSITION FRAMES EFFECT... [-- WIDTHxHEIGHT]" >&2
  exit 2
fi
transition="$1" frames="$2"; shift 2
effects=() size=1920x1080
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then size="${2:?size after --}"; break; fi
  effects+=("$1"); shift
done
w="${size%x*}" h="${size#*x}"

for p in ffmpeg plasma-workspace-wallpapers; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="${missing:-} $p"
done
if [ -n "${missing:-}" ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
fi
source "$root/scripts/lib/setup.sh"
build_bench_targets "$build" effects_bench

work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
# Two real photographs at the screen's size; drawn ones when there are none.
mapfile -t photos < <(find /usr/share/wallpapers -name '*.jpg' 2>/dev/null | sort | head -2)
for i in 0 1; do
  if [ -n "${photos[$i]:-}" ]; then
    ffmpeg -v error -y -i "${photos[$i]}" -vf "scale=${w}:${h}" -frames:v 1 "$work/p$i.png"
  else
    ffmpeg -v error -y -f lavfi -i "testsrc2=s=${size}:r=1" -frames:v 1 "$work/p$i.png"
  fi
done

# xfade over FRAMES frames at 25 per second: both inputs last exactly the transition.
seconds="$(awk -v f="$frames" 'BEGIN { printf "%.4f", f / 25 }')"
graph="[0:v]format=gbrp,loop=loop=$((frames - 1)):size=1:start=0,setpts=N/25/TB[a];"
graph+="[1:v]format=gbrp,loop=loop=$((frames - 1)):size=1:start=0,setpts=N/25/TB[b];"
graph+="[a][b]xfade=transition=${transition}:duration=${seconds}:offset=0[v]"
ffmpeg_ms=()
for run in 1 2 3 4 5; do
  s=$(date +%s%N)
  ffmpeg -v error -threads 1 -filter_threads 1 -filter_complex_threads 1 \
    -i "$work/p0.png" -i "$work/p1.png" -filter_complex "$graph" -map '[v]' -fps_mode passthrough -f null -
  e=$(date +%s%N)
  ffmpeg_ms+=($(( (e - s) / 1000000 )))
done
# The same command on one frame: what ffmpeg spends on starting and reading the pictures.
s=$(date +%s%N)
ffmpeg -v error -threads 1 -i "$work/p0.png" -i "$work/p1.png" -filter_complex "[0:v]format=gbrp[a];[1:v]format=gbrp[b];[a][b]blend=all_mode=normal[v]" -map '[v]' -fps_mode passthrough -f null -
e=$(date +%s%N)
ffmpeg_start=$(( (e - s) / 1000000 ))
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
ff=$(median "${ffmpeg_ms[@]}")
ff_net=$(( ff > ffmpeg_start ? ff - ffmpeg_start : ff ))
echo "ffmpeg xfade=${transition}, ${frames} frames at ${size}, 1 thread: median ${ff} ms (${ff_net} ms without start-up and decoding)"
echo
# Ours: best of three runs of each effect, inside one process.
for run in 1 2 3; do
  QT_QPA_PLATFORM=offscreen "$build/bench/effects_bench" "$size" "${effects[@]}" 2>/dev/null > "$work/ours$run.txt"
done
head -1 "$work/ours1.txt"
printf '%-7s %9s %12s %16s %s\n' effect steps "ours ms" "ffmpeg net ms" verdict
awk -v ff="$ff_net" '
  # Family names hold spaces: count the numeric columns from the end.
  FNR <= 3 || /^slowest/ || NF < 6 { next }
  { ms = $(NF - 2); if (!($1 in best) || ms < best[$1]) { best[$1] = ms; steps[$1] = $(NF - 3) } }
  END {
    n = 0; for (e in best) order[n++] = e + 0
    for (i = 0; i < n; i++) for (j = i + 1; j < n; j++) if (order[j] < order[i]) { t = order[i]; order[i] = order[j]; order[j] = t }
    for (i = 0; i < n; i++) {
      e = order[i]
      printf "%-7d %9d %12.1f %16d %s\n", e, steps[e], best[e], ff, (best[e] <= ff ? "faster" : "SLOWER")
    }
  }' "$work"/ours*.txt

#!/usr/bin/env bash
# Our picture preparation of a 6000 × 4000 camera-style JPEG (4:2:0) for a 1920 × 1080
# screen, against vipsthumbnail of the same file, side by side in one run.
#   bench/prepare_vs_vips.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
for p in libvips-tools imagemagick plasma-workspace-wallpapers time; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="${missing:-} $p"
done
if [ -n "${missing:-}" ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
fi
source "$root/scripts/lib/setup.sh"
build_bench_targets "$build" prepare_bench
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
# A real photograph brought to a camera's size and sampling; a drawn one when there is none.
source_photo="$(find /usr/share/wallpapers -name '*.jpg' -size +1M 2>/dev/null | sort | head -1)"
if [ -n "$source_photo" ]; then
  convert "$source_photo" -resize '6000x4000!' -sampling-factor 4:2:0 -quality 92 "$work/camera.jpg"
  origin="$(basename "$(dirname "$(dirname "$(dirname "$source_photo")")")")"
else
  convert -size 6000x4000 plasma: -sampling-factor 4:2:0 -quality 92 "$work/camera.jpg"
  origin="plasma fractal"
fi
echo "picture: $(identify -format '%wx%h, %[jpeg:sampling-factor]' "$work/camera.jpg") from $origin"

ours=() vips=()
for i in 1 2 3 4 5 6 7; do
  s=$(date +%s%N); "$build/bench/prepare_bench" "$work/camera.jpg" 1920x1080 1 >/dev/null; e=$(date +%s%N)
  ours+=($(( (e - s) / 1000000 )))
  s=$(date +%s%N); vipsthumbnail -s 1920x1080 -o "$work/thumb.jpg" "$work/camera.jpg"; e=$(date +%s%N)
  vips+=($(( (e - s) / 1000000 )))
done
median() { printf '%s\n' "$@" | sort -n | sed -n 4p; }
o=$(median "${ours[@]}"); v=$(median "${vips[@]}")
echo "lumivane preparation: median ${o} ms (whole process)"
echo "vipsthumbnail:        median ${v} ms (whole process)"
# Inside one process, without the start of the program; and the peak memory of each.
"$build/bench/prepare_bench" "$work/camera.jpg" 1920x1080 5
peak() { /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1; }
echo "peak resident: lumivane $(( $(peak "$build/bench/prepare_bench" "$work/camera.jpg" 1920x1080 1) / 1024 )) MB," \
  "vipsthumbnail $(( $(peak vipsthumbnail -s 1920x1080 -o "$work/thumb.jpg" "$work/camera.jpg") / 1024 )) MB (target: ours under 150 MB)"
awk -v o="$o" -v v="$v" 'BEGIN { printf "ratio ours / vips: %.2f (target at most 0.50)\n", o / v; exit !(o <= v / 2) }'

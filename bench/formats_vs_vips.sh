#!/usr/bin/env bash
# Our decoding and preparation of a 12-megapixel HEIC (a phone's 4032 × 3024) and a
# 24-megapixel PNG (6000 × 4000) for a 1920 × 1080 screen, against vipsthumbnail of the same
# files, side by side in one run.
#   bench/formats_vs_vips.sh [BUILD_DIR]
source "$(dirname "$0")/../scripts/lib/setup.sh"
build="${1:-$BUILD_DIR}"
PACKAGES+=(libvips-tools plasma-workspace-wallpapers)
install_packages
build_bench_targets "$build" prepare_bench
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
# A real photograph brought to each size; a drawn one when there is none.
source_photo="$(find /usr/share/wallpapers -name '*.jpg' -size +1M 2>/dev/null | sort | head -1)"
[ -n "$source_photo" ] || { convert -size 2000x1500 plasma: "$work/source.png"; source_photo="$work/source.png"; }
convert "$source_photo" -resize '4032x3024!' PNG24:"$work/phone.png"
heif-enc -q 85 "$work/phone.png" -o "$work/phone.heic" >/dev/null
convert "$source_photo" -resize '6000x4000!' PNG24:"$work/camera.png"
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
for picture in phone.heic camera.png; do
  ours=() vips=()
  for i in 1 2 3 4 5; do
    s=$(date +%s%N); "$build/bench/prepare_bench" "$work/$picture" 1920x1080 1 >/dev/null; e=$(date +%s%N)
    ours+=($(( (e - s) / 1000000 )))
    s=$(date +%s%N); vipsthumbnail -s 1920x1080 -o "$work/thumb.jpg" "$work/$picture"; e=$(date +%s%N)
    vips+=($(( (e - s) / 1000000 )))
  done
  echo "$picture ($(identify -format '%wx%h' "$work/$picture" 2>/dev/null | head -1), $(( $(stat -c %s "$work/$picture") / 1000 )) Ko):" \
    "lumivane median $(median "${ours[@]}") ms, vipsthumbnail median $(median "${vips[@]}") ms (whole processes)"
  "$build/bench/prepare_bench" "$work/$picture" 1920x1080 3
done

#!/usr/bin/env bash
# The saver on a 2560 × 1440 screen at QT_SCALE_FACTOR=2 against the same screen unscaled:
# start to first picture, five effects on screen, and the memory and time of a 200-megapixel
# JPEG and HEIC read for that screen (bench/scaled.py).
#   bench/scaled.sh [--scale F] [--runs K] [--size WxH] [--picture WxH] [EFFECT...]
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/setup.sh"
PACKAGES+=(plasma-workspace-wallpapers libxdamage-dev time libjpeg-turbo-progs)
install_packages
configure_and_build -DLUMIVANE_BENCH=ON
BUILD="$BUILD_DIR" exec python3 "$ROOT/bench/scaled.py" "$@"

#!/usr/bin/env bash
# The saver and the dialog with 1,000 to 100,000 pictures, and the stop latency while the
# show reads a huge JPEG, a pipe or a file system that never answers (bench/scale.py).
#   bench/scale.sh [COUNT...]
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/setup.sh"
PACKAGES+=(plasma-workspace-wallpapers libxdamage-dev libfuse3-dev fuse3 time libjpeg-turbo-progs)
install_packages
configure_and_build -DLUMIVANE_BENCH=ON
BUILD="$BUILD_DIR" exec python3 "$ROOT/bench/scale.py" "$@"

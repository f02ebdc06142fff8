#!/usr/bin/env bash
# The long slide show under AddressSanitizer and LeakSanitizer: 2,000 cycles off screen with
# no pauses, three photographs and one damaged file, every effect number at least five
# times. Fails on a leak, a bad access, memory that keeps growing, or a damaged file shown.
#   bench/soak.sh [BUILD_DIR] [-- SOAK_OPTIONS...]
# BUILD_DIR (default build-asan) is configured with LUMIVANE_SANITIZE=ON when it is new; the
# benchmarks, soak among them, are turned on there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-asan"
if [ $# -gt 0 ] && [ "$1" != "--" ]; then build="$1"; shift; fi
[ "${1:-}" = "--" ] && shift

wallpapers=/usr/share/wallpapers
photos=("$wallpapers/Autumn/contents/images/2560x1600.jpg"
        "$wallpapers/Kite/contents/images/2560x1600.jpg"
        "$wallpapers/Path/contents/images/2560x1600.jpg")
for p in "${photos[@]}"; do
  [ -r "$p" ] || { echo "soak: $p is missing (apt-get install plasma-workspace-wallpapers)" >&2; exit 2; }
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DLUMIVANE_SANITIZE=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
fi
cmake -S "$root" -B "$build" -DLUMIVANE_BENCH=ON >/dev/null
grep -q '^LUMIVANE_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" ||
  echo "soak: $build is not a sanitizer build; leaks will go unseen" >&2
ninja -C "$build" -j"${JOBS:-2}" soak >"$build/soak-build.log" || { tail -20 "$build/soak-build.log" >&2; exit 1; }

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}"
start=$(date +%s)
status=0
"$build/bench/soak" "$@" "${photos[@]}" || status=$?
echo "run time          $(( $(date +%s) - start )) s (exit status $status)"
exit "$status"

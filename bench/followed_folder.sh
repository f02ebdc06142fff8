#!/usr/bin/env bash
# Time from the saver's start to its first picture when its list is one followed folder of
# N pictures (100,000 by default): warm cache, cold cache (when this machine lets the page
# cache be dropped), and beside a folder on a file system that never answers a read
# (sleepy_fs, with FUSE), where the show must start and go on with the list's other entry.
#   bench/followed_folder.sh [BUILD_DIR]      N=100000 by default
set -euo pipefail
screen=1280x1024x24
. "$(dirname "$0")/saver_bench.sh"
count="${N:-100000}"
sleepy=
unmount_sleepy() {
  # The file system's process, a read still waiting on it, does not end with its mount.
  [ -n "$sleepy" ] && { fusermount3 -u "$work/sleepy" 2>/dev/null || umount "$work/sleepy" 2>/dev/null; kill -9 "$sleepy" 2>/dev/null; wait "$sleepy" 2>/dev/null || true; }
  bench_cleanup
}
trap unmount_sleepy EXIT
# The pictures: links to one small photograph, each its own name to the show.
mkdir "$work/big"
python3 - "$build/resources/samples/montagnes.jpg" "$work/big" "$count" <<'PY'
import os, shutil, sys
src, folder, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
# A file system counts a file's links: a new copy every 60,000.
for i in range(1, n + 1):
    name = os.path.join(folder, "photo%d.jpg" % i)
    if (i - 1) % 60000 == 0:
        first = name
        shutil.copy(src, first)
    else:
        os.link(first, name)
PY
hive() {
  { printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"LOG"=dword:00000001\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n'
    local n=0; for entry in "$@"; do printf '"%d"="%s"\r\n' "$n" "$entry"; n=$((n + 1)); done; } > "$LUMIVANE_HKCU"
}
# Milliseconds from the start to the first picture the trace log names.
first_picture() {
  rm -f "$work/lumivane.log"
  local start; start=$(date +%s%N)
  "$build/src/saver/lumivane" /s & pid=$!
  until grep -q "Image : " "$work/lumivane.log" 2>/dev/null; do
    sleep 0.005
    if [ $(( ($(date +%s%N) - start) / 1000000 )) -gt 60000 ]; then echo "no picture within a minute"; kill "$pid"; pid=; return; fi
  done
  echo "$(( ($(date +%s%N) - start) / 1000000 )) ms"
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=
}
hive "$build/resources/samples/dunes.jpg"
first_picture >/dev/null  # the cache warmed
echo "one picture file, for comparison: $(first_picture)"
hive "$work/big/"
first_picture >/dev/null
echo "followed folder of $count pictures, warm cache: $(first_picture)"
if sync && echo 3 > /proc/sys/vm/drop_caches 2>/dev/null; then
  echo "followed folder of $count pictures, cold cache: $(first_picture)"
else
  echo "cold cache: this machine does not let the page cache be dropped"
fi
if [ -x "$build/bench/sleepy_fs" ]; then
  mkdir "$work/sleepy"
  "$build/bench/sleepy_fs" "$work/sleepy" & sleepy=$!
  sleep 1
  hive "$work/sleepy/" "$build/resources/samples/dunes.jpg"
  echo "a followed folder that never answers, then one picture: $(first_picture)"
else
  echo "sleepy_fs not built (libfuse3-dev): no never-answering folder"
fi

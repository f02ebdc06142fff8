#!/usr/bin/env bash
# Builds one libFuzzer target with clang (in build-fuzz/) and runs it for SECONDS on its seed
# corpus, keeping what it learns in build-fuzz/fuzz-corpus/TARGET; a crasher is written
# there as crash-* and the run fails; once fixed, it joins the target's seed folder, which the
# ordinary tests replay. The last line says how many inputs were run.
#   bench/fuzz.sh TARGET SECONDS        targets: hive gdi_bmp jpeg qt_formats heif rtf version update
#   FUZZ_RUNS=N bench/fuzz.sh ...       stops after N inputs if that comes first
#   FUZZ_MAX_LEN=BYTES bench/fuzz.sh ... the largest input tried (64 KiB)
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/setup.sh"
if [ $# -ne 2 ]; then
  echo "usage: bench/fuzz.sh TARGET SECONDS" >&2
  exit 2
fi
target="$1" seconds="$2"
PACKAGES+=(clang libclang-rt-14-dev)
install_packages
BUILD_DIR="${LUMIVANE_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DLUMIVANE_FUZZ=ON -DLUMIVANE_BENCH=OFF \
    -DLUMIVANE_TESTS=ON >/dev/null
fi
cmake --build "$BUILD_DIR" --target "${target}_fuzz" >/dev/null
program="$(find "$BUILD_DIR/tests/fuzz" -name "${target}_fuzz" -type f -perm -u+x | head -1)"
seeds="$(cat "$BUILD_DIR/fuzz-seeds/$target")"
work="$BUILD_DIR/fuzz-corpus/$target"
mkdir -p "$work"
cd "$work"
# The system libraries' own leaks are left out as in the test suite's sanitizer pass.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$ROOT/scripts/lib/lsan.supp:print_suppressions=0}"
# An input still running after 10 s counts as a finding (a busy machine stalls shorter ones);
# the slowest unit of the run is reported on the last line.
# A picture within the limits may take 512 MiB to decode and as much again for its copy,
# beside what the sanitizer keeps: hence 2 GiB. Inputs are kept below FUZZ_MAX_LEN bytes
# (64 KiB): a photograph of megabytes as a seed would bring the run down to a few inputs a
# second.
"$program" -max_total_time="$seconds" ${FUZZ_RUNS:+-runs="$FUZZ_RUNS"} -max_len="${FUZZ_MAX_LEN:-65536}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  "$work" "$seeds" 2>&1 | tee "$work/last-run.log" | grep -E "^(#[0-9]+.*(DONE|pulse)|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)" || true
grep -q "ERROR\|crash-\|timeout-" "$work/last-run.log" && { echo "$target: finding, see $work"; exit 1; }
echo "$target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$work/last-run.log") inputs in at most ${seconds} s," \
  "slowest $(sed -n 's/^stat::slowest_unit_time_sec: *//p' "$work/last-run.log") s, nothing found"

#!/usr/bin/env bash
# Valider in a real dialog process killed 1,000 times at random moments of its saves (the
# ordinary test does 50): after every kill the hives load, to the choices before the press
# or after it, and what a kill leaves behind never stops the next save.
#   bench/valider_kill.sh [BUILD_DIR] [KILLS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
kills="${2:-1000}"
tests="$build/tests/config/valider_kill_tests"
[ -x "$tests" ] || { echo "valider_kill: build valider_kill_tests first (ninja -C $build valider_kill_tests)" >&2; exit 2; }
start=$(date +%s.%N)
set +e
LUMIVANE_VALIDER_KILLS="$kills" "$tests" --gtest_brief=1
status=$?
awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "time: %.1f s\n", e - s }'
exit "$status"

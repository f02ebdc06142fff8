# What the benches that run the saver share, sourced after `set -euo pipefail` with the
# Xvfb screen in `screen` (WxHxD): the caller runs again under xvfb-run; then a scratch
# folder `work` with the machine hive of a validated installation there, the saver's
# process in `pid` (ended with the bench), and its processor ticks.
#   screen=1920x1080x24; . "$(dirname "$0")/saver_bench.sh"   (the caller's BUILD_DIR is $1)
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
if [ -z "${LUMIVANE_BENCH_INNER:-}" ]; then
  export LUMIVANE_BENCH_INNER=1
  exec xvfb-run -a -s "-screen 0 $screen" "$0" "$@"
fi
work="$(mktemp -d)"; pid=
bench_cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap bench_cleanup EXIT
export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work/"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s/"\r\n"ConfigValidated"=dword:00000001\r\n' "$work" > "$LUMIVANE_HKLM"
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

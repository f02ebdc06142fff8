# Sourced by the end-to-end scripts (through e2e_common.sh, or alone by those that start
# their own X servers): the tally of checks, the ways to wait, reading pixels, and the
# picture of stripes that tells a scaled screen's pixels.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
# In the sanitizer pass: allocation stacks are walked in full, as the fast walk stops at
# the first system library built without frame pointers, and a leak could then be named
# neither ours nor the system's. Every report of every program the script starts goes to
# a folder of its own, which sanitizer_clean looks at in the end, whatever became of the
# program's standard error.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  sanitizer_logs="$(mktemp -d)"
  export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0:log_path=$sanitizer_logs/report"
  export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}:log_path=$sanitizer_logs/report"
fi
# sanitizer_clean: no program of the script made a sanitizer report; else they are shown.
sanitizer_clean() {
  [ -n "${sanitizer_logs:-}" ] || return 0
  local reports=("$sanitizer_logs"/report*)
  if [ -e "${reports[0]}" ]; then
    echo "FAIL: sanitizer reports:"; head -n 40 "${reports[@]}"
    return 1
  fi
  rm -rf "$sanitizer_logs"
}
# Waiting: every check polls for the state it expects up to a deadline generous enough for
# a machine whose cores are all busy, and never sleeps a fixed time instead.
until_true() { # SECONDS COMMAND...: true as soon as the command succeeds, false when time is up
  local deadline=$(($(date +%s%N) + $1 * 1000000000))
  shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
alive() { kill -0 "$1" 2>/dev/null; }
ended() { ! alive "$1"; }
ends_within() { until_true "$2" ended "$1"; } # PID SECONDS
window_named() { timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1; }
# The names of the visible windows, to say what was on screen when a check failed.
visible_windows() {
  local w
  for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do xdotool getwindowname "$w" 2>/dev/null; done | paste -sd '|'
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# image_pixel FILE X Y: that pixel of a picture file, as RRGGBB.
image_pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: 2>/dev/null | cut -c1-6; }
# stripe_picture FILE W H: a W x H bitmap of one-pixel columns, black and white in turn,
# which anything but one picture pixel for one screen pixel turns grey.
stripe_picture() {
  python3 - "$@" <<'PY'
import struct, sys
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
row = b''.join(b'\0\0\0' if x % 2 == 0 else b'\xff\xff\xff' for x in range(w))
row += b'\0' * (-len(row) % 4)
data = row * h
header = b'BM' + struct.pack('<IHHI', 54 + len(data), 0, 0, 54)
header += struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(path, 'wb').write(header + data)
PY
}
# striped_at FILE X Y: the eight pixels of a row from X Y are black and white in turn.
striped_at() {
  [ "$(convert "$1" -crop "8x1+$2+$3" -depth 8 txt:- 2>/dev/null | awk 'NR > 1 {printf "%s ", $3}')" \
    = "#000000 #FFFFFF #000000 #FFFFFF #000000 #FFFFFF #000000 #FFFFFF " ]
}

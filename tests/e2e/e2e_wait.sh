# Sourced by the end-to-end scripts (through e2e_common.sh, or alone by those that start
# their own X servers): the ways to wait, and reading a pixel.
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
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# image_pixel FILE X Y: that pixel of a picture file, as RRGGBB.
image_pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: 2>/dev/null | cut -c1-6; }

#!/usr/bin/env bash
# The show on a scaled screen, as scaled desktop sessions set QT_SCALE_FACTOR: a
# picture of one-pixel stripes as large as the screen reaches it one pixel for one, not
# prepared for half the screen and enlarged into grey.
#   scaled_e2e.sh LUMIVANE
set -uo pipefail
export E2E_SCREENS="-screen 0 2560x1440x24"
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"

validated_machine
stripe_picture "$work/stripes.bmp" 2560 1440
user_settings '"Effet"=dword:00000000\r\n"Vitesse"=dword:00000078\r\n' "$work/stripes.bmp"
# The pixels of a row at X Y, to say what was there when the check failed.
row_at() { convert "$work/shot.png" -crop "8x1+$1+$2" -depth 8 txt:- 2>/dev/null | awk 'NR > 1 {print $3}' | tr '\n' ' '; }
striped() {
  import -window root "$work/shot.png" 2>/dev/null
  for at in "1280 720" "0 0" "2552 1439"; do
    striped_at "$work/shot.png" $at || return 1
  done
}
# Twice, and the fractional scales of desktop settings (150 %, 125 %), where the screen's
# logical size is not a whole number of pixels at 150 %.
for scale in 2 1.5 1.25; do
  QT_SCALE_FACTOR=$scale "$lumivane" /s & pid=$!
  until_true 30 striped && pass "every device pixel of the screen is drawn, at a scale of $scale" \
    || fail "at a scale of $scale, at the centre: $(row_at 1280 720)"
  xdotool key a
  ends_within $pid 20 && pass "a key ends it" || fail "still running after a key"
  wait $pid 2>/dev/null
done
sanitizer_clean || failures=$((failures + 1))
[ "$failures" = 0 ] && echo "scaled test passed" || echo "scaled test: $failures failed"
[ "$failures" = 0 ]

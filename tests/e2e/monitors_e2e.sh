#!/usr/bin/env bash
# Two monitors: the show runs on the primary one, the other is covered with the
# background colour, and input on the other one stops the saver too.
#   monitors_e2e.sh LUMIVANE
set -uo pipefail
export E2E_SCREENS="-screen 0 640x480x24 -screen 1 640x480x24"
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"

validated_machine
user_settings '"Vitesse"=dword:00000002\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n' "$work/red.bmp"

pixel() { # screen x y
  import -display "${DISPLAY%.*}.$1" -window root "$work/shot$1.png" 2>/dev/null
  image_pixel "$work/shot$1.png" "$2" "$3"
}
is() { [ "$(pixel "$1" "$2" "$3")" = "$4" ]; }

"$lumivane" /s & pid=$!
until_true 30 is 0 320 240 FF0000 && pass "the show on the primary screen" || fail "primary centre is $(pixel 0 320 240)"
until_true 30 is 1 320 240 000080 && is 1 2 2 000080 && pass "the second screen covered with the background colour" \
  || fail "second screen shows $(pixel 1 320 240)"
xdotool mousemove --screen 1 100 100; sleep 0.2; xdotool mousemove --screen 1 160 160
until_true 30 ended $pid && pass "a move on the second screen stops the saver" || fail "still running after a move there"
wait $pid 2>/dev/null

"$lumivane" /s & pid=$!
until_true 30 is 1 320 240 000080 || fail "second screen not covered again"
xdotool key a
until_true 30 ended $pid && pass "a key stops it and both screens are let go" || fail "still running after a key"
sanitizer_clean || failures=$((failures + 1))
[ $failures -eq 0 ]

#!/usr/bin/env bash
# Two monitors: the show runs on the primary one, the other is covered with the
# background colour, and input on the other one stops the saver too; with TousLesEcrans,
# each monitor has a show of its own.
#   monitors_e2e.sh LUMIVANE
# Two X screens, each with its root (Xvfb lays no monitors side by side in one screen that Qt
# sees as two); the second is larger, so a picture placed for the first would be off its centre.
set -uo pipefail
export E2E_SCREENS="-screen 0 640x480x24 -screen 1 800x600x24"
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"

validated_machine
settings='"Vitesse"=dword:00000002\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n'
user_settings "$settings" "$work/red.bmp"

# pixel MONITOR X Y: the colour at X, Y of that monitor.
pixel() {
  import -display "${DISPLAY%.*}.$1" -window root "$work/shot$1.png" 2>/dev/null
  image_pixel "$work/shot$1.png" "$2" "$3"
}
is() { [ "$(pixel "$1" "$2" "$3")" = "$4" ]; }
move_on() { xdotool mousemove --screen "$1" "$2" "$3"; }

"$lumivane" /s & pid=$!
until_true 30 is 0 320 240 FF0000 && pass "the show on the primary monitor" || fail "primary centre is $(pixel 0 320 240)"
until_true 30 is 1 400 300 000080 && is 1 2 2 000080 && is 1 797 597 000080 && pass "the second monitor covered with the background colour" \
  || fail "second monitor shows $(pixel 1 400 300)"
move_on 1 100 100; sleep 0.2; move_on 1 160 160
until_true 30 ended $pid && pass "a move on the second monitor stops the saver" || fail "still running after a move there"
wait $pid 2>/dev/null

"$lumivane" /s & pid=$!
until_true 30 is 1 400 300 000080 || fail "second monitor not covered again"
xdotool key a
until_true 30 ended $pid && pass "a key stops it and both monitors are let go" || fail "still running after a key"
wait $pid 2>/dev/null

# On every monitor, from a followed folder both shows read: the second shows pictures of
# its own, at its own size, and a click there ends both shows.
mkdir "$work/suivi" && cp "$work/red.bmp" "$work/suivi/1-rouge.bmp" && cp "$work/green.bmp" "$work/suivi/2-vert.bmp"
user_settings "$settings"'"TousLesEcrans"=dword:00000001\r\n' "$work/suivi/"
"$lumivane" /s & pid=$!
until_true 30 is 0 320 240 FF0000 && pass "with TousLesEcrans, the primary monitor shows its pictures" \
  || fail "with TousLesEcrans, primary centre is $(pixel 0 320 240)"
# 400 × 300 centred on 800 × 600 spans 200..599 × 150..449; one shot for the three points.
on_second() {
  import -display "${DISPLAY%.*}.1" -window root "$work/shot1.png" 2>/dev/null || return 1
  [ "$(image_pixel "$work/shot1.png" 400 300)" = "$1" ] && [ "$(image_pixel "$work/shot1.png" 205 155)" = "$1" ] \
    && [ "$(image_pixel "$work/shot1.png" 150 100)" = 000080 ]
}
until_true 30 on_second FF0000 && pass "with TousLesEcrans, the second monitor shows pictures too, centred on it" \
  || fail "with TousLesEcrans, second monitor shows $(pixel 1 400 300) at its centre, $(pixel 1 150 100) off the picture"
until_true 30 on_second 00FF00 && pass "the second monitor goes on to the next picture" \
  || fail "the second monitor stays at $(pixel 1 400 300)"
move_on 1 100 100; sleep 0.2; move_on 1 160 160
until_true 30 ended $pid && pass "a move on the second monitor ends every show" || fail "still running after a move there"
wait $pid 2>/dev/null
sanitizer_clean || failures=$((failures + 1))
[ $failures -eq 0 ]

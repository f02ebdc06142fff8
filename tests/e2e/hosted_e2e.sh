#!/usr/bin/env bash
# Lumivane as a display mode of a Linux screen-saver host: the show inside a window the
# host made (-window-id, XSCREENSAVER_WINDOW) or on the root window, ended by SIGTERM or by
# the window going away; and an upright photograph stored on its side.
#   hosted_e2e.sh LUMIVANE HOST_WINDOW
set -uo pipefail
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"
host_window="$2"

validated_machine
user_hive() { # effects on, at the quickest speed, between the pictures given
  user_settings '"Vitesse"=dword:00000001\r\n"Rapidite"=dword:00000001\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000001\r\n"Centre"=dword:00000001\r\n' "$@"
}
# The host window's pixel at x y, as RRGGBB.
host_pixel() { host_shot "$work/host.ppm"; image_pixel "$work/host.ppm" "$1" "$2"; }
root_pixel() { import -window root "$work/root.png" 2>/dev/null; image_pixel "$work/root.png" "$1" "$2"; }
host_is() { [ "$(host_pixel "$1" "$2")" = "$3" ]; }
root_is() { [ "$(root_pixel "$1" "$2")" = "$3" ]; }
# Within 8 per channel, as a JPEG keeps flat colours.
root_near() {
  local got; got=$(root_pixel "$1" "$2")
  [ ${#got} -eq 6 ] || return 1
  for i in 0 2 4; do
    local d=$(( 16#${got:$i:2} - 16#${3:$i:2} ))
    [ ${d#-} -le 8 ] || return 1
  done
}
# Sends SIGTERM and prints how many milliseconds the program took to end (9999: it did not).
term_ms() {
  local start; start=$(date +%s%N)
  kill -TERM "$1"
  if until_true 5 ended "$1"; then echo $(( ($(date +%s%N) - start) / 1000000 )); else echo 9999; fi
}

user_hive "$work/red.bmp" "$work/green.bmp"
coproc HOST { "$host_window" 320 240; }
read -r -u "${HOST[0]}" wid

# -window-id: both pictures in turn, through effects, in the host's window.
"$lumivane" -window-id "$wid" & pid=$!
until_true 30 host_is 160 120 FF0000 && pass "-window-id: first picture in the host window" \
  || fail "-window-id: host centre is $(host_pixel 160 120)"
until_true 30 host_is 160 120 00FF00 && pass "-window-id: the next picture after the interval" \
  || fail "-window-id: host centre stays $(host_pixel 160 120)"
ms=$(term_ms $pid)
# A generous bound: the figure itself is the stop bench's.
[ "$ms" -le 2000 ] && pass "SIGTERM ends it in $ms ms" || fail "SIGTERM took $ms ms"
wait $pid 2>/dev/null; rc=$?
[ "$rc" = 0 ] && pass "a clean exit" || fail "exit code $rc after SIGTERM"

# XSCREENSAVER_WINDOW without a mode letter: the same; destroying the window ends it.
XSCREENSAVER_WINDOW="$wid" "$lumivane" & pid=$!
until_true 30 host_is 160 120 FF0000 && pass "XSCREENSAVER_WINDOW: the show in that window" \
  || fail "XSCREENSAVER_WINDOW: host centre is $(host_pixel 160 120)"
echo destroy >&"${HOST[1]}"; read -r -u "${HOST[0]}" _
until_true 30 ended $pid && pass "the window destroyed ends the show" || fail "still running without its window"
wait $pid 2>/dev/null
echo quit >&"${HOST[1]}"

# -root: the root window, at the size of the screen.
"$lumivane" -root & pid=$!
until_true 30 root_is 512 384 FF0000 && pass "-root: the show on the root window" \
  || fail "-root: screen centre is $(root_pixel 512 384)"
root_is 5 5 000080 && pass "-root: background colour around the picture" || fail "-root: corner is $(root_pixel 5 5)"
ms=$(term_ms $pid)
[ "$ms" -le 2000 ] && pass "-root: SIGTERM ends it in $ms ms" || fail "-root: SIGTERM took $ms ms"

# A photograph taken upright, stored on its side with orientation 6: red half on top.
convert -size 300x400 xc:'#0000ff' -fill '#ff0000' -draw 'rectangle 0,0 299,199' -rotate -90 -quality 95 \
  "$work/side.jpg"
# An EXIF segment with the one orientation entry, right after the start marker.
{ head -c 2 "$work/side.jpg"
  printf '\xff\xe1\x00\x22Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00\x00\x00\x00\x00'
  tail -c +3 "$work/side.jpg"; } > "$work/upright.jpg"
user_hive "$work/upright.jpg"
"$lumivane" -root & pid=$!
# It arrives through an effect: wait for the whole of it.
upright() { root_near 512 250 FF0000 && root_near 512 520 0000FF; }
until_true 30 upright && pass "an orientation-6 photograph shows upright" \
  || fail "orientation 6: top $(root_pixel 512 250), bottom $(root_pixel 512 520)"
kill -TERM $pid; wait $pid 2>/dev/null

[ $failures -eq 0 ]

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
[ "$rc" = 143 ] && pass "ended by the signal, as hacks end" || fail "exit code $rc after SIGTERM"

# Each show goes on after the picture where the last one stopped (here with an interval
# long enough that the first picture is the only one shown).
# (A picture counts once its effect has ended, which the screen cannot tell (the puzzle
# holds its finished board a while): so no effects here, the picture is shown at once.)
user_settings '"Vitesse"=dword:00000001\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n"Centre"=dword:00000001\r\n' \
  "$work/green.bmp" "$work/red.bmp"
mkdir -p "$XDG_STATE_HOME/lumivane"
printf '0\n%s\n' "$work/green.bmp" > "$XDG_STATE_HOME/lumivane/position"
"$lumivane" -window-id "$wid" -interval 120 & pid=$!
all_red() { host_is 160 120 FF0000 && host_is 1 1 FF0000 && host_is 318 1 FF0000 && host_is 1 238 FF0000 && host_is 318 238 FF0000; }
until_true 90 all_red || fail "-interval: no first picture"
kill -TERM $pid; wait $pid 2>/dev/null
[ "$(tail -1 "$XDG_STATE_HOME/lumivane/position")" = "$work/red.bmp" ] && pass "the position kept on the way out" \
  || fail "position file: $(cat "$XDG_STATE_HOME/lumivane/position")"
"$lumivane" -window-id "$wid" -interval 120 & pid=$!
until_true 90 host_is 160 120 00FF00 && pass "the next show starts after it" \
  || fail "the next show shows $(host_pixel 160 120)"
kill -TERM $pid; wait $pid 2>/dev/null

# Nothing chosen: the installation's samples, and a word on how to choose one's own. A
# user hive that does not parse: no box over the host's screen, the reason on the error
# stream and across the bottom of the window, and the show goes on with the defaults.
convert -size 200x100 xc:'#ffff00' -quality 95 "$work/sample.jpg"
samples_shown() { local c; c=$(host_pixel 160 120); [ "${c:0:2}" \> F0 ] && [ "${c:2:2}" \> F0 ] && [ "${c:4:2}" \< 10 ]; }
user_hive
"$lumivane" -window-id "$wid" 2> "$work/hosted.err" & pid=$!
until_true 30 samples_shown && grep -q 'lumivane /c' "$work/hosted.err" && pass "no pictures: the samples, and how to choose" \
  || fail "no pictures: centre $(host_pixel 160 120), said: $(cat "$work/hosted.err")"
kill -TERM $pid; wait $pid 2>/dev/null
printf 'not a hive\r\n' > "$LUMIVANE_HKCU"
: > "$work/boxes.log"
# (the defaults' effects are slow: the options still speed them up)
"$lumivane" -window-id "$wid" -speed 1 2> "$work/hosted.err" & pid=$!
# The reason comes with the show's first drawing, which clears the last show's picture.
until_true 30 host_is 2 237 303030 && until_true 30 samples_shown \
  && pass "a broken hive: the show goes on, the reason at the bottom" \
  || fail "broken hive: centre $(host_pixel 160 120), bottom $(host_pixel 2 237)"
grep -q 'Erreur lors du chargement' "$work/hosted.err" && [ ! -s "$work/boxes.log" ] \
  && pass "a broken hive: said on stderr, no box" || fail "broken hive: boxes $(cat "$work/boxes.log"), said $(cat "$work/hosted.err")"
kill -TERM $pid; wait $pid 2>/dev/null
rm "$work/sample.jpg"
user_hive "$work/red.bmp" "$work/green.bmp"

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
# The centre turns red while the effect still plays, and some effects reach the corners.
until_true 30 root_is 5 5 000080 && pass "-root: background colour around the picture" \
  || fail "-root: corner is $(root_pixel 5 5)"
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

# A command line as its users expect.
"$lumivane" --help > "$work/help.txt"; rc=$?
[ "$rc" = 0 ] && grep -q -- '-window-id' "$work/help.txt" && grep -q '/s' "$work/help.txt" && pass "--help" \
  || fail "--help: rc $rc"
"$lumivane" -window-id 0xdeadbee 2> "$work/bad.err"; rc=$?
[ "$rc" = 2 ] && grep -q "n'existe pas" "$work/bad.err" && pass "a window that does not exist is said" \
  || fail "-window-id 0xdeadbee: rc $rc, said $(cat "$work/bad.err")"

# A server without shared memory, as a remote display is: the same show, through the
# connection.
Xvfb -displayfd 3 -noreset -screen 0 640x480x24 -nolisten tcp -extension MIT-SHM 3>"$work/noshm.num" \
  2>"$work/noshm.log" &
if until_true 30 grep -q . "$work/noshm.num"; then
  # One host window at a time: the first one's stand-in goes.
  if [ -n "${HOST_PID:-}" ]; then kill "$HOST_PID" 2>/dev/null; wait "$HOST_PID" 2>/dev/null; fi
  noshm=":$(cat "$work/noshm.num")"
  coproc HOST { DISPLAY="$noshm" "$host_window" 320 240; }
  read -r -u "${HOST[0]}" wid
  user_hive "$work/red.bmp" "$work/green.bmp"
  DISPLAY="$noshm" "$lumivane" -window-id "$wid" & pid=$!
  until_true 30 all_red && pass "without MIT-SHM: the picture in the host window, to its corners" \
    || fail "without MIT-SHM: host centre is $(host_pixel 160 120)"
  until_true 30 host_is 160 120 00FF00 && pass "without MIT-SHM: the next picture" \
    || fail "without MIT-SHM: host centre stays $(host_pixel 160 120)"
  kill -TERM $pid; wait $pid 2>/dev/null
else
  fail "an X server without MIT-SHM did not start: $(cat "$work/noshm.log")"
fi

sanitizer_clean || failures=$((failures + 1))
[ $failures -eq 0 ]

#!/usr/bin/env bash
# The saver as a user meets it, in an X server of its own: the show, the ways to stop it,
# the warning without pictures, and the preview inside a host window.
#   saver_e2e.sh LUMIVANE HOST_WINDOW
set -uo pipefail
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"
host_window="$2"

validated_machine
user_hive() { user_settings '"Vitesse"=dword:00000002\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n' "$@"; }
# The pixel at x y of the last screenshot, as RRGGBB.
at() { image_pixel "$work/shot.png" "$1" "$2"; }
# wait_colour X Y RRGGBB SECONDS: screenshots until that pixel has that colour; the shot
# that shows it stays in $work/shot.png. The colour came after before_start (the start of
# the last shot without it, or of the wait) and by seen_end (the end of the shot with it).
shot_shows() { # X Y RRGGBB: one screenshot, timed, and whether it shows that colour there
  local start
  start=$(now_ms)
  import -window root "$work/shot.png" 2>/dev/null
  seen_end=$(now_ms)
  [ "$(at "$1" "$2")" = "$3" ] && return 0
  before_start=$start
  return 1
}
wait_colour() {
  before_start=$(now_ms)
  until_true "$4" shot_shows "$1" "$2" "$3"
}
# The show is up once its first picture, the red one, fills the centre.
show_up() { wait_colour 512 384 FF0000 30; }

# The show: the first picture centred on the background, the second after the interval.
user_hive "$work/red.bmp" "$work/green.bmp"
"$lumivane" /s & pid=$!
if show_up; then
  pass "first picture centred"
  red_before=$before_start red_end=$seen_end
  [ "$(at 5 5)" = "000080" ] && pass "background colour around it" || fail "corner is $(at 5 5), not navy"
  [ "$(at 311 233)" = "000080" ] && [ "$(at 312 234)" = "FF0000" ] && pass "picture placed at 312,234" \
    || fail "picture edge misplaced"
  if wait_colour 512 384 00FF00 30; then
    # Vitesse is 2: the second picture comes 2 s after the first, give or take the screenshots'
    # own length (bounded on both sides) and, late, the time to load it.
    earliest=$((before_start - red_end)) latest=$((seen_end - red_before))
    if [ "$latest" -ge 1900 ] && [ "$earliest" -le 6000 ]; then
      pass "second picture after the 2 s interval (between $earliest and $latest ms)"
    else
      fail "second picture between $earliest and $latest ms after the first, not 2 s"
    fi
  else
    fail "centre is $(at 512 384), not green"
  fi
else
  fail "centre is $(at 512 384), not red"
fi
xdotool key a
ends_within $pid 20 && pass "a key ends the saver" || fail "still running after a key"
wait $pid 2>/dev/null

# Mouse: a horizontal move does not stop it, a diagonal one of 3 by 3 does.
"$lumivane" /s & pid=$!
show_up || fail "no show for the mouse"
xdotool mousemove 300 300; sleep 0.3
xdotool mousemove 350 300; sleep 0.3
xdotool mousemove 350 302; sleep 0.5
alive $pid && pass "50 pixels across and 2 down do not stop it" || fail "stopped by a small move"
xdotool mousemove 303 303
ends_within $pid 20 && pass "a 3-by-3 diagonal move stops it" || fail "diagonal move did not stop it"
wait $pid 2>/dev/null

# A click stops it too.
"$lumivane" /s & pid=$!
show_up || fail "no show for the click"
xdotool click 1
ends_within $pid 20 && pass "a click stops it" || fail "click did not stop it"
wait $pid 2>/dev/null

# A named pipe between the two pictures: opening it would wait for a writer for ever. It
# is skipped, the show goes on to the next picture, and a key still stops it at once.
mkfifo "$work/pipe.jpg"
user_hive "$work/red.bmp" "$work/pipe.jpg" "$work/green.bmp"
"$lumivane" /s & pid=$!
show_up || fail "no show with a pipe in the list"
wait_colour 512 384 00FF00 30 && pass "a pipe in the list is skipped" || fail "stuck at the pipe: centre is $(at 512 384)"
xdotool key a
ends_within $pid 5 && pass "a key ends the saver past a pipe" || fail "still running past a pipe after a key"
wait $pid 2>/dev/null

# Without pictures: the warning, and the program ends.
user_hive
rm -f "$LUMIVANE_MSGBOX_LOG"
timeout 60 "$lumivane" /s; rc=$?
expected='Avertissement | warning | ok | Lumivane ne peut pas fonctionner sans images.\nVeuillez cliquer sur le bouton "Paramètres..."\ndans le panneau de configuration Affichage,\nonglet "Ecran de veille"\nafin d'"'"'ajouter vos images.'
[ "$rc" = 0 ] && [ "$(cat "$LUMIVANE_MSGBOX_LOG")" = "$expected" ] && pass "no pictures: the warning, then the end" \
  || { fail "no-picture warning (rc $rc)"; cat "$LUMIVANE_MSGBOX_LOG"; }

# Preview into a host window.
user_hive "$work/red.bmp"
coproc HOST { "$host_window" 152 112; }
read -r -u "${HOST[0]}" wid
"$lumivane" /p "$wid" & pid=$!
# Early in its first phase the logo rises from the bottom: the top rows are black, the
# bottom ones neither grey nor black.
logo_rising() {
  host_shot "$work/host.ppm"
  top=$(image_pixel "$work/host.ppm" 76 2) bottom=$(image_pixel "$work/host.ppm" 76 110)
  [ "$top" = "000000" ] && [ "$bottom" != "808080" ] && [ "$bottom" != "000000" ]
}
until_true 30 logo_rising && pass "preview draws into the host" || fail "host shows $top / $bottom"
start=$(now_ms)
timeout 60 "$lumivane" /p "$wid"; rc=$?
[ "$rc" = 0 ] && alive $pid && pass "a second preview ends by itself ($(($(now_ms) - start)) ms), the first goes on" \
  || fail "second preview rc $rc"
echo unmap >&"${HOST[1]}"; read -r -u "${HOST[0]}" _
ends_within $pid 30 && pass "unmapping the host ends the preview" || fail "preview still running"
echo quit >&"${HOST[1]}"
timeout 60 "$lumivane" /p abc 2> "$work/p.err"; rc=$?
[ "$rc" = 2 ] && grep -q 'fenêtre X' "$work/p.err" && pass "/p abc ends by itself, saying why" || fail "/p abc rc $rc"

sanitizer_clean || failures=$((failures + 1))
[ $failures -eq 0 ]

#!/usr/bin/env bash
# The saver as a user meets it, in an X server of its own: the show, the ways to stop it,
# the warning without pictures, and the preview inside a host window.
#   saver_e2e.sh LUMIVANE HOST_WINDOW
set -uo pipefail
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"
host_window="$2"

mkdir -p "$work/c" "$work/run"
export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work/c"
export LUMIVANE_MSGBOX_LOG="$work/boxes.log" LUMIVANE_MSGBOX_ANSWER=ok XDG_RUNTIME_DIR="$work/run"
chmod 700 "$work/run"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/red.bmp"
convert -size 400x300 xc:'#00ff00' "BMP3:$work/green.bmp"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s"\r\n"ConfigValidated"=dword:00000001\r\n' "$work" > "$LUMIVANE_HKLM"
user_hive() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Vitesse"=dword:00000002\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n' > "$LUMIVANE_HKCU"
  local i=0
  for p in "$@"; do printf '"%d"="%s"\r\n' $i "$p" >> "$LUMIVANE_HKCU"; i=$((i + 1)); done
}
pixel() { # x y: the screen's pixel as #RRGGBB
  import -window root "$work/shot.png" 2>/dev/null
  convert "$work/shot.png" -format "%[hex:p{$1,$2}]" info: 2>/dev/null | cut -c1-6
}
alive() { kill -0 "$1" 2>/dev/null; }
ends_within() { # pid tenths
  for _ in $(seq 1 "$2"); do alive "$1" || return 0; sleep 0.1; done
  ! alive "$1"
}

# The show: the first picture centred on the background, the second after the interval.
user_hive "$work/red.bmp" "$work/green.bmp"
"$lumivane" /s & pid=$!
sleep 1.2
[ "$(pixel 512 384)" = "FF0000" ] && pass "first picture centred" || fail "centre is $(pixel 512 384), not red"
[ "$(pixel 5 5)" = "000080" ] && pass "background colour around it" || fail "corner is $(pixel 5 5), not navy"
[ "$(pixel 311 233)" = "000080" ] && [ "$(pixel 312 234)" = "FF0000" ] && pass "picture placed at 312,234" \
  || fail "picture edge misplaced"
sleep 2.2
[ "$(pixel 512 384)" = "00FF00" ] && pass "second picture after the interval" || fail "centre is $(pixel 512 384), not green"
xdotool key a
ends_within $pid 10 && pass "a key ends the saver within a second" || fail "still running after a key"
wait $pid 2>/dev/null

# Mouse: a horizontal move does not stop it, a diagonal one of 3 by 3 does.
"$lumivane" /s & pid=$!
sleep 1
xdotool mousemove 300 300; sleep 0.3
xdotool mousemove 350 300; sleep 0.3
xdotool mousemove 350 302; sleep 0.5
alive $pid && pass "50 pixels across and 2 down do not stop it" || fail "stopped by a small move"
xdotool mousemove 303 303
ends_within $pid 10 && pass "a 3-by-3 diagonal move stops it" || fail "diagonal move did not stop it"
wait $pid 2>/dev/null

# A click stops it too.
"$lumivane" /s & pid=$!
sleep 1
xdotool click 1
ends_within $pid 10 && pass "a click stops it" || fail "click did not stop it"
wait $pid 2>/dev/null

# Without pictures: the warning, and the program ends.
user_hive
rm -f "$LUMIVANE_MSGBOX_LOG"
timeout 10 "$lumivane" /s; rc=$?
expected='Avertissement | warning | ok | Lumivane ne peut pas fonctionner sans images.\nVeuillez cliquer sur le bouton "Paramètres..."\ndans le panneau de configuration Affichage,\nonglet "Ecran de veille"\nafin d'"'"'ajouter vos images.'
[ "$rc" = 0 ] && [ "$(cat "$LUMIVANE_MSGBOX_LOG")" = "$expected" ] && pass "no pictures: the warning, then the end" \
  || { fail "no-picture warning (rc $rc)"; cat "$LUMIVANE_MSGBOX_LOG"; }

# Preview into a host window.
user_hive "$work/red.bmp"
coproc HOST { "$host_window" 152 112; }
read -r -u "${HOST[0]}" wid
"$lumivane" /p "$wid" & pid=$!
sleep 3
echo "shot $work/host.ppm" >&"${HOST[1]}"; read -r -u "${HOST[0]}" _
# After 3 s the logo is rising from the bottom: the top rows are black, the bottom ones not grey.
top=$(convert "$work/host.ppm" -format '%[hex:p{76,2}]' info: | cut -c1-6)
bottom=$(convert "$work/host.ppm" -format '%[hex:p{76,110}]' info: | cut -c1-6)
[ "$top" = "000000" ] && [ "$bottom" != "808080" ] && [ "$bottom" != "000000" ] && pass "preview draws into the host" \
  || fail "host shows $top / $bottom"
start=$(date +%s%N)
timeout 5 "$lumivane" /p "$wid"; rc=$?
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$rc" = 0 ] && [ "$elapsed" -lt 1000 ] && pass "a second preview ends at once (${elapsed} ms)" || fail "second preview rc $rc after ${elapsed} ms"
echo unmap >&"${HOST[1]}"; read -r -u "${HOST[0]}" _
ends_within $pid 20 && pass "unmapping the host ends the preview" || fail "preview still running"
echo quit >&"${HOST[1]}"
timeout 5 "$lumivane" /p abc; rc=$?
[ "$rc" = 0 ] && pass "/p abc ends at once" || fail "/p abc rc $rc"

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed" >/dev/null
[ $failures -eq 0 ]

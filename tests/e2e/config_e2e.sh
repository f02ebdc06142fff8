#!/usr/bin/env bash
# The dialog as a user meets it, in an X server of its own: the first /s opens it, a
# folder of pictures is added and validated, Escape writes nothing, then /s shows them.
#   config_e2e.sh LUMIVANE HOST_WINDOW [SHOT_DIR]
set -uo pipefail
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"
host_window="$2"
shots="${3:-}"
shot() { import -window root "$work/shot.png" 2>/dev/null; [ -z "$shots" ] || cp "$work/shot.png" "$shots/$1.png"; }
pixel() { shot "${3:-last}"; image_pixel "$work/shot.png" "$1" "$2"; }

mkdir -p "$work/c" "$work/run" "$work/inst" "$work/pics/sub"
chmod 700 "$work/run"
export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work/c" HOME="$work"
export LUMIVANE_MSGBOX_LOG="$work/boxes.log" LUMIVANE_MSGBOX_ANSWER=no XDG_RUNTIME_DIR="$work/run"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s/inst/"\r\n' "$work" > "$LUMIVANE_HKLM"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Afficher Dlg Lettre info"=dword:00000001\r\n' > "$LUMIVANE_HKCU"
for c in red lime blue; do convert -size 400x300 "xc:$c" -quality 95 "$work/pics/$c.jpg"; done
convert -size 400x300 xc:yellow "BMP3:$work/pics/yellow.bmp"   # a folder gives its jpg files only
convert -size 400x300 xc:white "$work/pics/sub/white.jpg"      # and not those of its subfolders

# Never validated: /s opens the dialog instead of the show.
"$lumivane" /s & pid=$!
id="$(window_named "Paramètres de Lumivane v3.376")"
[ -n "$id" ] && pass "the first /s opens the dialog" || { fail "no dialog"; exit 1; }
[ -z "$shots" ] || { sleep 0.5; shot dialog-empty; }  # a picture for the record only
eval "$(xdotool getwindowgeometry --shell "$id")"
rows() { import -window root -crop "340x40+$((X + 10))+$((Y + 25))" "$work/$1.png" 2>/dev/null; }
visible_chooser() { xdotool search --onlyvisible --name "Choisissez un dossier" 2>/dev/null | head -1; }
chooser_open() { [ -n "$(visible_chooser)" ]; }
# The list is drawn once its top rows hold more than one colour, with no chooser over them
# (a chooser that opens late, on a busy machine, covers the list with colours of its own).
rows_drawn() {
  chooser_open && return 1
  rows before
  ! chooser_open && [ "$(convert "$work/before.png" -format '%k' info: 2>/dev/null)" -gt 1 ]
}
# Valider is enabled exactly when the list holds pictures: its caption is then black, where
# a disabled one is grey. Unlike the list's own pixels, no focus frame or selection can
# pass for it.
pictures_listed() {
  chooser_open && return 1
  import -window root -crop "111x40+$((X + 665))+$((Y + 465))" "$work/ok.png" 2>/dev/null
  ! chooser_open && [ "$(convert "$work/ok.png" -colorspace Gray -threshold 25% -format '%[fx:mean<1]' info: 2>/dev/null)" = 1 ]
}
xdotool windowfocus --sync "$id" key alt+d
chooser="$(window_named "Choisissez un dossier")"
[ -n "$chooser" ] && pass "Ajouter un dossier opens the folder chooser" || fail "no folder chooser"
# Keys typed before the chooser's name box has the focus are lost (the busier the machine,
# the later it gets it): the folder is typed again over what is there until the chooser
# closes. Any visible window of that name counts, not only the first one found.
choose_folder() {
  local w
  w="$(visible_chooser)"
  [ -n "$w" ] || return 0
  xdotool windowfocus --sync "$w" key ctrl+a type --delay 5 "$work/pics"
  xdotool key Return
  until_true 3 eval '! chooser_open'
}
until_true 60 choose_folder || fail "the chooser stayed open"
# A Return that reached the chooser before the folder's name did chooses the folder it was
# showing, which holds no pictures: the folder is asked for again until the list shows some.
# The list fills only after its folder has been read, later the busier the machine: it is
# given time first, so that a folder already added is not added twice.
add_again() {
  until_true 30 pictures_listed && return 0
  xdotool windowfocus --sync "$id" key alt+d
  window_named "Choisissez un dossier" >/dev/null
  until_true 60 choose_folder
  until_true 5 pictures_listed
}
until_true 150 add_again || fail "the list stayed empty"
until_true 30 eval '! chooser_open' || fail "a folder chooser is still open"
shot dialog-filled
# A key sent as the chooser's modal loop ends can be lost as the chooser's were: Alt+V is
# pressed again until the program ends (a second press of a closing dialog does nothing).
press_valider() { ended $pid && return 0; xdotool windowfocus --sync "$id" key alt+v 2>/dev/null; until_true 5 ended $pid; }
until_true 60 press_valider && pass "Valider ends the program" \
  || { fail "Valider did not end the program; on screen: $(visible_windows); boxes: $(cat "$work/boxes.log" 2>/dev/null)"
       kill $pid; }
wait $pid 2>/dev/null

images="$(grep -c '^"[0-9]*"=' "$LUMIVANE_HKCU")"
jpgs="$(grep -c '^"[0-9]*"=".*/pics/\(red\|lime\|blue\)\.jpg"' "$LUMIVANE_HKCU")"
[ "$images" = 3 ] && [ "$jpgs" = 3 ] && pass "the folder's three jpg files are stored, nothing else" \
  || { fail "$images pictures stored"; grep pics "$LUMIVANE_HKCU"; }
grep -q "\"Dossier Images\"=\"$work/pics\"" "$LUMIVANE_HKCU" && pass "the folder is remembered" || fail "Dossier Images not stored"
sel="$(sed -n 's/^"Selection"="\([01]*\)".*/\1/p' "$LUMIVANE_HKCU")"
[ "${#sel}" = 228 ] && pass "Selection has 228 characters" || fail "Selection is '${sel}'"
grep -q '"ConfigValidated"=dword:00000001' "$LUMIVANE_HKLM" && pass "validated" || fail "ConfigValidated not set"
grep -q "Vous avez modifié la liste des images" "$work/boxes.log" && pass "the size check was offered" || fail "no size check"

# Escape closes it and writes nothing.
cp "$LUMIVANE_HKCU" "$work/before.reg"
"$lumivane" /c & pid=$!
id="$(window_named "Paramètres de Lumivane v3.376")"
eval "$(xdotool getwindowgeometry --shell "$id")"
until_true 30 rows_drawn || fail "the list was not drawn"
shot dialog-stored
xdotool mousemove $((X + 60)) $((Y + 30)) click 1
xdotool windowfocus --sync "$id" key Delete
rows_changed() { rows after; [ "$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1)" != 0 ]; }
until_true 30 rows_changed && pass "Delete removed a row" || fail "Delete changed nothing"
xdotool key Escape
ends_within $pid 30 && pass "Escape closes the dialog" || fail "Escape did not close the dialog"
wait $pid 2>/dev/null
cmp -s "$LUMIVANE_HKCU" "$work/before.reg" && pass "Escape writes nothing" || fail "the hive changed"

# Asked for by another program's window: the dialog stays above that window; a window
# number that names no window is no obstacle.
coproc HOST { "$host_window" 300 200; }
read -r host <&"${HOST[0]}"
for parent in "$host" 99999999; do
  "$lumivane" "/c:$parent" & pid=$!
  id="$(window_named "Paramètres de Lumivane v3.376")"
  if [ -z "$id" ]; then fail "no dialog for /c:$parent"; kill $pid; continue; fi
  transient="$(xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | sed -n 's/.*# //p')"
  if [ "$parent" = "$host" ]; then
    [ -n "$transient" ] && [ "$((transient))" = "$host" ] && pass "transient for the asking window" \
      || fail "WM_TRANSIENT_FOR is '$transient', not $host"
  else
    pass "opens for a window that does not exist"
  fi
  xdotool windowfocus --sync "$id" key Escape
  ends_within $pid 30 || { fail "Escape did not close the dialog for /c:$parent"; kill $pid; }
  wait $pid 2>/dev/null
done
echo quit >&"${HOST[1]}"

# The show now runs with those pictures.
"$lumivane" /s & pid=$!
# The first picture arrives through an effect at the chosen speed: give it time.
chosen_shown() {
  centre="$(pixel 512 384 show)"
  case "$centre" in F?0?0?|0?F?0?|0?0?F?) return 0 ;; *) return 1 ;; esac
}
until_true 60 chosen_shown && pass "the show draws a chosen picture ($centre)" || fail "the centre of the screen is $centre"
xdotool key a
ends_within $pid 30 || { fail "the show did not end at a key; on screen: $(visible_windows)"; kill $pid; }
wait $pid 2>/dev/null
sanitizer_clean || failures=$((failures + 1))
[ "$failures" = 0 ] && echo "dialog end to end: all passed" || echo "dialog end to end: $failures failed"
[ "$failures" = 0 ]

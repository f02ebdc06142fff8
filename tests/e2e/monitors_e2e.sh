#!/usr/bin/env bash
# Two monitors: the show runs on the primary one, the other is covered with the
# background colour, and input on the other one stops the saver too.
#   monitors_e2e.sh LUMIVANE
set -uo pipefail
# -noreset: this X server crashes when it resets two screens after its last client.
export E2E_SCREENS="-screen 0 640x480x24 -screen 1 640x480x24 -noreset"
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"

mkdir -p "$work/c" "$work/run"
export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work/c"
export LUMIVANE_MSGBOX_LOG="$work/boxes.log" LUMIVANE_MSGBOX_ANSWER=ok XDG_RUNTIME_DIR="$work/run"
chmod 700 "$work/run"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/red.bmp"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s"\r\n"ConfigValidated"=dword:00000001\r\n' "$work" > "$LUMIVANE_HKLM"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Vitesse"=dword:00000002\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n"0"="%s"\r\n' "$work/red.bmp" > "$LUMIVANE_HKCU"

pixel() { # screen x y
  import -display "${DISPLAY%.*}.$1" -window root "$work/shot$1.png" 2>/dev/null
  convert "$work/shot$1.png" -format "%[hex:p{$2,$3}]" info: 2>/dev/null | cut -c1-6
}
is() { [ "$(pixel "$1" "$2" "$3")" = "$4" ]; }
ended() { ! kill -0 "$1" 2>/dev/null; }
until_true() {
  local deadline=$(( $(date +%s%N) + $1 * 1000000000 )); shift
  while ! "$@"; do [ "$(date +%s%N)" -lt "$deadline" ] || return 1; sleep 0.05; done
}

"$lumivane" /s & pid=$!
until_true 20 is 0 320 240 FF0000 && pass "the show on the primary screen" || fail "primary centre is $(pixel 0 320 240)"
until_true 10 is 1 320 240 000080 && is 1 2 2 000080 && pass "the second screen covered with the background colour" \
  || fail "second screen shows $(pixel 1 320 240)"
xdotool mousemove --screen 1 100 100; sleep 0.2; xdotool mousemove --screen 1 160 160
until_true 10 ended $pid && pass "a move on the second screen stops the saver" || fail "still running after a move there"
wait $pid 2>/dev/null

"$lumivane" /s & pid=$!
until_true 20 is 1 320 240 000080 || fail "second screen not covered again"
xdotool key a
until_true 10 ended $pid && pass "a key stops it and both screens are let go" || fail "still running after a key"
[ $failures -eq 0 ]

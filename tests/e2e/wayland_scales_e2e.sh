#!/usr/bin/env bash
# The show on Wayland outputs of mixed scales, in a headless sway of its own: an output at
# scale 2 beside one at scale 1, then the scales swapped. The show's output (the first)
# gets a picture of one-pixel stripes one for one, whatever its scale or the other's, and
# the other output is covered in the background colour to its last device pixel; with
# TousLesEcrans, the other output has a show of its own, placed in its own device pixels.
#   wayland_scales_e2e.sh LUMIVANE
# sway refuses to run as root: run as root, the script runs itself again as a user of its own.
set -uo pipefail
lumivane="$1"
for tool in sway swaymsg grim; do
  command -v "$tool" >/dev/null || { echo "wayland_scales_e2e: $tool is missing (scripts/test installs it)"; exit 1; }
done
. "$(dirname "$0")/e2e_user.sh" lumivane-e2e-scales "$0" "$@"

. "$(dirname "$0")/e2e_wait.sh"
work="$(mktemp -d)"
unset DISPLAY QT_QPA_PLATFORM XDG_SESSION_ID
export XDG_RUNTIME_DIR="$work/run" HOME="$work"
mkdir -p "$work/run" "$work/c"
chmod 700 "$work/run"

# Positions are in logical pixels: the first output is 1280 wide at scale 2.
cat > "$work/sway.cfg" <<'EOF'
output HEADLESS-1 resolution 2560x1440 scale 2 position 0 0
output HEADLESS-2 resolution 640x480 scale 1 position 1280 0
xwayland disable
EOF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=2 \
  sway -c "$work/sway.cfg" > "$work/sway.log" 2>&1 &
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
socket_up() { ls "$work/run"/sway-ipc.*.sock >/dev/null 2>&1 && [ -S "$work/run/wayland-1" ]; }
until_true 30 socket_up || { echo "FAIL: sway did not start"; cat "$work/sway.log"; exit 1; }
export WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$(ls "$work/run"/sway-ipc.*.sock | head -1)"

export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work/c"
export LUMIVANE_MSGBOX_LOG="$work/boxes.log" LUMIVANE_MSGBOX_ANSWER=ok
stripe_picture "$work/stripes.bmp" 2560 1440
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s"\r\n"ConfigValidated"=dword:00000001\r\n' "$work" > "$LUMIVANE_HKLM"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Vitesse"=dword:00000078\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n"0"="%s/stripes.bmp"\r\n' "$work" > "$LUMIVANE_HKCU"

# shot OUTPUT SCALE: a screenshot of the output at its device pixels (grim's own default is
# the largest scale of all outputs).
shot() { grim -o "$1" -s "$2" "$work/$1.png" 2>/dev/null; }
# striped OUTPUT SCALE: stripes at the centre and in two corners of its 2560 x 1440 pixels.
striped() {
  shot "$1" "$2" || return 1
  for at in "1280 720" "0 0" "2552 1439"; do striped_at "$work/$1.png" $at || return 1; done
}
# covered OUTPUT SCALE W H: navy at its centre and in its four corners of W x H pixels.
covered() {
  shot "$1" "$2" || return 1
  for at in "$(($3 / 2)) $(($4 / 2))" "0 0" "$(($3 - 1)) 0" "0 $(($4 - 1))" "$(($3 - 1)) $(($4 - 1))"; do
    [ "$(image_pixel "$work/$1.png" $at)" = 000080 ] || return 1
  done
}
# show_on FIRST_SCALE SECOND_SCALE SECOND_W SECOND_H: one show, checked on both outputs.
show_on() {
  "$lumivane" /s 2>> "$work/saver.err" & pid=$!
  until_true 30 striped HEADLESS-1 "$1" \
    && pass "at scale $1 beside scale $2, the show's output has every device pixel of the picture" \
    || fail "at scale $1 beside scale $2, the show's output is not striped at its centre and corners"
  until_true 30 covered HEADLESS-2 "$2" "$3" "$4" \
    && pass "at scale $2 beside scale $1, the other output is covered to its last pixel" \
    || fail "at scale $2 beside scale $1, the other output shows $(image_pixel "$work/HEADLESS-2.png" 2 2) at 2,2"
  kill -TERM $pid
  ends_within $pid 20 || fail "the show did not end on SIGTERM"
  wait $pid 2>/dev/null
}

show_on 2 1 640 480
swaymsg -q output HEADLESS-1 scale 1
swaymsg -q output HEADLESS-2 resolution 1280x960 scale 2 position 2560 0
show_on 1 2 1280 960

# With TousLesEcrans, each output has a show of its own at its own device pixels: the
# second's 1280 x 960 at scale 2 get the 2560 x 1440 picture reduced to 1280 x 720, centred
# between navy bands of 120 pixels (in its 640 x 480 logical pixels, it would fill a quarter).
sed -i 's/^"Effet"=dword:00000000/&\r\n"TousLesEcrans"=dword:00000001/' "$LUMIVANE_HKCU"
centred_on() { # OUTPUT, 1280 x 960 at scale 2
  shot "$1" 2 || return 1
  for at in "2 122" "1277 837" "640 480"; do [ "$(image_pixel "$work/$1.png" $at)" != 000080 ] || return 1; done
  for at in "2 117" "1277 842" "640 2" "640 957"; do [ "$(image_pixel "$work/$1.png" $at)" = 000080 ] || return 1; done
}
"$lumivane" /s 2>> "$work/saver.err" & pid=$!
until_true 30 striped HEADLESS-1 1 && pass "with TousLesEcrans, the first output has its picture one for one" \
  || fail "with TousLesEcrans, the first output is not striped"
until_true 30 centred_on HEADLESS-2 && pass "with TousLesEcrans, the scaled second output has its own picture at its device pixels" \
  || fail "with TousLesEcrans, the second output shows $(image_pixel "$work/HEADLESS-2.png" 640 480) at its centre"
# A monitor plugged in during the show has a show of its own; without TousLesEcrans, a cover.
# Its mode is the compositor's from the start, as a desktop applies a known monitor's.
swaymsg -q output HEADLESS-3 resolution 1280x960 scale 2 position 3840 0
swaymsg -q create_output
until_true 30 centred_on HEADLESS-3 && pass "an output plugged in during the shows has its own" \
  || fail "the output plugged in shows $(image_pixel "$work/HEADLESS-3.png" 640 480) at its centre"
kill -TERM $pid
ends_within $pid 20 || fail "the shows did not end on SIGTERM"
wait $pid 2>/dev/null
sed -i '/"TousLesEcrans"/d' "$LUMIVANE_HKCU"
"$lumivane" /s 2>> "$work/saver.err" & pid=$!
until_true 30 covered HEADLESS-3 2 1280 960 || fail "the third output was not covered"
swaymsg -q output HEADLESS-4 resolution 1280x960 scale 2 position 4480 0
swaymsg -q create_output
until_true 30 covered HEADLESS-4 2 1280 960 && until_true 30 striped HEADLESS-1 1 \
  && pass "an output plugged in during the show is covered, and the show stays where it was" \
  || fail "the output plugged in shows $(image_pixel "$work/HEADLESS-4.png" 2 2) at 2,2"
kill -TERM $pid
ends_within $pid 20 || fail "the show did not end on SIGTERM"
wait $pid 2>/dev/null

grep -q 'grabbing' "$work/saver.err" && fail "the saver asked for a grab: $(cat "$work/saver.err")"
sanitizer_clean || failures=$((failures + 1))
[ "$failures" = 0 ] && echo "wayland scales test passed" || echo "wayland scales test: $failures failed"
[ "$failures" = 0 ]

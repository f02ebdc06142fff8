#!/usr/bin/env bash
# The saver on a Wayland desktop, in a headless sway of its own with two outputs, XWayland
# started only if an X11 client asks: the show covers the first output and the other takes
# the background colour, the pictures alternate, a key, a pointer move and a click each stop
# it, SIGTERM ends it (as an idle daemon does), swayidle starts it, with DISPLAY set it is
# still a Wayland window, the dialog opens, and the preview, which draws into an X11 window,
# says it needs X11.
#   wayland_e2e.sh LUMIVANE POINTER_DEVICE IDLE_INHIBITOR
# sway refuses to run as root: run as root, the script runs itself again as a user of its own.
set -uo pipefail
lumivane="$1"
pointer_device="$2"
idle_inhibitor="$3"
for tool in sway swaymsg grim wtype swayidle; do
  command -v "$tool" >/dev/null || { echo "wayland_e2e: $tool is missing (scripts/test installs it)"; exit 1; }
done
. "$(dirname "$0")/e2e_user.sh" lumivane-e2e "$0" "$@"

. "$(dirname "$0")/e2e_wait.sh"
work="$(mktemp -d)"
unset DISPLAY  # nothing here may lean on XWayland (sway starts it only for an X11 client)
unset QT_QPA_PLATFORM  # the choice of the window system is what is tested (scripts/test sets xcb)
unset XDG_SESSION_ID  # the watcher must never lock the real session
export XDG_RUNTIME_DIR="$work/run" HOME="$work"
mkdir -p "$work/run" "$work/c"
chmod 700 "$work/run"

cat > "$work/sway.cfg" <<'EOF'
output HEADLESS-1 resolution 1280x720 position 0 0
output HEADLESS-2 resolution 640x480 position 1280 0
xwayland enable
EOF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=2 \
  sway -c "$work/sway.cfg" > "$work/sway.log" 2>&1 & sway_pid=$!
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
socket_up() { ls "$work/run"/sway-ipc.*.sock >/dev/null 2>&1 && [ -S "$work/run/wayland-1" ]; }
until_true 30 socket_up || { echo "FAIL: sway did not start"; cat "$work/sway.log"; exit 1; }
export WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$(ls "$work/run"/sway-ipc.*.sock | head -1)"
# A headless compositor has no pointer: give its seat one, which swaymsg's cursor moves.
exec {pointer}> >("$pointer_device" > "$work/pointer.log")
until_true 30 grep -q ready "$work/pointer.log" || fail "no pointer device"

export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work/c"
export LUMIVANE_MSGBOX_LOG="$work/boxes.log" LUMIVANE_MSGBOX_ANSWER=ok
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s"\r\n"ConfigValidated"=dword:00000001\r\n' "$work" > "$LUMIVANE_HKLM"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Vitesse"=dword:00000002\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n"0"="%s/red.bmp"\r\n"1"="%s/green.bmp"\r\n' "$work" "$work" > "$LUMIVANE_HKCU"
convert -size 400x300 xc:'#ff0000' "BMP3:$work/red.bmp"
convert -size 400x300 xc:'#00ff00' "BMP3:$work/green.bmp"

# pixel OUTPUT X Y: that pixel of a screenshot of one output, as RRGGBB.
pixel() { grim -o "$1" "$work/shot.png" 2>/dev/null && image_pixel "$work/shot.png" "$2" "$3"; }
shows() { [ "$(pixel "$1" "$2" "$3")" = "$4" ]; }
show_up() { until_true 30 shows HEADLESS-1 640 360 FF0000; }
start_saver() { "$lumivane" /s 2>> "$work/saver.err" & pid=$!; }
finish() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; }  # after a check that it ended

# The show: over the whole first output (no title bar, no border), the other output covered.
start_saver
if show_up; then
  pass "the first picture, centred"
  shows HEADLESS-1 2 2 000080 && shows HEADLESS-1 1277 717 000080 && pass "the show covers the whole output" \
    || fail "output corners are $(pixel HEADLESS-1 2 2) and $(pixel HEADLESS-1 1277 717), not navy"
  shows HEADLESS-1 439 209 000080 && shows HEADLESS-1 440 210 FF0000 && pass "the picture placed at 440,210" \
    || fail "picture edge misplaced"
  until_true 30 shows HEADLESS-1 640 360 00FF00 && pass "the next picture after the interval" \
    || fail "centre stays $(pixel HEADLESS-1 640 360)"
else
  fail "centre is $(pixel HEADLESS-1 640 360), not red"; cat "$work/saver.err"
fi
grep -q 'grabbing' "$work/saver.err" && fail "the saver asked for a grab: $(cat "$work/saver.err")"
# The seat has no keyboard until wtype brings its virtual one, and the key that brings it
# arrives before the window knows the keyboard (the later, the busier the machine); each
# wtype brings a keyboard of its own. So each try types four keys 0.6 s apart, and tries
# go on until one ends it, which a key must do within seconds (a busy machine's client
# takes its time over each new keyboard's keymap).
key_ends() { wtype -s 600 aaaa; until_true 1 ended $pid; }
until_true 40 key_ends && pass "a key ends the saver" || fail "still running after keys"
finish $pid

start_saver
show_up || fail "no show for the pointer"
swaymsg -q seat - cursor move 50 0; sleep 0.3
swaymsg -q seat - cursor move 50 2; sleep 0.5
alive $pid && pass "50 pixels across and 2 down do not stop it" || fail "stopped by a small move"
swaymsg -q seat - cursor move 3 3
ends_within $pid 20 && pass "a 3-by-3 diagonal move stops it" || fail "diagonal move did not stop it"
finish $pid

start_saver
show_up || fail "no show for the click"
swaymsg -q seat - cursor press button1
swaymsg -q seat - cursor release button1
ends_within $pid 20 && pass "a click stops it" || fail "click did not stop it"
finish $pid

# The second output covered in the background colour, and a move over it stops the show.
# (This headless sway, once it has a pointer, draws an output again only when the cursor
# is on it: the pointer goes there first. Entering the cover is no motion; the first
# motion there records the point, the next one stops it.)
start_saver
show_up || fail "no show for the cover"
swaymsg -q seat - cursor set 1600 240
until_true 30 shows HEADLESS-2 320 240 000080 && pass "the second output covered in the background colour" \
  || fail "second output shows $(pixel HEADLESS-2 320 240)"
alive $pid && pass "entering the other output does not stop it" || fail "stopped on entering the cover"
swaymsg -q seat - cursor move 5 5; sleep 0.3
swaymsg -q seat - cursor move 5 5
ends_within $pid 20 && pass "a move over the other output stops it" || fail "a move over the cover did not stop it"
finish $pid

# An idle daemon: swayidle starts the show after a second without input and ends it with
# SIGTERM when input comes back.
swayidle -w timeout 1 "exec '$lumivane' /s" resume "pkill -TERM -u $(id -u) -x lumivane" & idle=$!
show_up && pass "swayidle starts the show when the session is idle" || fail "swayidle did not start the show"
saver_pid=$(pgrep -u "$(id -u)" -x lumivane | head -1)
if [ -n "$saver_pid" ]; then
  # swayidle -w waits for the show it started: what it would send on resume, sent here.
  start=$(now_ms)
  kill -TERM "$saver_pid"
  until_true 5 eval '! kill -0 '"$saver_pid"' 2>/dev/null' \
    && pass "SIGTERM ends it ($(($(now_ms) - start)) ms)" || fail "still running after SIGTERM"
fi
kill -KILL $idle 2>/dev/null
cover_gone() { ! shows HEADLESS-2 320 240 000080; }
until_true 20 cover_gone && pass "nothing of the show is left on screen" || fail "a cover stayed on the second output"

# The watcher in place of swayidle: sway's idle protocol, the show after the delay, a key
# ends it, and the next idle period brings it again.
# A bus of its own: nothing of the session the tests run in (its lock above all) is reached.
dbus-run-session -- "$lumivane" --watch --delay 1 2> "$work/watch.log" & watcher=$!
until_true 20 grep -Eq "inactivité lue par (ext-idle-notify-v1|org_kde_kwin_idle)" "$work/watch.log" \
  && pass "the watcher reads sway's idle time" || fail "the watcher: $(cat "$work/watch.log")"
show_up && pass "the watcher starts the show" || fail "the watcher started no show"
pid=$(pgrep -u "$(id -u)" -f -- "lumivane /s$" | head -1)
[ -n "$pid" ] && until_true 40 key_ends && pass "a key ends the watcher's show" || fail "the watcher's show did not end"
until_true 20 cover_gone || fail "the watcher's show stayed on screen"
show_up && pass "the next idle period starts it again" || fail "no second show from the watcher"
# A film's window holding a Wayland idle inhibitor: sway's idle time stands still.
pid=$(pgrep -u "$(id -u)" -f -- "lumivane /s$" | head -1)
[ -n "$pid" ] && until_true 40 key_ends || fail "the second show did not end"
until_true 20 cover_gone || fail "the second show stayed on screen"
sleep 3600 | "$idle_inhibitor" > "$work/film.out" 2>&1 & film=$!
until_true 20 grep -q ready "$work/film.out" || fail "no film window: $(cat "$work/film.out")"
swaymsg -q seat - cursor move 5 5
if until_true 4 shows HEADLESS-1 640 360 FF0000; then fail "a show over the film's inhibitor"
else pass "no show while a film's window holds an idle inhibitor"; fi
kill $film
show_up && pass "the show once the film has ended" || fail "no show after the film"
# The watcher itself, not the bus's runner, which would leave it behind: the runner ends
# with it.
pkill -TERM -u "$(id -u)" -f -- "^[^ ]*/lumivane --watch"
ends_within $watcher 20 && pass "SIGTERM ends the watcher and its show" || fail "the watcher did not end"
until_true 20 cover_gone || fail "the watcher's show outlived it"

# With XWayland there too (DISPLAY set, as desktops do), the show is still a Wayland window.
swaymsg -q exec "echo \$DISPLAY > $work/xdisplay"
until_true 30 test -s "$work/xdisplay" || fail "sway gave no DISPLAY"
DISPLAY="$(cat "$work/xdisplay")" "$lumivane" /s 2>> "$work/saver.err" & pid=$!
show_up || fail "no show with DISPLAY set"
# Waited for in sway's tree, not on screen: an output the cursor has left is not drawn
# again, and may still show the last show's picture. The tree is read first: grep -q
# leaving a pipe early would fail the writer under pipefail.
shells() { swaymsg -t get_tree | grep -o '"shell": "[a-z_]*"' | sort | uniq -c | paste -sd ' '; }
native() {
  local tree
  tree="$(swaymsg -t get_tree)"
  grep -q '"shell": "xdg_shell"' <<< "$tree" && ! grep -q '"shell": "xwayland"' <<< "$tree"
}
until_true 30 native && pass "with DISPLAY set the show is native Wayland" \
  || fail "with DISPLAY set, the windows' shells: $(shells)"
until_true 40 key_ends && pass "a key ends it there" || fail "still running after keys, with DISPLAY set"
finish $pid

# The dialog opens natively.
"$lumivane" /c 2> "$work/dialog.err" & pid=$!
dialog_up() { grep -q '"name": "Paramètres de Lumivane' <<< "$(swaymsg -t get_tree 2>/dev/null)"; }
until_true 30 dialog_up && pass "the dialog opens" || { fail "no dialog window"; cat "$work/dialog.err"; }
finish $pid

# The preview draws into an X11 window given by number: without X11 it says so.
timeout 30 "$lumivane" /p 12345 2> "$work/preview.err"; rc=$?
[ "$rc" -ne 0 ] && grep -q X11 "$work/preview.err" && pass "/p says it needs X11 (exit $rc)" \
  || fail "/p N: exit $rc, said: $(cat "$work/preview.err")"

exec {pointer}>&-
# In the sanitizer build every program must also have ended clean.
sanitizer_clean || failures=$((failures + 1))
[ $failures -eq 0 ]

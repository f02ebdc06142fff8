#!/usr/bin/env bash
# The idle watcher as a session runs it, in an X server and on a session bus of its own:
# the show after the delay, again after the next one, nothing while a film holds an
# inhibitor, one watcher per session, and the lock asked for when the user comes back.
#   watch_e2e.sh LUMIVANE DBUS_STAND_IN
set -uo pipefail
if [ -z "${LUMIVANE_E2E_BUS:-}" ]; then
  export LUMIVANE_E2E_BUS=1
  exec dbus-run-session -- "$0" "$@"
fi
. "$(dirname "$0")/e2e_common.sh" "$@"
lumivane="$1"
stand_in="$2"
# Never the real session's lock.
unset XDG_SESSION_ID XDG_CURRENT_DESKTOP WAYLAND_DISPLAY

validated_machine
user_settings '"Vitesse"=dword:00000002\r\n"Effet"=dword:00000000\r\n"VerrouAuRetour"=dword:00000000\r\n' \
  "$work/red.bmp" "$work/green.bmp"
centre() { import -window root "$work/shot.png" 2>/dev/null && image_pixel "$work/shot.png" 512 384; }
showing() { [ "$(centre)" = FF0000 ] || [ "$(centre)" = 00FF00 ]; }
not_showing() { ! showing; }
logged() { grep -q "$1" "$work/watch.log"; }
# start_stand_in NAME ARGS...: a stand-in, whose input never ends, in $NAME once it is ready.
start_stand_in() {
  local name="$1"
  shift
  sleep 3600 | "$stand_in" "$@" > "$work/$name.out" 2>&1 &
  printf -v "$name" %s $!
  until_true 10 grep -q ready "$work/$name.out"
}
# end_stand_in PID: the stand-in goes, and with it its connection to the bus.
end_stand_in() { kill "$1"; ends_within "$1" 20 || fail "a stand-in did not end"; }
start_watcher() {
  : > "$work/watch.log"
  "$lumivane" --watch --delay 2 2>>"$work/watch.log" & watcher=$!
  until_true 20 logged "inactivité lue par" || { fail "the watcher did not start"; cat "$work/watch.log"; }
}

start_watcher
logged "MIT-SCREEN-SAVER" && pass "idle time read from the X server" || fail "idle source: $(cat "$work/watch.log")"
# One watcher per session.
"$lumivane" --watch --delay 2 2>"$work/second.log"; status=$?
[ "$status" = 1 ] && grep -q "un veilleur surveille déjà cette session (processus $watcher)" "$work/second.log" \
  && pass "a second watcher refuses" || fail "second watcher: status $status, $(cat "$work/second.log")"

# The show after 2 s without input, not before.
xdotool mousemove 10 10
input=$(now_ms)
if until_true 30 showing; then
  seen=$(( $(now_ms) - input ))
  # The input came a little before xdotool returned: a show on time may look a little early.
  [ "$seen" -ge 1800 ] && pass "the show came $seen ms after the last input" || fail "the show came after $seen ms"
else
  fail "no show after the delay: $(cat "$work/watch.log")"
fi
xdotool key a
until_true 20 logged "diaporama fini" && until_true 10 not_showing && pass "a key ends the show" \
  || fail "the show did not end on a key"
until_true 30 showing && pass "the next idle period starts it again" || fail "no second show"
xdotool key a
until_true 20 not_showing || fail "the second show did not end"

# A film holds an inhibitor through the watcher's own org.freedesktop.ScreenSaver.
logged "org.freedesktop.ScreenSaver est offert" || fail "the watcher did not offer org.freedesktop.ScreenSaver"
start_stand_in film inhibit || fail "the film stand-in could not inhibit: $(cat "$work/film.out")"
logged "film empêche le diaporama" || fail "the watcher did not see the film's inhibitor"
xdotool mousemove 20 20
until_true 30 logged "une application empêche la mise en veille" && not_showing \
  && pass "no show while a film holds an inhibitor" || fail "a show started over the film"
# The film ends: its inhibitor goes with its connection.
end_stand_in "$film"
until_true 30 showing && pass "the show comes once the film has ended" || fail "no show after the film"
# Told to go, the watcher takes the show with it and locks nothing.
kill -TERM $watcher
ends_within $watcher 20 && pass "SIGTERM ends the watcher" || fail "the watcher did not end"
until_true 20 not_showing && pass "and the show it started" || fail "the show outlived its watcher"

# A desktop that offers the service and its lock: the end by input asks it to lock.
user_settings '"Vitesse"=dword:00000002\r\n"Effet"=dword:00000000\r\n' "$work/red.bmp"
start_stand_in desktop desktop "$work/desktop.log" || fail "the desktop stand-in did not start"
start_watcher
xdotool mousemove 30 30
until_true 30 showing || fail "no show with the desktop's service"
grep -q "Inhibit lumivane" "$work/desktop.log" && pass "the show holds the desktop's blanking" \
  || fail "no inhibitor asked of the desktop"
xdotool key a
until_true 20 grep -q "^Lock" "$work/desktop.log" && pass "the end by input asks the desktop to lock" \
  || fail "no lock asked: $(cat "$work/desktop.log")"
until_true 10 grep -q "^UnInhibit" "$work/desktop.log" && pass "and gives the blanking back" \
  || fail "the inhibitor was kept"
until_true 30 showing || fail "no show before the watcher's end"
kill -TERM $watcher
wait $watcher 2>/dev/null
[ "$(grep -c "^Lock" "$work/desktop.log")" = 1 ] && pass "the watcher's own end locks nothing" \
  || fail "locks: $(grep -c "^Lock" "$work/desktop.log")"
end_stand_in "$desktop"

# GNOME: the shell's idle monitor says when, the session manager keeps the blanking off
# during the show, and the shell locks. The stand-in's watches fire when told to.
start_gnome() { # LOG
  rm -f "$work/gnome.in" "$work/gnome.out"
  mkfifo "$work/gnome.in"
  "$stand_in" gnome "$1" < "$work/gnome.in" > "$work/gnome.out" 2>&1 & gnome=$!
  exec {gnome_in}> "$work/gnome.in"
  until_true 10 grep -q ready "$work/gnome.out" || fail "the GNOME stand-in did not start"
}
# Ended by a signal: the watcher and its shows hold the FIFO's writing end too.
stop_gnome() { kill $gnome; ends_within $gnome 20 || fail "the GNOME stand-in did not end"; exec {gnome_in}>&-; }
start_gnome "$work/gnome.log"
start_watcher
logged "inactivité lue par org.gnome.Mutter.IdleMonitor" && grep -q "^AddIdleWatch 2000$" "$work/gnome.log" \
  && pass "GNOME's idle monitor is asked for 2 s" || fail "the idle monitor: $(cat "$work/watch.log")"
echo idle >&$gnome_in
until_true 30 showing && pass "its idle watch starts the show" || fail "no show from GNOME's idle watch"
until_true 10 grep -q "^Inhibit lumivane 8$" "$work/gnome.log" && pass "the session's idle blanking is held off" \
  || fail "no idle inhibition asked of the session"
xdotool key a
until_true 20 not_showing || fail "the show did not end on a key"
until_true 20 grep -q "^Lock$" "$work/gnome.log" && pass "the shell locks when the user comes back" \
  || fail "no lock asked of the shell: $(cat "$work/gnome.log")"
until_true 10 grep -q "^Uninhibit" "$work/gnome.log" && pass "and the session may blank again" \
  || fail "the idle inhibition was kept"
# Locked while the show still covered the screen: the watcher locks, then ends the show.
line_of() { grep -n "$1" "$work/watch.log" | head -1 | cut -d: -f1; }
[ "$(line_of "verrouillage par")" -lt "$(line_of "diaporama fini")" ] \
  && pass "the session was locked before the show ended" || fail "the show ended before the lock: $(cat "$work/watch.log")"
echo active >&$gnome_in
echo idle >&$gnome_in
until_true 30 showing && pass "the next idle period brings the show again" || fail "no second show on GNOME"
xdotool key a
until_true 20 not_showing || fail "the second show did not end"
# The shell restarts and has forgotten every watch: the watcher asks for its own again.
stop_gnome
start_gnome "$work/gnome2.log"
until_true 20 grep -q "^AddIdleWatch 2000$" "$work/gnome2.log" && pass "a restarted shell is asked for the watch again" \
  || fail "no watch asked of the restarted shell"
echo idle >&$gnome_in
until_true 30 showing && pass "and its idle watch starts the show" || fail "no show after the shell restarted"
kill -TERM $watcher
ends_within $watcher 20 || fail "the watcher did not end"
stop_gnome

[ "$failures" = 0 ] || { echo "the watcher's log:"; cat "$work/watch.log"; }
sanitizer_clean || failures=$((failures + 1))
[ "$failures" = 0 ] && echo "watch test passed" || echo "watch test: $failures failed"
[ "$failures" = 0 ]

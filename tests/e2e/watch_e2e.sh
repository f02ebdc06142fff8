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
centre() { import -window root "$work/shot.png" 2>/dev/null && image_pixel "$work/shot.png" 512 384; }
showing() { [ "$(centre)" = FF0000 ] || [ "$(centre)" = 00FF00 ]; }
press_key() { xdotool key a; }
moves=0
nudge() { moves=$((moves + 1)); xdotool mousemove $((10 + moves % 2)) 10; }
. "$(dirname "$0")/watch_checks.sh"

check_watcher MIT-SCREEN-SAVER
check_lock

# GNOME: the shell's idle monitor says when, the session manager keeps the blanking off
# during the show, and the shell locks. The stand-in's watches fire when told to.
start_gnome() { # LOG [MS]
  rm -f "$work/gnome.in"
  : > "$work/gnome.out"
  mkfifo "$work/gnome.in"
  "$stand_in" gnome "$@" < "$work/gnome.in" > "$work/gnome.out" 2>&1 & gnome=$!
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
press_key
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
press_key
until_true 20 not_showing || fail "the second show did not end"
# The shell restarts and has forgotten every watch: the watcher asks for its own again,
# and takes the answer however late the shell, busy starting, gives it.
stop_gnome
start_gnome "$work/gnome2.log" 3000
until_true 20 grep -q "^AddIdleWatch 2000$" "$work/gnome2.log" && pass "a restarted shell is asked for the watch again" \
  || fail "no watch asked of the restarted shell"
until_true 20 grep -q "^answered AddIdleWatch$" "$work/gnome2.log" || fail "the restarted shell never answered"
echo idle >&$gnome_in
until_true 30 showing && pass "and its idle watch starts the show" || fail "no show after the shell restarted"
kill -TERM $watcher
ends_within $watcher 20 || fail "the watcher did not end"
stop_gnome

[ "$failures" = 0 ] || { echo "the watcher's log:"; cat "$work/watch.log"; }
sanitizer_clean || failures=$((failures + 1))
[ "$failures" = 0 ] && echo "watch test passed" || echo "watch test: $failures failed"
[ "$failures" = 0 ]

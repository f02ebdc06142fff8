# Sourced by the watcher's end-to-end scripts, once a desktop runs: what the idle watcher
# must do on every desktop. The script gives $lumivane, $stand_in (dbus_stand_in), $work,
# fail and pass, and the desktop's ways, which the checks call (they may come after this
# file):
#   showing        true while a picture of the show is on screen (red or green)
#   press_key      a key, as the user's
#   nudge          a small pointer move, as the user's
# and, defined after this file where a film holds the desktop's idle time otherwise than
# through D-Bus, film_start and film_stop.
# Needs a session bus of its own (the stand-ins own names there) and the scratch machine
# of validated_machine with $work/red.bmp and $work/green.bmp.

not_showing() { ! showing; }
# bus_true DEST PATH METHOD [ARG...]: that call on the session bus answers true.
bus_true() {
  local dest="$1" path="$2" method="$3"
  shift 3
  dbus-send --session --print-reply --dest="$dest" "$path" "$method" "$@" 2>/dev/null | grep -q "boolean true"
}
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
# The film, unless the script defines its own after this file: a player holding an
# inhibitor of the watcher's own org.freedesktop.ScreenSaver, which goes with its bus
# connection.
film_start() {
  logged "org.freedesktop.ScreenSaver est offert" || fail "the watcher did not offer org.freedesktop.ScreenSaver"
  start_stand_in film inhibit && until_true 10 logged "film empêche le diaporama"
}
film_stop() { end_stand_in "$film"; }
stop_watcher() { kill -TERM $watcher; ends_within $watcher 20 || fail "the watcher did not end"; }

# check_watcher SOURCE: the watcher reads the idle time from SOURCE (a pattern of its log),
# refuses a second one, starts the show after the delay and again after the next, a key
# ending each; nothing while a film holds an inhibitor of the watcher's own service, the
# show once it has ended; SIGTERM ends the watcher and its show. The watcher is left stopped.
check_watcher() {
  user_settings '"Vitesse"=dword:00000002\r\n"Effet"=dword:00000000\r\n"VerrouAuRetour"=dword:00000000\r\n' \
    "$work/red.bmp" "$work/green.bmp"
  start_watcher
  logged "inactivité lue par $1" && pass "idle time read from $1" || fail "idle source: $(cat "$work/watch.log")"
  "$lumivane" --watch --delay 2 2>"$work/second.log"
  local status=$?
  [ "$status" = 1 ] && grep -q "un veilleur surveille déjà cette session (processus $watcher)" "$work/second.log" \
    && pass "a second watcher refuses" || fail "second watcher: status $status, $(cat "$work/second.log")"

  # The show after 2 s without input, not before.
  nudge
  local since seen
  since=$(now_ms)
  if until_true 30 showing; then
    seen=$(( $(now_ms) - since ))
    # The input came a little before the tool returned: a show on time may look a little early.
    [ "$seen" -ge 1800 ] && pass "the show came $seen ms after the last input" || fail "the show came after $seen ms"
  else
    fail "no show after the delay: $(cat "$work/watch.log")"
  fi
  press_key
  until_true 20 logged "diaporama fini" && until_true 10 not_showing && pass "a key ends the show" \
    || fail "the show did not end on a key"
  until_true 30 showing && pass "the next idle period starts it again" || fail "no second show"
  press_key
  until_true 20 not_showing || fail "the second show did not end"

  # A film holds an inhibitor: nothing for three times the delay, the show once it ends.
  film_start || fail "the film could not hold its inhibitor"
  nudge
  if until_true 6 showing; then fail "a show started over the film"; else pass "no show while a film holds an inhibitor"; fi
  film_stop
  until_true 30 showing && pass "the show comes once the film has ended" || fail "no show after the film"
  # Told to go, the watcher takes the show with it and locks nothing.
  stop_watcher
  until_true 20 not_showing && pass "SIGTERM ends the watcher and the show it started" || fail "the show outlived its watcher"
}

# check_lock: a desktop that offers the service and its lock: the show holds its blanking
# off, the end by input asks it to lock, and the watcher's own end locks nothing.
check_lock() {
  user_settings '"Vitesse"=dword:00000002\r\n"Effet"=dword:00000000\r\n' "$work/red.bmp"
  start_stand_in desktop desktop "$work/desktop.log" || fail "the desktop stand-in did not start"
  start_watcher
  nudge
  until_true 30 showing || fail "no show with the desktop's service"
  grep -q "Inhibit lumivane" "$work/desktop.log" && pass "the show holds the desktop's blanking" \
    || fail "no inhibitor asked of the desktop"
  press_key
  until_true 20 grep -q "^Lock" "$work/desktop.log" && pass "the end by input asks the desktop to lock" \
    || fail "no lock asked: $(cat "$work/desktop.log")"
  until_true 10 grep -q "^UnInhibit" "$work/desktop.log" && pass "and gives the blanking back" \
    || fail "the inhibitor was kept"
  until_true 30 showing || fail "no show before the watcher's end"
  stop_watcher
  [ "$(grep -c "^Lock" "$work/desktop.log")" = 1 ] && pass "the watcher's own end locks nothing" \
    || fail "locks: $(grep -c "^Lock" "$work/desktop.log")"
  end_stand_in "$desktop"
}

# check_desktop_lock: the desktop's own org.freedesktop.ScreenSaver locks the session when
# the user ends the show, as its GetActive then says. The watcher is left stopped.
check_desktop_lock() {
  user_settings '"Vitesse"=dword:00000002\r\n"Effet"=dword:00000000\r\n' "$work/red.bmp"
  start_watcher
  nudge
  until_true 30 showing || fail "no show for the lock"
  press_key
  until_true 20 desktop_locked && pass "the desktop locks the session when the user comes back" \
    || fail "the session was not locked: $(cat "$work/watch.log")"
  stop_watcher
}
desktop_locked() {
  bus_true org.freedesktop.ScreenSaver /org/freedesktop/ScreenSaver org.freedesktop.ScreenSaver.GetActive
}

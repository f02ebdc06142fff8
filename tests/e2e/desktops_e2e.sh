#!/usr/bin/env bash
# The idle watcher on GNOME's and KDE's own compositors, run headless on a session bus of
# their own: the show covers the output after the delay, input ends it and the next idle
# period brings it back, nothing over a film, one watcher per session, the lock asked for
# on the user's return.
#   desktops_e2e.sh kwin|mutter|gnome-shell LUMIVANE COMPOSITOR_CLIENT FAKE_INPUT IDLE_INHIBITOR DBUS_STAND_IN
# Compositors refuse to run as root: run as root, the script runs itself again as a user
# of its own. A compositor that is missing or does not start fails the test.
set -uo pipefail
kind="$1" lumivane="$2" client="$3" fake_input="$4" inhibitor="$5" stand_in="$6"
case "$kind" in
  kwin) tools=(kwin_wayland) ;;
  mutter) tools=(mutter pipewire wireplumber gst-launch-1.0) ;;
  gnome-shell) tools=(gnome-shell pipewire wireplumber gst-launch-1.0) ;;
  *) echo "desktops_e2e: no desktop $kind"; exit 2 ;;
esac
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/test installs it)"; exit 1; }
done
. "$(dirname "$0")/e2e_user.sh" "lumivane-e2e-$kind" "$0" "$@"
if [ -z "${LUMIVANE_E2E_BUS:-}" ]; then
  export LUMIVANE_E2E_BUS=1
  exec dbus-run-session -- "$0" "$@"
fi

. "$(dirname "$0")/e2e_wait.sh"
. "$(dirname "$0")/e2e_machine.sh"
work="$(mktemp -d)"
# Everything the test started ends with it, the compositor's own helpers (the shell's
# calendar, its accessibility bus) included; what a signal does not end in 10 s is killed.
end_all() {
  local started
  started="$( [ -n "${compositor:-}" ] && pgrep -P "$compositor"; jobs -p)"
  kill $started 2>/dev/null
  for p in $started; do ends_within "$p" 10 || kill -KILL "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap end_all EXIT
# Nothing of the machine's own session: no X server, no lock of the real session.
unset DISPLAY QT_QPA_PLATFORM XDG_SESSION_ID XDG_CURRENT_DESKTOP WAYLAND_DISPLAY
export HOME="$work"
# The sanitizer build's preload is for its own programs, not the desktop's.
compositor_env=(env -u LD_PRELOAD)
validated_machine

# The checks, and their film unless the desktop gives its own below.
. "$(dirname "$0")/watch_checks.sh"
name_owned() { bus_true org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "string:$1"; }
# The compositor with one output of 1280 × 720, and the test's input on one connection.
mkfifo "$work/input"
case "$kind" in
  kwin)
    # A plain copy: the installed binary's file capability may be refused in a container,
    # and KWin's own platform plugin wants the name kwin_wayland.
    mkdir "$work/bin" && cp "$(command -v kwin_wayland)" "$work/bin/kwin_wayland"
    KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
      "${compositor_env[@]}" "$work/bin/kwin_wayland" --virtual --width 1280 --height 720 --socket wayland-test > "$work/compositor.log" 2>&1 &
    compositor=$!
    export WAYLAND_DISPLAY=wayland-test
    until_true 30 test -S "$XDG_RUNTIME_DIR/wayland-test" || { echo "FAIL: kwin did not start"; cat "$work/compositor.log"; exit 1; }
    "$fake_input" < "$work/input" > "$work/input.out" 2>&1 &
    shot() { "$client" kwin-shot "$work/shot.png" 2>/dev/null; }
    # KWin's idle time leaves out what a shown window's idle inhibitor covers; the
    # inhibitors of its own org.freedesktop.ScreenSaver go to the desktop's power manager.
    film_start() {
      sleep 3600 | "$inhibitor" > "$work/film.out" 2>&1 & film=$!
      until_true 10 grep -q ready "$work/film.out"
    }
    film_stop() { kill $film; ends_within $film 20 || fail "the film did not end"; }
    ;;
  mutter | gnome-shell)
    # Its screen cast goes through PipeWire, whose session manager links the test's reader.
    "${compositor_env[@]}" pipewire > "$work/pipewire.log" 2>&1 &
    until_true 30 test -S "$XDG_RUNTIME_DIR/pipewire-0" || { echo "FAIL: pipewire did not start"; exit 1; }
    "${compositor_env[@]}" wireplumber > "$work/wireplumber.log" 2>&1 &
    if [ "$kind" = gnome-shell ]; then
      # The shell asks the system bus for logind and the accounts: a private one, where
      # it finds neither and goes on.
      "${compositor_env[@]}" dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --print-address=3 3> "$work/system-bus" &
      until_true 10 test -s "$work/system-bus" || { echo "FAIL: no system bus for the shell"; exit 1; }
      DBUS_SYSTEM_BUS_ADDRESS="$(cat "$work/system-bus")" \
        "${compositor_env[@]}" gnome-shell --headless --wayland --no-x11 --virtual-monitor 1280x720 > "$work/compositor.log" 2>&1 &
    else
      "${compositor_env[@]}" mutter --headless --wayland --no-x11 --virtual-monitor 1280x720 > "$work/compositor.log" 2>&1 &
    fi
    compositor=$!
    export WAYLAND_DISPLAY=wayland-0
    until_true 60 test -S "$XDG_RUNTIME_DIR/wayland-0" || { echo "FAIL: $kind did not start"; cat "$work/compositor.log"; exit 1; }
    # Its services come on the bus a moment after its socket.
    until_true 60 name_owned org.gnome.Mutter.ScreenCast || { echo "FAIL: $kind offers no screen cast"; exit 1; }
    "$client" mutter < "$work/input" > "$work/input.out" 2>&1 &
    shot() {
      timeout 20 gst-launch-1.0 -q pipewiresrc path="$node" num-buffers=1 ! videoconvert ! pngenc \
        ! filesink location="$work/shot.png" 2>/dev/null
    }
    ;;
esac
exec {input}> "$work/input"
until_true 120 grep -q ready "$work/input.out" || { echo "FAIL: no input for $kind: $(cat "$work/input.out")"; exit 1; }
node="$(sed -n 's/^node //p' "$work/input.out")"
send() { echo "$*" >&$input; }
pixel() { shot && image_pixel "$work/shot.png" "$1" "$2"; }
showing() { local p; p="$(pixel 640 360)"; [ "$p" = FF0000 ] || [ "$p" = 00FF00 ]; }
press_key() { send key; }
nudge() { send move 3 3; }
user_settings '"Vitesse"=dword:00000002\r\n"BackGroundColor"="clNavy"\r\n"Effet"=dword:00000000\r\n' \
  "$work/red.bmp" "$work/green.bmp"
if [ "$kind" != kwin ]; then
  # The remote desktop's devices come a moment after its start, and what is sent before
  # is lost: input counts once the idle monitor sees it.
  idle_ms() {
    dbus-send --session --print-reply --dest=org.gnome.Mutter.IdleMonitor /org/gnome/Mutter/IdleMonitor/Core \
      org.gnome.Mutter.IdleMonitor.GetIdletime 2>/dev/null | sed -n 's/.*uint64 //p'
  }
  input_counts() { sleep 0.5; nudge; local t; t="$(idle_ms)"; [ -n "$t" ] && [ "$t" -lt 400 ]; }
  until_true 30 input_counts || fail "mutter's idle monitor never sees the test's input"
fi

covers_output() { [ "$(pixel 2 2)" = 000080 ] && [ "$(pixel 1277 717)" = 000080 ]; }
corners() { echo "$(pixel 2 2) and $(pixel 1277 717)"; }
# A keyboard device may still be new to the show's window: a key is pressed until one ends it.
key_ends() { press_key; until_true 1 ended $1; }

# GNOME's shell opens on its Activities overview, where a new window is only a thumbnail
# and keys go to the search: the watcher's show closes it first.
if [ "$kind" = gnome-shell ]; then
  overview_open() {
    bus_true org.gnome.Shell /org/gnome/Shell org.freedesktop.DBus.Properties.Get string:org.gnome.Shell \
      string:OverviewActive
  }
  until_true 30 overview_open || fail "the shell did not open on its overview"
  start_watcher
  nudge
  if until_true 30 showing; then
    covers_output && logged "vue d'ensemble de GNOME fermée" && pass "the show leaves the overview and covers the output" \
      || fail "over the overview: corners $(corners), $(cat "$work/watch.log")"
  else
    fail "no show over the overview: centre $(pixel 640 360)"
  fi
  show=$(pgrep -P $watcher -f -- "/s$" | head -1)
  [ -n "$show" ] && until_true 20 key_ends $show && pass "a key ends it" || fail "a key did not end the show"
  stop_watcher
fi

# Before any watcher: the show covers the whole output (no title bar, no border).
"$lumivane" /s 2> "$work/saver.err" & pid=$!
if until_true 30 showing; then
  covers_output && pass "the show covers the whole output" || fail "output corners are $(corners), not navy"
else
  fail "no show on $kind: centre $(pixel 640 360); $(cat "$work/saver.err")"
fi
until_true 20 key_ends $pid && pass "a key ends it" || { fail "a key did not end it"; kill $pid; }

case "$kind" in
  kwin)
    check_watcher "ext-idle-notify-v1"
    # A film's inhibitor through KDE's own org.freedesktop.ScreenSaver, which the desktop
    # passes on to its power manager (not run here: stood in for).
    user_settings '"Vitesse"=dword:00000002\r\n"Effet"=dword:00000000\r\n"VerrouAuRetour"=dword:00000000\r\n' "$work/red.bmp"
    start_stand_in power kde-film || fail "the power manager's stand-in did not start"
    start_watcher
    nudge
    until_true 30 logged "une application empêche la mise en veille" && not_showing \
      && pass "no show while KDE's power manager holds a film's inhibitor" || fail "a show over KDE's film"
    end_stand_in "$power"
    until_true 30 showing && pass "the show once the film has gone" || fail "no show after KDE's film"
    stop_watcher
    check_desktop_lock
    ;;
  mutter | gnome-shell) check_watcher "org.gnome.Mutter.IdleMonitor"; check_lock ;;
esac

exec {input}>&-
[ "$failures" = 0 ] || { echo "the watcher's log:"; cat "$work/watch.log"; }
sanitizer_clean || failures=$((failures + 1))
[ "$failures" = 0 ] && echo "$kind test passed" || echo "$kind test: $failures failed"
[ "$failures" = 0 ]

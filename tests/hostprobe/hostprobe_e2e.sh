#!/usr/bin/env bash
# hostprobe as a user meets it, in X servers of its own at the depths and sizes that matter:
# the exact boxes through the automation log, then real boxes that must be seen and closed.
#   hostprobe_e2e.sh HOSTPROBE
set -uo pipefail
hostprobe="$1"
for tool in Xvfb xdotool import convert timeout; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
work="$(mktemp -d)"
servers=()
cleanup() {
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/../e2e/e2e_wait.sh"

mkdir -p "$work/run" && chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
unset LUMIVANE_MSGBOX_LOG LUMIVANE_MSGBOX_ANSWER

# start_x GEOMETRY [XVFB OPTIONS...]: a server on a free display, which becomes $DISPLAY.
start_x() {
  local numfile="$work/display.${#servers[@]}"
  : > "$numfile"
  # -noreset: a server that resets as its last client leaves refuses the next one for a moment.
  Xvfb -displayfd 3 -noreset -screen 0 "$@" -nolisten tcp 3>"$numfile" 2>"$work/xvfb.log" &
  servers+=($!)
  until_true 30 grep -q . "$numfile" || { echo "FAIL: Xvfb $* did not start"; cat "$work/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$numfile")"
}

colour_line='Avertissement | error | ok | Votre écran est configuré en 256 couleurs.\nCeci est insuffisant pour pouvoir afficher des photos.\nIl est recommandé de régler votre écran en 32 milles couleurs au minimum.\nSi votre pilote de carte graphique ne le permet pas, mettez le à jour en\ninstallant celui fournit par le constructeur de la carte vidéo.\nSi vous ne le faites pas, ce logiciel risque de ne pas fonctionner correctement.'
resolution_line='Avertissement | error | ok | Votre résolution écran (640x480) est trop petite pour pouvoir afficher\ncorrectement des photos.\nIl est recommandé de régler votre écran en 800x600 x 32 milles couleurs au minimum.\nSi votre pilote de carte graphique ne le permet pas, mettez le à jour en\ninstallant celui fournit par le constructeur de la carte vidéo.\nSi vous ne le faites pas, ce logiciel risque de ne pas fonctionner correctement.'

# automated NAME EXPECTED_LOG: one run answered by the automation, its log compared whole.
automated() {
  local log="$work/boxes.log"
  rm -f "$log"
  LUMIVANE_MSGBOX_LOG="$log" LUMIVANE_MSGBOX_ANSWER=ok timeout 60 "$hostprobe" >/dev/null 2>&1
  local rc=$?
  local got=""
  [ -f "$log" ] && got="$(cat "$log")"
  if [ "$rc" = 0 ] && [ "$got" = "$2" ]; then
    pass "$1"
  else
    fail "$1: exit $rc, log:"
    printf '%s\n' "$got"
  fi
}

# A real box: it shows on screen, takes the key without being clicked, and ends the program.
# The window framework leaves its boxes black on palette visuals; the screen must not be.
real_box() {
  local log="$work/boxes.log"
  rm -f "$log"
  LUMIVANE_MSGBOX_LOG="$log" "$hostprobe" >/dev/null 2>"$work/stderr" &
  local pid=$!
  local found="" mean=0
  box_drawn() {
    found="$(xdotool search --name '^Avertissement$' 2>/dev/null | head -n1)"
    [ -n "$found" ] || return 1
    import -window root "$work/shot.png" 2>/dev/null
    mean="$(convert "$work/shot.png" -format '%[fx:mean>0.05]' info: 2>/dev/null)"
    [ "$mean" = 1 ]
  }
  until_true 30 box_drawn && pass "$1: the box is drawn" || fail "$1: no box drawn (window '$found')"
  xdotool key Return
  local rc=""
  if ends_within "$pid" 30; then
    wait "$pid"
    rc=$?
  fi
  if [ -z "$rc" ]; then
    fail "$1: Return did not close the box"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  elif [ "$rc" = 0 ] && [ "$(cat "$log" 2>/dev/null)" = "$2" ]; then
    pass "$1: Return closes it, the program ends well"
  else
    fail "$1: exit $rc, log: $(cat "$log" 2>/dev/null), stderr: $(cat "$work/stderr")"
  fi
}

start_x 1024x768x24
automated "1024x768, 24 bits: no message" ""
start_x 640x480x24
automated "640x480, 24 bits: the resolution warning" "$resolution_line"
real_box "640x480, 24 bits, shown by the framework" "$resolution_line"
start_x 640x480x16
automated "640x480, 16 bits: colours pass, the resolution warning" "$resolution_line"
start_x 640x480x8
automated "640x480, 8 bits: only the colour warning" "$colour_line"
real_box "640x480, 8 bits, drawn with Xlib" "$colour_line"
# A DirectColor visual has colours enough, but the framework paints it black.
start_x 640x480x24 -cc 5
real_box "640x480, 24 bits DirectColor, drawn with Xlib" "$resolution_line"

# Without a display nothing was checked, and it must not look as if all was well.
log="$work/boxes.log"
rm -f "$log"
DISPLAY=":none" LUMIVANE_MSGBOX_LOG="$log" LUMIVANE_MSGBOX_ANSWER=ok timeout 60 "$hostprobe" >/dev/null 2>"$work/stderr"
rc=$?
if [ "$rc" != 0 ] && grep -q "l'écran n'a pas été vérifié" "$work/stderr" && [ ! -s "$log" ]; then
  pass "no display: says so and fails"
else
  fail "no display: exit $rc, stderr: $(cat "$work/stderr")"
fi

[ "$failures" = 0 ] && echo "all hostprobe end-to-end checks passed"
exit $((failures > 0))

#!/usr/bin/env bash
# An installed program finds its machine hive by itself, and a reinstall keeps the
# first-configuration marker. Arguments: the build folder.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

hive="$prefix/etc/lumivane/HKLM.reg"
grep -q "\"CheminInstall\"=\"$prefix/share/lumivane/\"" "$hive" || { echo "no CheminInstall in $hive"; cat "$hive"; exit 1; }
[ -d "$prefix/share/lumivane" ] || { echo "no installation folder"; exit 1; }

# What the desktops and the screen-saver hosts need: a valid desktop entry naming the
# installed program, the icon, and a display-mode description whose command is installed
# where the host looks for it.
desktop="$prefix/share/applications/lumivane.desktop"
desktop-file-validate "$desktop" || { echo "invalid desktop entry"; exit 1; }
exec_line="$(sed -n 's/^Exec=//p' "$desktop")"
[ "$exec_line" = "\"$prefix/bin/lumivane\" /c" ] || { echo "desktop entry runs: $exec_line"; exit 1; }
[ "$(identify -format '%m %wx%h' "$prefix/share/icons/hicolor/256x256/apps/lumivane.png")" = "PNG 256x256" ] \
  || { echo "no 256x256 icon"; exit 1; }
xml="$prefix/share/xscreensaver/config/lumivane.xml"
xmllint --noout "$xml" || { echo "display-mode description does not parse"; exit 1; }
command="$(xmllint --xpath 'string(/screensaver/@name)' "$xml")"
[ "$(xmllint --xpath 'string(/screensaver/@_label)' "$xml")" = "Lumivane" ] || { echo "label is not Lumivane"; exit 1; }
hack="$prefix/libexec/xscreensaver/$command"
[ -x "$hack" ] && [ "$(readlink -f "$hack")" = "$(readlink -f "$prefix/bin/lumivane")" ] \
  || { echo "$hack does not lead to the installed program"; exit 1; }

unset LUMIVANE_HKLM LUMIVANE_HKCU
export HOME="$work/home" LUMIVANE_MSGBOX_LOG="$work/boxes.log" LUMIVANE_MSGBOX_ANSWER=ok
[ -n "${DISPLAY:-}" ] || { echo "the dialog needs an X display (run under xvfb-run)"; exit 1; }
mkdir -p "$HOME"
# Opens the dialog and closes it with Escape, as a user who only looks would.
configure() {
  "$1" /c & local pid=$!
  local id
  id="$(timeout 20 xdotool search --sync --onlyvisible --name "Paramètres de Lumivane" | head -1)" || true
  if [ -z "$id" ]; then kill $pid 2>/dev/null; wait $pid; return 1; fi
  xdotool windowfocus --sync "$id" key Escape
  wait $pid
}
configure "$prefix/bin/lumivane" || { echo "installed program failed"; cat "$work/boxes.log" 2>/dev/null; exit 1; }
[ ! -s "$work/boxes.log" ] || { echo "unexpected box:"; cat "$work/boxes.log"; exit 1; }

# A moved installation still finds its hive, beside its programs.
mv "$prefix" "$work/moved"
configure "$work/moved/bin/lumivane" || { echo "moved installation failed"; cat "$work/boxes.log"; exit 1; }
mv "$work/moved" "$prefix"

printf '"ConfigValidated"=dword:00000001\r\n' >> "$hive"
cmake --install "$build" --prefix "$prefix" >/dev/null
grep -q '"ConfigValidated"=dword:00000001' "$hive" || { echo "reinstall lost ConfigValidated"; cat "$hive"; exit 1; }
echo "install test passed"

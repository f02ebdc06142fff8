#!/usr/bin/env bash
# An installed program finds its machine hive by itself, a reinstall keeps the
# first-configuration marker, and an ordinary user of an installation that root owns
# validates the dialog and then gets the show. Arguments: the build folder.
set -uo pipefail
. "$(dirname "$0")/e2e_common.sh" "$@"
build="$1"
prefix="$work/prefix"
chmod 755 "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }

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
# The session's autostart entry starts the idle watcher.
autostart="$prefix/etc/xdg/autostart/lumivane-watch.desktop"
desktop-file-validate "$autostart" || { echo "invalid autostart entry"; exit 1; }
[ "$(sed -n 's/^Exec=//p' "$autostart")" = "\"$prefix/bin/lumivane\" --watch" ] || { echo "autostart runs: $(grep Exec "$autostart")"; exit 1; }
for size in 16 22 24 32 48 64 128 256; do
  [ "$(identify -format '%m %wx%h' "$prefix/share/icons/hicolor/${size}x$size/apps/lumivane.png")" = "PNG ${size}x$size" ] \
    || { echo "no ${size}x$size icon"; exit 1; }
done
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/lumivane.svg" || { echo "no scalable icon"; exit 1; }
for page in man/man1/lumivane.1.gz man/man1/hostprobe.1.gz man/fr/man1/lumivane.1.gz man/fr/man1/hostprobe.1.gz; do
  warnings="$(zcat "$prefix/share/$page" | LC_ALL=C.UTF-8 groff -K utf8 -man -Tutf8 -ww -z 2>&1)"
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/fr.kestrune.lumivane.metainfo.xml" >/dev/null \
  || { echo "the metainfo does not validate"; exit 1; }
[ ! -e "$hive.lock" ] || { echo "a lock file is left beside the hive"; exit 1; }
# An uninstall removes what the manifest lists: everything installed must be there.
unlisted="$(cd / && find "$prefix" \( -type f -o -type l \) | sort | comm -23 - <(sort "$build/install_manifest.txt"))"
[ -z "$unlisted" ] || { echo "left out of install_manifest.txt: $unlisted"; exit 1; }
# Under /usr, the machine hive is the system's, in /etc.
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null || { echo "DESTDIR install failed"; exit 1; }
[ -f "$work/stage/etc/xdg/autostart/lumivane-watch.desktop" ] || { echo "under /usr the autostart entry is not in /etc/xdg"; exit 1; }
grep -q '"CheminInstall"="/usr/share/lumivane/"' "$work/stage/etc/lumivane/HKLM.reg" && [ ! -e "$work/stage/usr/etc" ] \
  || { echo "under /usr the hive is not /etc's: $(cd "$work/stage" && find . -name 'HKLM.reg*')"; exit 1; }
rm -rf "$work/stage"
xml="$prefix/share/xscreensaver/config/lumivane.xml"
xmllint --noout "$xml" || { echo "display-mode description does not parse"; exit 1; }
command="$(xmllint --xpath 'string(/screensaver/@name)' "$xml")"
[ "$(xmllint --xpath 'string(/screensaver/@_label)' "$xml")" = "Lumivane" ] || { echo "label is not Lumivane"; exit 1; }
hack="$prefix/libexec/xscreensaver/$command"
[ -x "$hack" ] && [ "$(readlink -f "$hack")" = "$(readlink -f "$prefix/bin/lumivane")" ] \
  || { echo "$hack does not lead to the installed program"; exit 1; }

unset LUMIVANE_HKLM LUMIVANE_HKCU XDG_CONFIG_HOME
export HOME="$work/home" LUMIVANE_MSGBOX_LOG="$work/boxes.log" LUMIVANE_MSGBOX_ANSWER=ok
mkdir -p "$HOME"
dialog() { window_named "Paramètres de Lumivane"; }
# Opens the dialog and closes it with Escape, as a user who only looks would.
configure() {
  "$1" /c & local pid=$!
  local id
  id="$(dialog)"
  if [ -z "$id" ]; then kill $pid 2>/dev/null; wait $pid; return 1; fi
  xdotool windowfocus --sync "$id" key Escape
  ends_within $pid 30 || { kill $pid; wait $pid; return 1; }
  wait $pid
}
if configure "$prefix/bin/lumivane" && [ ! -s "$work/boxes.log" ]; then
  pass "the installed program finds its hive"
else
  fail "installed program failed"; cat "$work/boxes.log" 2>/dev/null
fi

# A moved installation still finds its hive, beside its programs.
mv "$prefix" "$work/moved"
configure "$work/moved/bin/lumivane" && pass "a moved installation finds its hive" \
  || { fail "moved installation failed"; cat "$work/boxes.log"; }
mv "$work/moved" "$prefix"

# An ordinary user: nobody when the tests run as root, else this user with the machine
# folder made read-only. The machine hive is only read; validating keeps the marker in
# the user's own store, and from then on /s runs the show for that user.
user_home="$work/user"
mkdir -p "$user_home/run" "$user_home/.config/lumivane"
chmod 700 "$user_home/run"
# A user who has said no to the newsletter for good (the dialog test answers its question).
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"Afficher Dlg Lettre info"=dword:00000001\r\n' \
  > "$user_home/.config/lumivane/HKCU.reg"
as_user=()
if [ "$(id -u)" = 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
  if [ -n "${XAUTHORITY:-}" ]; then cp "$XAUTHORITY" "$user_home/.Xauthority"; fi
  chown -R 65534:65534 "$user_home"
else
  [ -z "${XAUTHORITY:-}" ] || cp "$XAUTHORITY" "$user_home/.Xauthority"
  chmod a-w "$hive" "$(dirname "$hive")"
fi
cp "$hive" "$work/hive-before.reg"
ls -A "$(dirname "$hive")" > "$work/beside-before"
run_as_user() {
  HOME="$user_home" XDG_RUNTIME_DIR="$user_home/run" LUMIVANE_MSGBOX_LOG="$user_home/boxes.log" \
    LUMIVANE_MSGBOX_ANSWER=no XAUTHORITY="$user_home/.Xauthority" "${as_user[@]}" "$prefix/bin/lumivane" "$@" \
    2>>"$work/user-stderr"
}
run_as_user /s & pid=$!
id="$(dialog)"
if [ -n "$id" ]; then
  pass "the user's first /s opens the dialog"
  xdotool windowfocus --sync "$id" key alt+v
  ends_within $pid 30 && pass "Valider ends the program" || { fail "Valider did not end the program"; kill $pid; }
else
  fail "no dialog for the user"; kill $pid 2>/dev/null
fi
wait $pid 2>/dev/null
[ ! -s "$user_home/boxes.log" ] && pass "no message box" || { fail "boxes:"; cat "$user_home/boxes.log"; }
store="$user_home/.config/lumivane/VirtualStore/HKLM.reg"
grep -q '"ConfigValidated"=dword:00000001' "$store" 2>/dev/null && pass "the marker is in the user's store" \
  || fail "no marker in $store"

run_as_user /s & pid=$!
# The show: the dialog does not come, and the screen fills with a sample picture.
show_drawn() {
  ended $pid && return 0
  import -window root "$work/shot.png" 2>/dev/null
  [ "$(convert "$work/shot.png" -format '%[fx:mean>0.05]' info: 2>/dev/null)" = 1 ]
}
until_true 60 show_drawn
[ -z "$(xdotool search --onlyvisible --name "Paramètres de Lumivane" 2>/dev/null)" ] && show_drawn && ! ended $pid \
  && pass "the next /s runs the show" || fail "no show for the user"
xdotool key a
ends_within $pid 30 || { fail "the show did not end on a key"; kill $pid 2>/dev/null; }
wait $pid 2>/dev/null

cmp -s "$hive" "$work/hive-before.reg" && pass "the machine hive is untouched" || fail "the machine hive changed"
ls -A "$(dirname "$hive")" > "$work/beside-after"
cmp -s "$work/beside-before" "$work/beside-after" && pass "nothing new beside the machine hive" \
  || fail "beside the machine hive: $(cat "$work/beside-after")"
chmod u+w "$hive" "$(dirname "$hive")"

printf '"ConfigValidated"=dword:00000001\r\n' >> "$hive"
cmake --install "$build" --prefix "$prefix" >/dev/null
grep -q '"ConfigValidated"=dword:00000001' "$hive" && pass "a reinstall keeps ConfigValidated" \
  || { fail "reinstall lost ConfigValidated"; cat "$hive"; }
[ "$failures" = 0 ] || { echo "the user's standard error:"; cat "$work/user-stderr" 2>/dev/null; }
sanitizer_clean || failures=$((failures + 1))
[ "$failures" = 0 ] && echo "install test passed" || echo "install test: $failures failed"
[ "$failures" = 0 ]

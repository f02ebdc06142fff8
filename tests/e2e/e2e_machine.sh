# Sourced by the end-to-end scripts, which give $work: the machine and the user the saver meets.
# A scratch machine already configured once, the message-box hooks, and two pictures of
# 400 × 300: $work/red.bmp and $work/green.bmp.
validated_machine() {
  mkdir -p "$work/c" "$work/run"
  export LUMIVANE_HKLM="$work/HKLM.reg" LUMIVANE_HKCU="$work/HKCU.reg" LUMIVANE_DRIVE_C="$work/c"
  export LUMIVANE_MSGBOX_LOG="$work/boxes.log" LUMIVANE_MSGBOX_ANSWER=ok XDG_RUNTIME_DIR="$work/run"
  export XDG_STATE_HOME="$work/state"
  chmod 700 "$work/run"
  convert -size 400x300 xc:'#ff0000' "BMP3:$work/red.bmp"
  convert -size 400x300 xc:'#00ff00' "BMP3:$work/green.bmp"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n"CheminInstall"="%s"\r\n"ConfigValidated"=dword:00000001\r\n' "$work" > "$LUMIVANE_HKLM"
}
# user_settings VALUES PICTURE...: the user's hive; VALUES are "Name"=data lines, each ending in \r\n.
user_settings() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n%b\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n' "$1" > "$LUMIVANE_HKCU"
  shift
  local i=0
  for p in "$@"; do printf '"%d"="%s"\r\n' $i "$p" >> "$LUMIVANE_HKCU"; i=$((i + 1)); done
}

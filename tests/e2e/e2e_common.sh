# Sourced first by the end-to-end scripts, with the script's arguments: runs the script
# again in an X server of its own, then gives it a scratch folder (removed at exit, with
# any program it left running), the pass/fail tally and the ways to wait (e2e_wait.sh).
if [ -z "${LUMIVANE_E2E_INNER:-}" ]; then
  export LUMIVANE_E2E_INNER=1
  # E2E_SCREENS: the X screens a script needs, when not the one screen of 1024 × 768.
  # -noreset: a server that resets as its last client leaves refuses the next one for a
  # moment (and one with two screens crashes).
  exec xvfb-run -a -s "${E2E_SCREENS:--screen 0 1024x768x24} -nolisten tcp -noreset" "$0" "$@"
fi
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
. "$(dirname "${BASH_SOURCE[0]}")/e2e_wait.sh"
# host_shot FILE: the host-window stand-in running as coprocess HOST writes its pixels there.
host_shot() { echo "shot $1" >&"${HOST[1]}"; read -r -u "${HOST[0]}" _; }
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

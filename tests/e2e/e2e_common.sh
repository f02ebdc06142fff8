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
. "$(dirname "${BASH_SOURCE[0]}")/e2e_wait.sh"
# host_shot FILE: the host-window stand-in running as coprocess HOST writes its pixels there.
host_shot() { echo "shot $1" >&"${HOST[1]}"; read -r -u "${HOST[0]}" _; }
. "$(dirname "${BASH_SOURCE[0]}")/e2e_machine.sh"

# Sourced first by the end-to-end scripts, with the script's arguments: runs the script
# again in an X server of its own, then gives it a scratch folder (removed at exit, with
# any program it left running) and the pass/fail tally.
if [ -z "${LUMIVANE_E2E_INNER:-}" ]; then
  export LUMIVANE_E2E_INNER=1
  # E2E_SCREENS: the X screens a script needs, when not the one screen of 1024 × 768.
  exec xvfb-run -a -s "${E2E_SCREENS:--screen 0 1024x768x24} -nolisten tcp" "$0" "$@"
fi
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

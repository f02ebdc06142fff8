# Sourced first by the scripts whose compositors refuse to run as root, with a user's name
# and the script's command line: run as root, the script runs itself again as that user,
# made if need be. A user for each script: they run side by side, and one's pkill -u must
# not reach another's programs.
if [ "$(id -u)" -eq 0 ]; then
  id "$1" >/dev/null 2>&1 || useradd --system --create-home --shell /bin/bash "$1" || exit 1
  exec runuser -u "$1" -- "${@:2}"
fi

# Shared set-up of scripts/run and scripts/test: Debian packages when missing, then
# configure and build. Sourced, not run.

set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD_DIR="${LUMIVANE_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  libjpeg62-turbo-dev libcurl4-openssl-dev libx11-dev libxext-dev
  qt6-image-formats-plugins libheif-dev libheif-examples
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool x11-utils procps imagemagick fonts-dejavu-core fonts-liberation2
  libxml2-utils desktop-file-utils qt6-svg-dev appstream groff-base
  qt6-wayland libwayland-dev sway swayidle grim wtype xwayland
  libxss-dev dbus-daemon wayland-protocols plasma-wayland-protocols
  kwin-wayland mutter gnome-shell pipewire wireplumber gstreamer1.0-pipewire gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good dbus-bin
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then sudo=(sudo); else
      echo "These Debian packages are missing and this user cannot install them: ${missing[*]}" >&2
      exit 1
    fi
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The benchmarks are left out of a build unless asked for: turns them on in DIR (configured
# anew when it has no cache yet) and builds TARGETS there, quietly.
build_bench_targets() {
  local dir="$1"; shift
  BUILD_DIR="$dir" BUILD_TARGETS="$*" configure_and_build -DLUMIVANE_BENCH=ON >/dev/null
}

configure_and_build() {
  local generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD_DIR" "${generator[@]}" "$@"
  else
    cmake -S "$ROOT" -B "$BUILD_DIR" "$@" >/dev/null
  fi
  cmake --build "$BUILD_DIR" -j "$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
}

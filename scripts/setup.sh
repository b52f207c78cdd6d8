# Shared by scripts/play and scripts/test: installs what is missing from Debian's packages,
# configures and builds. Quick when everything is already there.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${NADILKA_BUILD:-$ROOT/build}

GAME_PACKAGES=(build-essential pkg-config cmake libsdl2-dev libsdl2-ttf-dev libsdl2-mixer-dev libx11-dev libpng-dev
  timgm6mb-soundfont fonts-liberation2 xfonts-base xdg-utils libcairo2-dev abcmidi)
TEST_PACKAGES=(libgtest-dev xvfb xdotool imagemagick x11-utils fluidsynth clang libclang-rt-14-dev
  libbenchmark-dev python3 desktop-file-utils clang-format clang-tidy git
  dpkg-dev lintian appstream man-db)
# scripts/package: dpkg-buildflags and dpkg-shlibdeps.
PACKAGE_PACKAGES=(dpkg-dev)
# scripts/web: Debian's emscripten (with its clang, binaryen and node's acorn); node runs its
# output.
WEB_PACKAGES=(emscripten)
WEB_BUILD=${NADILKA_WEB_BUILD:-$ROOT/build-web}

install_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# A compiler cache, when there is one, makes rebuilds across build folders and clones quick.
compiler_cache() { command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache || true; }

build_game() {
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo $(compiler_cache) "$@" >/dev/null
  cmake --build "$BUILD" -j"$(nproc)"
}

# Shared by scripts/play and scripts/test: installs what is missing from Debian's packages,
# configures and builds. Quick when everything is already there.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${NADILKA_BUILD:-$ROOT/build}

# {fmt} and fast_float write and read number texts, stb writes PNG pictures (header-only, all
# three); zlib compresses the site's pictures. The tables server, built with the other tools:
# cpp-httplib (HTTP), nlohmann's JSON, SQLite and libpq (its two databases), OpenSSL (SHA-256).
# The game's shared tables: the same cpp-httplib, JSON and OpenSSL (https, base64), uriparser
# (the table's address), libnotify (the desktop's notices).
GAME_PACKAGES=(build-essential pkg-config cmake libxxhash-dev libsdl2-dev libsdl2-ttf-dev libsdl2-mixer-dev libx11-dev
  libfmt-dev libfast-float-dev libstb-dev zlib1g-dev timgm6mb-soundfont fonts-liberation2 xfonts-base xdg-utils
  libcairo2-dev abcmidi libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev libpq-dev libssl-dev liburiparser-dev libnotify-dev)
# The tables server's tests start a PostgreSQL cluster of their own; bench/server loads it with wrk.
TEST_PACKAGES=(libgtest-dev libstb-dev xvfb xdotool imagemagick x11-utils x11-xserver-utils fluidsynth clang libclang-rt-14-dev
  libbenchmark-dev python3 desktop-file-utils clang-format clang-tidy git
  dpkg-dev lintian appstream man-db postgresql wrk)
# scripts/package: dpkg-buildflags and dpkg-shlibdeps; python3 writes the credits.
PACKAGE_PACKAGES=(dpkg-dev python3)
# scripts/web: Debian's emscripten (with its clang, binaryen and node's acorn); node runs its
# output; stb's headers read the fonts and the pictures in the browser, {fmt}'s and fast_float's
# write and read the number texts; fluidsynth with the soundfont and lame render the music,
# fonttools takes the hinting out of the fonts.
WEB_PACKAGES=(emscripten libxxhash-dev libstb-dev libfmt-dev libfast-float-dev timgm6mb-soundfont fluidsynth lame fonttools)
# Commands scripts/web needs and the package that brings each when it is missing (a machine may
# have its own node and npm).
WEB_COMMANDS=(npm:npm node:nodejs python3:python3)
# The browser the web tests drive (headless, through puppeteer-core).
WEB_TEST_PACKAGES=(chromium)
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

# Arguments command:package; installs the package of each command that is not there.
install_commands() {
  local packages=() pair
  for pair in "$@"; do
    command -v "${pair%%:*}" >/dev/null || packages+=("${pair#*:}")
  done
  [ ${#packages[@]} -eq 0 ] || install_packages "${packages[@]}"
}

# A compiler cache, when there is one, makes rebuilds across build folders and clones quick.
compiler_cache() { command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache || true; }

build_game() {
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo $(compiler_cache) "$@" >/dev/null
  cmake --build "$BUILD" -j"$(nproc)"
}

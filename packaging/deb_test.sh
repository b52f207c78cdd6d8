#!/usr/bin/env bash
# The packages as players get them. Builds the .deb and the portable archive (scripts/package),
# checks the .deb (lintian, appstreamcli, desktop-file-validate, the manual page) and that both
# list every file with its licence (packaging/credits.py), plays the unpacked portable archive,
# installs the .deb with apt-get (which pulls its dependencies), plays the installed game the
# way a player starts it, removes the package and checks that only the player's own scores are
# left. Needs root, as apt-get does; CI runs it as root on Debian.
#   packaging/deb_test.sh        (the build folder: $NADILKA_PKG_BUILD, default build-pkg)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PKG_BUILD=${NADILKA_PKG_BUILD:-$ROOT/build-pkg}
SHOTS=$PKG_BUILD/e2e-shots
# A player's PATH on Debian (ENV_PATH in /etc/login.defs); root's own has no /usr/games.
PLAYER_PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games
DATA=/usr/share/games/nadilka

tmp=$(mktemp -d "${TMPDIR:-/tmp}/nadilka-deb.XXXXXX")
we_installed=
is_installed() { dpkg-query -W -f='${Status}' nadilka 2>/dev/null | grep -q "install ok installed"; }
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300 "$@"; }
cleanup() {
  # A failed run must not leave the package on the machine.
  if [ -n "$we_installed" ] && is_installed; then apt_get remove nadilka >/dev/null 2>&1 || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $* ($SECONDS s)"; }

[ "$(id -u)" -eq 0 ] || fail "run as root: the test installs and removes the package with apt-get"
is_installed && fail "nadilka is installed already; this test installs and removes it, so remove it first"

step "build the packages"
"$ROOT/scripts/package" >"$tmp/package.log" 2>&1 || { tail -n 40 "$tmp/package.log" >&2; fail "scripts/package"; }
arch=$(dpkg --print-architecture)
deb=$PKG_BUILD/nadilka_1.0_${arch}.deb
tarball=$PKG_BUILD/nadilka-1.0-linux-$(uname -m).tar.gz
[ -s "$deb" ] || fail "no $deb"
[ -s "$tarball" ] || fail "no $tarball"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes; $(basename "$tarball"): $(stat -c %s "$tarball") bytes"

step "lintian"
# Errors and warnings fail; the one kept warning is overridden, with its reason, in the package.
lintian_ok=1
lintian --display-info --pedantic --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 || lintian_ok=
grep -v 'running with root privileges' "$tmp/lintian.log" || true
[ -n "$lintian_ok" ] || fail "lintian found errors or warnings"

step "what the .deb holds"
dpkg-deb -x "$deb" "$tmp/x"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libsdl2-mixer-2.0-0 fonts-liberation2 timgm6mb-soundfont xdg-utils; do
  [[ ", $depends" == *", $d"* ]] || fail "the package does not depend on $d: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the package is not in section games"
for f in usr/games/nadilka $DATA/menu.mid $DATA/game.mid $DATA/extract.ext $DATA/pictures/santa.bmp \
  usr/share/applications/nadilka.desktop usr/share/metainfo/cz.brimel_studio.nadilka.metainfo.xml \
  usr/share/man/man6/nadilka.6.gz usr/share/doc/nadilka/copyright usr/share/doc/nadilka/changelog.gz; do
  [ -s "$tmp/x/${f#/}" ] || fail "the package has no /${f#/}"
done
[ "$(ls "$tmp/x$DATA/pictures" | wc -l)" -eq 48 ] || fail "the package does not hold the 48 pictures"
[ ! -e "$tmp/x$DATA/fonts" ] || fail "the package ships fonts instead of depending on fonts-liberation2"
cmp -s "$tmp/x$DATA/extract.ext" "$ROOT/assets/extract.ext" || fail "the packaged table is not the pristine one"
for size in 16 32 48 64 128 256; do
  icon=$tmp/x/usr/share/icons/hicolor/${size}x${size}/apps/nadilka.png
  [ "$(head -c 24 "$icon" | tail -c 8 | od -An -tx1 | tr -d ' \n')" = "$(printf '%08x%08x' "$size" "$size")" ] ||
    fail "no $size x $size PNG icon"
done
desktop-file-validate "$tmp/x/usr/share/applications/nadilka.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$tmp/x/usr/share/metainfo/cz.brimel_studio.nadilka.metainfo.xml" ||
  fail "appstreamcli validate"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
  "$tmp/x/usr/share/man/man6/nadilka.6.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page has problems: $warnings"

step "every file of the archive and the .deb listed with its licence (packaging/credits.toml)"
python3 "$ROOT/packaging/credits.py" check --archive "$tarball" --deb "$deb" || fail "the credits"

step "play the portable archive"
mkdir "$tmp/portable"
tar -xzf "$tarball" -C "$tmp/portable"
top=$tmp/portable/nadilka-1.0
[ -x "$top/nadilka" ] && [ -s "$top/README.txt" ] && [ -x "$top/game/nadilka" ] ||
  fail "the archive lacks the launcher, the README or the game"
[ "$(ls "$top/game/fonts"/*.ttf | wc -l)" -eq 3 ] || fail "the archive does not bring its three fonts"
# Where a library is missing, the launcher says so instead of starting (a stand-in ldd reports one).
mkdir "$tmp/fake-ldd"
printf '#!/bin/sh\necho "\tlibSDL2_mixer-2.0.so.0 => not found"\n' >"$tmp/fake-ldd/ldd"
chmod +x "$tmp/fake-ldd/ldd"
# (Should the launcher start the game after all, it finds no display and ends.)
if DISPLAY='' SDL_VIDEODRIVER=x11 PATH=$tmp/fake-ldd:$PATH timeout 20 "$top/nadilka" 2>"$tmp/launcher.err"; then
  fail "the launcher started without a library"
fi
grep -q 'libSDL2_mixer-2.0.so.0 => not found' "$tmp/launcher.err" && grep -q 'README.txt' "$tmp/launcher.err" ||
  fail "the launcher did not name the missing library: $(cat "$tmp/launcher.err")"
# The launcher hands its arguments on.
[ "$("$top/nadilka" --version)" = $'nadilka 1.0\nLicence: MIT' ] || fail "the launcher does not pass --version on"
python3 "$ROOT/packaging/play_installed.py" --command "$top/nadilka" --path "$PLAYER_PATH" \
  --home "$tmp/portable-home" --player-table "$top/game/extract.ext" --shots "$SHOTS/portable" --layout "$PKG_BUILD/game" ||
  fail "the game from the portable archive"

step "apt-get install ./$(basename "$deb")"
we_installed=1
(cd "$PKG_BUILD" && apt_get install "./$(basename "$deb")") >"$tmp/apt.log" 2>&1 || {
  # The package lists may be missing on a fresh machine.
  apt-get update -qq && (cd "$PKG_BUILD" && apt_get install "./$(basename "$deb")") >"$tmp/apt.log" 2>&1
} || { cat "$tmp/apt.log" >&2; fail "apt-get install"; }
is_installed || fail "apt-get did not install nadilka"
dpkg -L nadilka | sort >"$tmp/owned"
while read -r p; do if [ ! -d "$p" ]; then echo "$p"; fi; done <"$tmp/owned" >"$tmp/owned-files"

step "the installed game's place, menu entry, manual page and metainfo"
[ -x /usr/games/nadilka ] || fail "no /usr/games/nadilka"
[ "$(PATH=$PLAYER_PATH command -v nadilka)" = /usr/games/nadilka ] || fail "a player's PATH does not find nadilka"
[ "$(PATH=$PLAYER_PATH nadilka --version)" = $'nadilka 1.0\nLicence: MIT' ] || fail "nadilka --version"
desktop=/usr/share/applications/nadilka.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ "$(PATH=$PLAYER_PATH command -v "$exec_cmd")" = /usr/games/nadilka ] || fail "the menu entry's Exec=$exec_cmd is not the game"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "/usr/share/icons/hicolor/64x64/apps/$icon.png" ] || fail "the menu entry's icon $icon is not in hicolor"
appstreamcli validate --no-net /usr/share/metainfo/cz.brimel_studio.nadilka.metainfo.xml >/dev/null ||
  fail "the installed metainfo"
if grep -qs '^path-exclude=/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
  echo "   (dpkg here leaves manual pages out: the manual page is checked in the .deb only)"
else
  [ "$(man -w nadilka)" = /usr/share/man/man6/nadilka.6.gz ] || fail "man -w nadilka: $(man -w nadilka 2>&1)"
  page=$(MANWIDTH=80 man nadilka 2>/dev/null)
  [[ "$page" == *extract.ext* ]] || fail "man nadilka does not show the manual page"
fi
[ ! -e "$DATA/fonts" ] || fail "$DATA/fonts exists: the fonts should come from fonts-liberation2"

step "play the installed game"
home=$tmp/home
python3 "$ROOT/packaging/play_installed.py" --command nadilka --path "$PLAYER_PATH" --home "$home" \
  --player-table "$home/.local/share/nadilka/extract.ext" --shots "$SHOTS/installed" --layout "$PKG_BUILD/game" ||
  fail "the installed game"
# Root played: still nothing may have been written into the package's files or folders.
dpkg --verify nadilka || fail "the installed files changed"
extra=$(find "$DATA" /usr/share/doc/nadilka ! -type d | sort | comm -23 - "$tmp/owned-files")
[ -z "$extra" ] || fail "files appeared in the package's folders: $extra"

step "apt-get remove nadilka"
apt_get remove nadilka >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log" >&2; fail "apt-get remove"; }
is_installed && fail "nadilka is still installed"
we_installed=
left=$(while read -r p; do if [ -e "$p" ] || [ -L "$p" ]; then echo "$p"; fi; done <"$tmp/owned-files")
[ -z "$left" ] || fail "files of the package are left: $left"
for d in "$DATA" /usr/share/doc/nadilka; do [ ! -e "$d" ] || fail "$d is left"; done
[ -z "$(PATH=$PLAYER_PATH command -v nadilka)" ] || fail "nadilka is still on a player's PATH"
[ -s "$home/.local/share/nadilka/extract.ext" ] || fail "the player's own scores went with the package"

echo "packages checked, played, installed and removed in $SECONDS s: $(wc -l <"$tmp/owned-files") files came and went"

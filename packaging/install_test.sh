#!/usr/bin/env bash
# Installs the built game into a temporary prefix, checks what lands where, validates the
# desktop entry and starts the installed game briefly under Xvfb from a foreign folder.
#   packaging/install_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d "${TMPDIR:-/tmp}/nadilka-install.XXXXXX")
xvfb_pid= game_pid=
cleanup() {
  [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "cmake --install"; }

lib=$prefix/lib/nadilka
for f in nadilka menu.mid game.mid extract.ext pictures/santa.bmp pictures/menu.bmp pictures/sob9.bmp \
  fonts/LiberationSans-Regular.ttf fonts/LiberationSans-Bold.ttf fonts/LiberationSerif-Bold.ttf; do
  [ -s "$lib/$f" ] || fail "missing $lib/$f"
done
[ -x "$lib/nadilka" ] || fail "$lib/nadilka is not executable"
[ "$(ls "$lib/pictures" | wc -l)" -ge 48 ] || fail "fewer than 48 pictures in $lib/pictures"
[ -L "$prefix/bin/nadilka" ] || fail "no launcher link $prefix/bin/nadilka"
[ "$(readlink -f "$prefix/bin/nadilka")" = "$(readlink -f "$lib/nadilka")" ] || fail "the launcher points elsewhere"
# The launcher hands its arguments on: the options answer without a display.
[ "$("$prefix/bin/nadilka" --version)" = $'nadilka 1.0\nLicence: MIT' ] || fail "the launcher does not pass --version on"
"$prefix/bin/nadilka" --help | grep -q -- '--fullscreen' || fail "the launcher does not pass --help on"
cmp -s "$lib/extract.ext" "$(dirname "$0")/../assets/extract.ext" || fail "the installed table is not the pristine one"

desktop=$prefix/share/applications/nadilka.desktop
[ -f "$desktop" ] || fail "no $desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
for key in 'Name=' 'Comment=' 'Comment\[cs\]=' 'Exec=nadilka' 'Icon=nadilka' 'Categories=Game;ArcadeGame;'; do
  grep -q "^$key" "$desktop" || fail "$desktop has no ${key//\\/} line"
done
icon=$prefix/share/icons/hicolor/64x64/apps/nadilka.png
[ -f "$icon" ] || fail "no $icon"
# The PNG signature, then the IHDR chunk's width and height: 64 x 64.
[ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
[ "$(head -c 24 "$icon" | tail -c 8 | od -An -tx1 | tr -d ' \n')" = 0000004000000040 ] || fail "$icon is not 64 x 64"

# The installed game, started through the launcher from another folder, shows its window.
exec 3>"$tmp/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$tmp/display")
mkdir -p "$tmp/home" "$tmp/elsewhere"
(cd "$tmp/elsewhere" && HOME=$tmp/home XDG_DATA_HOME=$tmp/home/data SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  PATH=$prefix/bin:$PATH exec nadilka) 2>"$tmp/stderr" &
game_pid=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$game_pid" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { cat "$tmp/stderr" >&2; fail "the installed game showed no window"; }
sleep 2
kill -0 "$game_pid" 2>/dev/null || { cat "$tmp/stderr" >&2; fail "the installed game ended by itself"; }
echo "installed into $prefix: $(find "$prefix" -type f | wc -l) files; the game ran from $prefix/bin/nadilka"

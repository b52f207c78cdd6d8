#!/usr/bin/env python3
"""Plays an installed copy of the game as a player would, on a private Xvfb display: started by
the command a player types (found on the player's PATH) from a foreign folder, with a home of
its own.

First start: the menu shows, the music finds its soundfont, the high-score table the game comes
with shows; a game starts and runs, Escape returns to the menu and "Konec" ends the program with
status 0. Second start, after the player's own table was written where the game keeps it: the
table shows that one instead.

    play_installed.py --command nadilka --path /usr/bin:/usr/games --home DIR \\
        --player-table DIR/.local/share/nadilka/extract.ext --shots DIR

Standard library and the end-to-end harness only; exit status 0 when every step passed.
"""

import argparse
import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import e2e_lib as L  # noqa: E402

# Generous waits: the test runs right after a build, on a machine that may be busy.
WAIT = 10

# The player's own table: rows the table the game comes with does not have.
PLAYER_ROWS = [("Sněhulák", "9000"), ("Vločka", "8000"), ("Rampouch", "7000"), ("Sáňkař", "6000"),
               ("Koleda", "5000"), ("Cukroví", "4000"), ("Stromek", "3000")]


class InstalledSession(L.Session):
    """The harness's session, but the game is the installed command, not a run-folder copy."""

    def __init__(self, args):
        super().__init__(os.path.basename(os.path.normpath(args.shots)), args.shots, args.shots)
        self.args = args

    def game_env(self, audio):
        return {"DISPLAY": self.display, "HOME": self.args.home, "PATH": self.args.path,
                "LANG": "C.UTF-8", "SDL_VIDEODRIVER": "x11", "SDL_AUDIODRIVER": audio}

    def game_argv(self):
        return [self.args.command]

    def game_cwd(self):
        elsewhere = os.path.join(self.tmp, "elsewhere")
        os.makedirs(elsewhere, exist_ok=True)
        return elsewhere


def table_rows(s, menu, label):
    """Opens the high-score table from the menu, returns the pixels of its rows and goes back."""
    s.first_click(*L.MENU_SCORES,
                  lambda: s.region(s.grab(), L.SCORE_PANEL) != s.region(menu, L.SCORE_PANEL),
                  "\"Nejlepší hráči\" (the high-score panel)", timeout=WAIT)
    time.sleep(0.2)
    rows = s.region(s.shot(f"{label}-table"), L.SCORE_ROWS)
    s.click(*L.PANEL_BACK)
    s.wait_until(lambda: s.region(s.grab(), L.SCORE_PANEL) == s.region(menu, L.SCORE_PANEL), WAIT,
                 "the menu did not come back after the panel's back word")
    return rows


def quit_from_menu(s):
    s.expect_exit()
    s.click(*L.MENU_QUIT)
    s.wait_until(lambda: s.game.poll() is not None, WAIT, "the program did not end after \"Konec\"")
    s.check(s.game.returncode == 0, f"the program ended with status {s.game.returncode}, expected 0")


def body(s):
    s.begin("first start: the menu")
    s.launch()
    menu = s.shot("menu")
    s.begin("first start: the music finds its soundfont")
    # The music starts after the first frame; a missing soundfont or device is reported then.
    time.sleep(3)
    complaints = [line for line in s.game_output().splitlines() if "silence" in line]
    s.check(not complaints, f"the music did not start: {complaints}")

    s.begin("first start: the table the game comes with")
    shipped = table_rows(s, menu, "shipped")

    s.begin("first start: a game")
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), WAIT, "the play field did not show after \"Nová hra\"")
    s.hold("Down", 0.5)
    s.key("space")
    time.sleep(1.0)
    s.shot("game")
    s.check(s.alive(), "the game ended during play")

    s.begin("first start: Escape, then Konec")
    s.key("Escape")
    s.wait_until(lambda: not s.game_shown(s.grab()), WAIT, "Escape did not return to the menu")
    quit_from_menu(s)
    s.check("cannot" not in s.game_output(), f"the game complained:\n{s.game_output()}")

    s.begin("second start: the player's own table")
    os.makedirs(os.path.dirname(s.args.player_table), exist_ok=True)
    with open(s.args.player_table, "wb") as f:
        f.write(b"".join(f'"{n}","{p}"'.encode("cp1250") + b"\r\n" for n, p in PLAYER_ROWS))
    s.launch()
    own = table_rows(s, s.shot("menu-again"), "own")
    differ = L.count_different(shipped, own)
    s.check(differ > 500, f"the table looks the same as the one the game comes with ({differ} pixels"
            f" differ): {s.args.player_table} was not read")
    quit_from_menu(s)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--command", required=True, help="what a player types to start the game")
    p.add_argument("--path", default=os.environ.get("PATH", ""), help="the player's PATH")
    p.add_argument("--home", required=True, help="the player's home folder")
    p.add_argument("--player-table", required=True, help="where the game keeps this player's table")
    p.add_argument("--shots", required=True, help="folder for the screenshots")
    p.add_argument("--layout", required=True, help="the build's game folder, with its layout.json")
    args = p.parse_args()
    L.load_layout(args.layout)
    s = InstalledSession(args)
    status = 1
    try:
        s.start_x()
        body(s)
        status = 0
        s.log(f"PASSED in {time.monotonic() - s.t0:.1f} s")
    except L.StepFailed as e:
        print(f"FAILED: {e}", file=sys.stderr)
        print(f"screenshots: {s.shots_dir}", file=sys.stderr)
        if s.game_log:
            print(f"game output (last part):\n{s.game_output()}", file=sys.stderr)
    finally:
        s.close()
    sys.exit(status)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Takes the screenshots named in the AppStream metainfo from the real game under Xvfb:
the menu, and a game with the sleigh low over the roofs and gifts on their way down. Each is
the game's client area, 642 x 482, written to packaging/screenshots/.

    packaging/take_screenshots.py --game-dir build/game --shots /tmp/shots
"""

import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import e2e_lib as L  # noqa: E402

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "screenshots")


def save_client(s, png, name):
    x, y, w, h = s.abs_region((0, 0, L.CLIENT_W, L.CLIENT_H))
    os.makedirs(OUT, exist_ok=True)
    out = os.path.join(OUT, name)
    subprocess.run([L.CONVERT, png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-strip", out], check=True)
    s.log(f"wrote {out}")


def body(s):
    s.begin("menu")
    s.launch()
    time.sleep(1.0)
    save_client(s, s.shot("menu"), "menu.png")

    s.begin("a game")
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show")
    s.hold("Down", 3.0)
    s.key("space")
    time.sleep(0.5)
    s.key("space")
    time.sleep(0.4)
    save_client(s, s.shot("game"), "game.png")


L.run_test("screenshots", body)

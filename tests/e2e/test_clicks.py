#!/usr/bin/env python3
"""Clicks as the window delivers them: a click counts only when the button goes down and
comes up over the same control, wherever over it; and a click area takes no clicks on its
container's border.  A stand-in xdg-open logs the addresses the game hands over."""

import os
import stat
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402

STUDIO = "https://www.brimel-studio.cz/"


def body(s):
    log = os.path.join(s.tmp, "opened.log")
    bindir = os.path.join(s.tmp, "bin")
    os.makedirs(bindir)
    opener = os.path.join(bindir, "xdg-open")
    with open(opener, "w") as f:
        f.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + log + "'\n")
    os.chmod(opener, os.stat(opener).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)

    def opened():
        try:
            with open(log, encoding="utf-8", errors="replace") as f:
                return f.read().splitlines()
        except OSError:
            return []

    s.begin("menu")
    s.launch(extra_env={"PATH": bindir + os.pathsep + os.environ.get("PATH", "")})
    menu = s.shot("menu")
    menu_px = s.client(menu)

    s.begin("pressed on \"Nová hra\", released on \"Informace\"")
    s.mouse_down(*L.MENU_START)
    s.mouse_up(*L.MENU_INFO)
    time.sleep(1.0)
    s.check(s.client(s.shot("apart")) == menu_px,
            "the menu changed: a press and a release over two entries clicked one of them")

    s.begin("pressed and released at two corners of \"Informace\"")
    x, y, w, h = L.rect("Image4")
    s.mouse_down(x + 3, y + 3)
    s.mouse_up(x + w - 4, y + h - 4)
    s.wait_until(lambda: s.region(s.grab(), L.INFO_REGION) != s.region(menu, L.INFO_REGION), 3,
                 "the information panel did not show")
    s.click(*L.INFO_RETURN)
    s.wait_until(lambda: s.client(s.grab()) == menu_px, 3, "the information panel did not close")

    # The studio's click area reaches one column past the menu's inner area, the portal's one
    # row below it: those are the menu's border.
    s.begin("the menu's border beside and below the logos")
    x8, y8, w8, h8 = L.rect("Image8")
    x7, y7, w7, h7 = L.rect("Image7")
    s.click(x8 + w8, y8 + h8 // 2)
    s.click(x7 + w7 // 2, y7 + h7)
    time.sleep(1.0)
    s.check(opened() == [], f"a click on the menu's border opened {opened()}")

    s.begin("the studio's logo itself")
    s.click(x8 + w8 - 1, y8 + h8 // 2)
    s.wait_until(lambda: opened(), 5, "the studio's logo opened nothing")
    time.sleep(0.5)
    s.check(opened() == [STUDIO], f"the opener log is {opened()}, expected {[STUDIO]}")
    s.check(s.alive(), "the game ended")


if __name__ == "__main__":
    L.run_test("clicks", body)

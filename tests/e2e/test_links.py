#!/usr/bin/env python3
"""Web links, the information panel and the quit entry.

A stand-in xdg-open first on PATH logs every address the game hands over.  The
portal's and the studio's logos in the menu each open their page once; the banner
frame of the play field opens the portal in the first 20 s of the first game and
the game goes on; the information panel opens and closes; "Konec" ends the program
with status 0 and leaves the high-score file as it was."""

import os
import stat
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402

PORTAL = "http://www.vorlanix.cz"
STUDIO = "https://www.brimel-studio.cz/"


def body(s):
    log = os.path.join(s.tmp, "opened.log")
    bindir = os.path.join(s.tmp, "bin")
    os.makedirs(bindir)
    opener = os.path.join(bindir, "xdg-open")
    with open(opener, "w") as f:
        f.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + log + "'\n")
    os.chmod(opener, os.stat(opener).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    with open(s.path("extract.ext"), "rb") as f:
        scores_before = f.read()

    def opened():
        try:
            with open(log, encoding="utf-8", errors="replace") as f:
                return f.read().splitlines()
        except OSError:
            return []

    def expect_lines(lines, what):
        s.wait_until(lambda: len(opened()) >= len(lines), 5,
                     f"{what}: the web opener was not called (log: {opened()})")
        time.sleep(0.5)  # one request per click: nothing more may follow
        got = opened()
        s.check(got == lines, f"{what}: the opener log is {got}, expected {lines}")

    s.begin("menu")
    s.launch(extra_env={"PATH": bindir + os.pathsep + os.environ.get("PATH", "")})
    menu = s.shot("menu")
    menu_px = s.client(menu)

    s.begin("a click beside every entry does nothing")
    s.click(120, 300)
    time.sleep(0.5)
    s.check(opened() == [], f"a click on plain sky opened {opened()}")
    s.check(s.client(s.grab()) == menu_px, "a click on plain sky changed the menu")

    s.begin("portal logo")
    s.click(*L.MENU_PORTAL_LOGO)
    expect_lines([PORTAL], "portal logo")

    s.begin("studio logo")
    s.click(*L.MENU_STUDIO_LOGO)
    expect_lines([PORTAL, STUDIO], "studio logo")
    s.check(s.alive(), "the game ended after the links")

    s.begin("information panel opens")
    s.click(*L.MENU_INFO)
    menu_info = s.region(menu, L.INFO_REGION)
    s.wait_until(lambda: s.region(s.grab(), L.INFO_REGION) != menu_info, 3,
                 "the information panel did not show after \"Informace\"")
    info = s.shot("info")
    outside = (1, 1, 640, 230)
    s.check(s.region(info, outside) == s.region(menu, outside),
            "opening the information panel changed the menu above it")

    s.begin("information panel closes")
    s.click(*L.INFO_RETURN)
    s.wait_until(lambda: s.client(s.grab()) == menu_px, 3,
                 "the menu picture did not come back after the panel's return word")
    s.shot("info-closed")

    s.begin("start a game")
    s.click(*L.MENU_START)
    t_game = time.monotonic()
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    game = s.shot("game")
    s.check(s.region(game, L.BANNER_FRAME) != s.region(menu, L.BANNER_FRAME),
            "the banner frame at the top right does not show in the play field")

    s.begin("banner click in the first 20 s")
    s.click(*L.BANNER)
    s.check(time.monotonic() - t_game < 15, "too late for the first banner phase")
    expect_lines([PORTAL, STUDIO, PORTAL], "banner (portal) in the first 20 s of the first game")
    s.shot("after-banner")

    s.begin("the game goes on after the banner click")

    def moving():
        c1 = s.client(s.grab())
        time.sleep(0.3)
        return L.count_different(c1, s.client(s.grab())) > 50
    s.wait_until(moving, 3, "the play field stands still after the banner click")
    s.check(s.game_shown(s.grab()), "the play field is gone after the banner click")
    s.check(s.find_pause_box() is None, "a message box appeared after the banner click")

    s.begin("Escape back to the menu")
    s.key("Escape")
    s.wait_until(lambda: s.client(s.grab()) == menu_px, 5,
                 "Escape did not bring back the menu picture")
    s.shot("menu-again")

    s.begin("quit with Konec")
    s.expect_exit()
    s.click(*L.MENU_QUIT)
    s.wait_until(lambda: s.game.poll() is not None, 5, "the program did not end after \"Konec\"")
    s.check(s.game.returncode == 0, f"the program ended with status {s.game.returncode}, expected 0")
    out = s.x("xdotool", "search", "--pid", str(s.game.pid), check=False).split()
    s.check(not out, f"windows of the ended program remain: {out}")
    with open(s.path("extract.ext"), "rb") as f:
        s.check(f.read() == scores_before, "extract.ext changed although no name was entered")
    s.check(opened() == [PORTAL, STUDIO, PORTAL], f"more pages were opened: {opened()}")


if __name__ == "__main__":
    L.run_test("links", body)

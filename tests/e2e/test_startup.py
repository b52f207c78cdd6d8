#!/usr/bin/env python3
"""Start-up: the window, its title and size, the menu's night sky, and the program
running with the dummy audio driver and with an audio driver that fails."""

import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402

SKY_POINTS = [(20, 300), (100, 250), (560, 300), (200, 380), (600, 200), (150, 100)]


def window_title(s):
    out = s.x("xprop", "-id", s.window, "_NET_WM_NAME")
    # _NET_WM_NAME(UTF8_STRING) = "..."
    if "=" not in out or '"' not in out:
        s.fail(f"the window has no _NET_WM_NAME: {out.strip()!r}")
    value = out.split("=", 1)[1].strip()
    return value[1:-1] if value.startswith('"') and value.endswith('"') else value


def check_menu(s, label):
    s.begin(f"{label}: title")
    title = window_title(s)
    s.check(title == L.TITLE, f"window title is {title!r}, expected {L.TITLE!r}")

    s.begin(f"{label}: client size")
    x, y, w, h = s.window_geometry()
    s.check((w, h) == (L.CLIENT_W, L.CLIENT_H), f"client area is {w} x {h}, expected 642 x 482")

    s.begin(f"{label}: night sky of the menu")
    png = s.shot(f"{label}-menu")
    wrong = [(p, s.pixel(png, *p)) for p in SKY_POINTS if s.pixel(png, *p) != L.SKY]
    s.check(not wrong, f"menu sky points are not (0, 40, 111): {wrong}")
    # The menu is more than sky: its entries are drawn (white-ish text of "Nová hra").
    entries = s.region(png, (233, 225, 176, 40))
    s.check(L.count_colour(entries, L.SKY) < len(entries) // 3 * 0.9,
            "the menu entry \"Nová hra\" area is plain sky: the menu picture is missing")


def keeps_running(s, label, seconds=2.0):
    s.begin(f"{label}: keeps running")
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        s.check(s.alive(), f"the game ended with status {s.game.returncode}; output:\n{s.game_output()}")
        time.sleep(0.2)


def body(s):
    # 1. The ordinary start with the dummy audio driver.
    s.begin("dummy audio: window appears")
    s.launch(audio="dummy")
    check_menu(s, "dummy")
    keeps_running(s, "dummy")
    s.begin("dummy audio: a game starts")
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    s.shot("dummy-game")
    keeps_running(s, "dummy game", 1.0)
    s.stop_game()

    # 2. An audio driver that cannot open: no crash, no music, the game still works.
    s.begin("failing audio: window appears")
    s.launch(audio="nonexistent")
    check_menu(s, "noaudio")
    keeps_running(s, "failing audio")
    s.begin("failing audio: music switch")
    s.click(*L.MENU_MUSIC)
    time.sleep(0.3)
    s.click(*L.MENU_MUSIC)
    keeps_running(s, "failing audio after the music switch", 0.5)
    s.begin("failing audio: a game starts")
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    s.shot("noaudio-game")
    keeps_running(s, "failing audio game", 1.5)
    s.stop_game()


if __name__ == "__main__":
    L.run_test("startup", body)

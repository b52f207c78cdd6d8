#!/usr/bin/env python3
"""A scaled window: at --scale 2 the menu, halved with nearest neighbour, equals the menu at
--scale 1 pixel for pixel, every 2 x 2 block being one colour; a click on the scaled "Nová hra"
starts a game; the window resized by hand keeps the frame at the largest whole scale that
fits, centred, black around it, and a click on the black border hits nothing; F11 switches
fullscreen on and off; the pause box opens over the scaled game."""

import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402

BLACK = (0, 0, 0)


def screen_region(s, png, x, y, w, h):
    return L.raw_rgb(png, (x, y, w, h))


def body(s):
    s.begin("the menu at --scale 1")
    s.launch(args=["--scale", "1"])
    reference = s.client(s.shot("menu-scale-1"))
    s.stop_game()

    s.begin("the menu at --scale 2")
    s.expect_layout((2 * L.CLIENT_W, 2 * L.CLIENT_H), 2)
    s.launch(args=["--scale", "2"])
    shot = s.shot("menu-scale-2")
    whole = L.raw_rgb(shot, s.abs_region((0, 0, L.CLIENT_W, L.CLIENT_H)))
    s.check(len(whole) == 2 * L.CLIENT_W * 2 * L.CLIENT_H * 3, "the scaled window is not 1284 x 964")
    bad = L.blocks_uniform(whole, 2 * L.CLIENT_W, 2)
    s.check(bad == 0, f"{bad} rows of 2 x 2 blocks of the scaled menu are not one colour each")
    halved = s.client(shot)
    diff = L.count_different(halved, reference)
    s.check(diff == 0, f"the scaled menu halved differs from the menu at scale 1 in {diff} pixels")

    s.begin("resized by hand: the largest whole scale, centred, black around it")
    s.x("xdotool", "windowsize", s.window, "1400", "1000")
    s.expect_layout((1400, 1000), 2)
    s.find_window()
    x, y, w, h = s.window_geometry()
    s.wait_until(lambda: s.client(s.grab()) == reference, 5, "the menu did not show again at scale 2 in 1400 x 1000")
    shot = s.shot("resized")
    s.check(s.origin == (x + 58, y + 18), f"the frame is at {s.origin}, not centred in the window at {(x, y)}")
    for name, region in (("left", (x, y, 58, h)), ("right", (x + 58 + 1284, y, 58, h)),
                         ("top", (x, y, w, 18)), ("bottom", (x, y + 18 + 964, w, 18))):
        px = screen_region(s, shot, *region)
        s.check(L.count_colour(px, BLACK) * 3 == len(px), f"the {name} border is not all black")

    s.begin("a click on the black border hits nothing")
    # Level with "Nová hra", left of the frame.
    s.x("xdotool", "mousemove", str(x + 20), str(s.origin[1] + 2 * L.MENU_START[1]))
    time.sleep(0.2)
    s.x("xdotool", "click", "1")
    time.sleep(1.0)
    s.check(s.client(s.grab()) == reference, "a click on the border changed the menu")

    s.begin("a click on the scaled \"Nová hra\" starts a game")
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\" at scale 2")
    s.shot("game")

    s.begin("the pause box over the scaled game")
    s.key("p")
    box = s.wait_until(s.find_pause_box, 5, "no \"Pauza...\" window after P at scale 2")
    time.sleep(0.3)
    s.shot("paused")
    s.close_pause_box(box)
    s.wait_until(lambda: s.find_pause_box() is None, 5, "the pause box did not close on Return")

    s.begin("F11: fullscreen")
    s.key("F11")
    s.expect_layout((1920, 1080), 2)
    s.find_window()
    s.check(s.window_geometry() == (0, 0, 1920, 1080), f"fullscreen is {s.window_geometry()}")
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show in fullscreen")
    s.shot("fullscreen")

    s.begin("F11 again: back to the window")
    s.key("F11")
    s.expect_layout((1400, 1000), 2)
    s.find_window()
    s.check(s.window_geometry() == (x, y, 1400, 1000),
            f"back from fullscreen the window is {s.window_geometry()}, not {(x, y, 1400, 1000)}")
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show back in the window")
    s.shot("windowed")
    s.check(s.alive(), "the game ended")


if __name__ == "__main__":
    L.run_test("scale", body, screen="1920x1080x24")

#!/usr/bin/env python3
"""Fullscreen on a 1920 x 1080 screen: --fullscreen shows the frame at scale 2, centred,
black around it, halved equal to the menu at scale 1; a click on the scaled "Nová hra" starts
a game; the pause box shows over fullscreen, F11 works while it is open and Return closes it;
F11 and Alt+Enter switch back and forth; the mode is kept for the next run and --windowed
overrides it."""

import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402

FULL = (1920, 1080)
BOX_BACKGROUND = (56, 54, 53)


def all_black(buf):
    return L.count_colour(buf, (0, 0, 0)) * 3 == len(buf)


def box_geometry(s, box):
    info = s.x("xwininfo", "-id", box)
    vals = {}
    for line in info.splitlines():
        k, _, v = line.strip().partition(":")
        if k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            vals[k] = int(v)
    return (vals["Absolute upper-left X"], vals["Absolute upper-left Y"], vals["Width"], vals["Height"])


def box_on_top(s, box):
    """The box's own background shows on the screen just inside its top left corner."""
    x, y, w, h = box_geometry(s, box)
    return tuple(L.raw_rgb(s.grab(), (x + w - 4, y + 3, 1, 1))) == BOX_BACKGROUND


def settings_text(s):
    path = os.path.join(s.config_dir(), "nadilka", "settings.ini")
    with open(path, encoding="utf-8") as f:
        return f.read()


def expect_fullscreen(s, what):
    s.expect_layout(FULL, 2)
    s.find_window()
    s.check(s.window_geometry() == (0, 0) + FULL, f"{what}: the window is {s.window_geometry()}, not the screen")


def expect_windowed(s, what):
    s.expect_layout((L.CLIENT_W, L.CLIENT_H), 1)
    s.find_window()
    s.check(s.window_geometry()[2:] == (L.CLIENT_W, L.CLIENT_H),
            f"{what}: the window is {s.window_geometry()}, not 642 x 482")


def body(s):
    s.begin("the menu at scale 1, for comparison")
    s.launch(args=["--scale", "1", "--windowed"])
    reference = s.client(s.shot("menu-scale-1"))
    s.stop_game()

    s.begin("--fullscreen: the frame at scale 2, centred, black around it")
    s.expect_layout(FULL, 2)
    s.launch(args=["--fullscreen"])
    s.check(s.window_geometry() == (0, 0) + FULL, f"the fullscreen window is {s.window_geometry()}")
    s.check(s.origin == (318, 58), f"the frame is at {s.origin}, expected (318, 58)")
    shot = s.shot("fullscreen-menu")
    for name, region in (("left", (0, 0, 318, 1080)), ("right", (1602, 0, 318, 1080)),
                         ("top", (0, 0, 1920, 58)), ("bottom", (0, 1022, 1920, 58))):
        s.check(all_black(L.raw_rgb(shot, region)), f"the {name} border is not all black")
    whole = L.raw_rgb(shot, (318, 58, 1284, 964))
    bad = L.blocks_uniform(whole, 1284, 2)
    s.check(bad == 0, f"{bad} rows of 2 x 2 blocks of the fullscreen menu are not one colour each")
    diff = L.count_different(s.client(shot), reference)
    s.check(diff == 0, f"the fullscreen menu halved differs from the menu at scale 1 in {diff} pixels")

    s.begin("a click on the scaled \"Nová hra\" starts a game")
    s.first_click(*L.MENU_START, lambda: s.game_shown(s.grab()), "\"Nová hra\" in fullscreen")
    s.shot("fullscreen-game")

    s.begin("the pause box over fullscreen")
    s.key("p")
    box = s.wait_until(s.find_pause_box, 5, "no \"Pauza...\" window after P in fullscreen")
    s.wait_until(lambda: box_on_top(s, box), 3, "the pause box does not show over the fullscreen window")
    s.shot("fullscreen-paused")
    big = box_geometry(s, box)[2:]

    s.begin("F11 while the box is open: a window, the box still over it")
    s.key("F11")
    expect_windowed(s, "F11 in the pause box")
    s.wait_until(lambda: box_on_top(s, box), 3, "the pause box does not show over the window")
    s.check(s.find_pause_box() == box, "the pause box went away with F11")
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the paused game is not shown in the window")
    # The box goes with the frame's scale, 2 in fullscreen here and 1 in the window.
    s.wait_until(lambda: box_geometry(s, box)[2:] == (big[0] // 2, big[1] // 2), 3,
                 f"the box kept its fullscreen size {big} in the window: {box_geometry(s, box)[2:]}")
    s.wait_until(lambda: box_on_top(s, box), 3, "the pause box does not show over the window at its new size")
    s.shot("windowed-paused")
    s.key("F11")
    expect_fullscreen(s, "F11 again in the pause box")
    s.wait_until(lambda: box_on_top(s, box), 3, "the pause box does not show over fullscreen again")
    s.wait_until(lambda: box_geometry(s, box)[2:] == big, 3,
                 f"the box did not grow back to {big} in fullscreen: {box_geometry(s, box)[2:]}")
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the paused game is not shown in fullscreen again")

    s.begin("Return closes the box; the game goes on")
    s.close_pause_box(box)
    s.wait_until(lambda: s.find_pause_box() is None, 5, "the pause box did not close on Return")

    def moving():
        a = s.region(s.grab(), L.TEAM_BAND)
        time.sleep(0.3)
        return a != s.region(s.grab(), L.TEAM_BAND)
    s.wait_until(moving, 5, "the game stays frozen after the pause box closed in fullscreen")
    s.wait_until(lambda: s.focus() == s.window, 3, "the game window did not get the focus back")

    s.begin("Alt+Enter: a window, and fullscreen again")
    s.key("alt+Return")
    expect_windowed(s, "Alt+Enter")
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show in the window")
    s.key("alt+Return")
    expect_fullscreen(s, "Alt+Enter again")
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show in fullscreen again")

    s.begin("Escape, then \"Konec\": the mode is kept")
    s.key("Escape")
    s.wait_until(lambda: s.client(s.grab()) == reference, 5, "the menu did not come back after Escape")
    s.expect_exit()
    s.click(*L.MENU_QUIT)
    s.wait_until(lambda: s.game.poll() is not None, 5, "the program did not end after \"Konec\"")
    s.check(s.game.returncode == 0, f"the program ended with status {s.game.returncode}")
    text = settings_text(s)
    s.log("settings.ini:\n" + text)
    s.check("mode = fullscreen\n" in text and "scale = 1\n" in text and "scaling = sharp\n" in text,
            f"settings.ini does not keep fullscreen at window scale 1:\n{text}")

    s.begin("the next run starts in fullscreen")
    s.expect_layout(FULL, 2)
    s.launch()
    s.check(s.window_geometry() == (0, 0) + FULL, f"the second run's window is {s.window_geometry()}")
    s.check(s.client(s.shot("remembered")) == reference, "the remembered fullscreen does not show the menu")
    s.stop_game()

    s.begin("--windowed overrides the kept mode")
    s.expect_layout((L.CLIENT_W, L.CLIENT_H), 1)
    s.launch(args=["--windowed"])
    s.shot("windowed")
    s.stop_game()


if __name__ == "__main__":
    L.run_test("fullscreen", body, screen="1920x1080x24")

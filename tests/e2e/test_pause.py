#!/usr/bin/env python3
"""Pause: P opens the modal box "Pauza...", the play field stands still while it is
open, Return closes it, then the game moves again, has the keyboard focus back and
the arrow keys still steer."""

import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402


def steer(s, key, label):
    """Hold an arrow key and return the reindeer team's mean height before and after."""
    before = s.team_y(s.shot(f"{label}-before"))
    s.hold(key, 1.5)
    time.sleep(0.4)
    after = s.team_y(s.shot(f"{label}-after"))
    s.log(f"{key}: team height {before:.1f} -> {after:.1f}")
    return before, after


def body(s):
    s.begin("menu")
    s.launch()
    s.shot("menu")

    s.begin("start a game")
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    time.sleep(0.5)

    s.begin("steering before the pause")
    before, after = steer(s, "Down", "down-1")
    s.check(after > before + 30, f"holding Down did not lower the team: {before:.1f} -> {after:.1f}")

    s.begin("press P")
    s.check(s.find_pause_box() is None, "a \"Pauza...\" window exists before P was pressed")
    s.key("p")
    box = s.wait_until(s.find_pause_box, 5, "no window titled \"Pauza...\" appeared after P")
    s.log(f"pause box {box}")
    time.sleep(0.3)  # let the box draw itself

    s.begin("the play field is frozen while paused")
    a = s.shot("paused-a")
    time.sleep(1.0)
    b = s.shot("paused-b")
    s.check(s.find_pause_box() == box, "the pause box went away by itself")
    diff = L.count_different(L.raw_rgb(a), L.raw_rgb(b))
    s.check(diff == 0, f"the screen changed while the pause box was open ({diff} pixels differ)")
    s.check(s.game_shown(a), "the play field is not shown behind the pause box")

    s.begin("close the pause box with Return")
    s.close_pause_box(box)
    s.wait_until(lambda: s.find_pause_box() is None, 5, "the \"Pauza...\" window did not close on Return")
    s.shot("closed")

    s.begin("the play field moves again")

    def moving():
        c1 = s.client(s.grab())
        time.sleep(0.3)
        c2 = s.client(s.grab())
        return L.count_different(c1, c2) > 50
    s.wait_until(moving, 5, "the play field stays frozen after the pause box closed")
    s.check(s.alive(), "the game ended after the pause")

    s.begin("the game window has the focus back")
    s.wait_until(lambda: s.focus() == s.window, 3,
                 f"keyboard focus is on {s.focus()!r}, not on the game window {s.window}")

    s.begin("Up steers after the pause")
    before, after = steer(s, "Up", "up-after-pause")
    s.check(after < before - 30, f"holding Up did not raise the team after the pause: {before:.1f} -> {after:.1f}")

    s.begin("Down steers after the pause")
    before, after = steer(s, "Down", "down-after-pause")
    s.check(after > before + 30, f"holding Down did not lower the team after the pause: {before:.1f} -> {after:.1f}")

    s.begin("a second pause")
    s.key("P")
    box = s.wait_until(s.find_pause_box, 5, "no \"Pauza...\" window after a second P (with Shift)")
    s.close_pause_box(box)
    s.wait_until(lambda: s.find_pause_box() is None, 5, "the second \"Pauza...\" window did not close")
    s.wait_until(moving, 5, "the play field stays frozen after the second pause")
    s.shot("end")
    s.check(s.alive(), "the game ended")


if __name__ == "__main__":
    L.run_test("pause", body)

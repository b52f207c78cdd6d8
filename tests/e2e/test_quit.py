#!/usr/bin/env python3
"""Quit requests and the pause box: a key pressed right behind P is handled once the box
closes (only input typed while the box is open is dropped); SIGTERM (what a desktop sends at
log-out) and SIGINT end the program at once while the box is open, with exit status 0, the box
gone and the high-score file as it was."""

import os
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402


def start_play(s):
    s.launch()
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    time.sleep(0.5)


def body(s):
    s.begin("a space pressed right behind P")
    start_play(s)
    gifts0 = s.region(s.grab(), L.STATUS_GIFTS)
    # One xdotool call without delay: the space reaches the game's queue with the P, before
    # the box opens.
    s.x("xdotool", "key", "--delay", "0", "p", "space")
    box = s.wait_until(s.find_pause_box, 5, "no \"Pauza...\" window after P")
    time.sleep(1.0)
    s.check(s.region(s.grab(), L.STATUS_GIFTS) == gifts0, "a gift landed while the pause box was open")
    s.close_pause_box(box)
    s.wait_until(lambda: s.find_pause_box() is None, 5, "the pause box did not close on Return")
    s.wait_until(lambda: s.region(s.grab(), L.STATUS_GIFTS) != gifts0, 8,
                 "the gift of the space pressed behind P never landed: the space was dropped")
    s.shot("gift-landed")
    s.stop_game()

    with open(s.path("extract.ext"), "rb") as f:
        scores = f.read()
    for sig in (signal.SIGTERM, signal.SIGINT):
        name = signal.Signals(sig).name
        s.begin(f"{name} while the pause box is open")
        start_play(s)
        s.key("p")
        s.wait_until(s.find_pause_box, 5, "no \"Pauza...\" window after P")
        time.sleep(0.3)
        s.expect_exit()
        t0 = time.monotonic()
        s.game.send_signal(sig)
        try:
            status = s.game.wait(timeout=2)
        except subprocess.TimeoutExpired:
            s.fail(f"the game still runs 2 s after {name} with the pause box open")
        s.log(f"ended {time.monotonic() - t0:.2f} s after {name}, status {status}")
        s.check(status == 0, f"exit status {status} after {name}, expected 0; output:\n{s.game_output()}")
        s.wait_until(lambda: s.find_pause_box() is None, 2, "the pause box outlived the game")
        left = subprocess.run(["pgrep", "-s", str(s.game.pid)], capture_output=True, text=True).stdout.split()
        s.check(not left, f"processes of the game's session outlived it: {left}")
        with open(s.path("extract.ext"), "rb") as f:
            s.check(f.read() == scores, "the high-score file changed")
        s.check(not [n for n in os.listdir(s.run_dir) if n.startswith("extract.ext.")],
                "a temporary high-score file was left behind")


if __name__ == "__main__":
    L.run_test("quit", body)

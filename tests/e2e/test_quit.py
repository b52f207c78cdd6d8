#!/usr/bin/env python3
"""Quit requests and the pause box: a key pressed right behind P is handled once the box
closes (only input typed while the box is open is dropped); SIGTERM (what a desktop sends at
log-out) and SIGINT end the program at once while the box is open, with exit status 0, the box
gone and the high-score file as it was; the window's close request, which reaches the game only
after the box, ends it as soon as the box closes."""

import ctypes
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


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def request_close(s, window):
    """What a window manager's close button sends: WM_DELETE_WINDOW to the window's owner
    (xdotool can only destroy a window or kill its client)."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    d = x11.XOpenDisplay(s.display.encode())
    s.check(d, f"cannot open the display {s.display}")
    e = _XEvent()
    e.xclient.type = 33  # ClientMessage
    e.xclient.window = int(window)
    e.xclient.message_type = x11.XInternAtom(d, b"WM_PROTOCOLS", 0)
    e.xclient.format = 32
    e.xclient.l[0] = x11.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(d, int(window), 0, 0, ctypes.byref(e))
    x11.XCloseDisplay(d)  # flushes the request


def ended_cleanly(s, what, scores):
    """The game ends within 2 s with status 0, leaving no box, process or temporary file."""
    try:
        status = s.game.wait(timeout=2)
    except subprocess.TimeoutExpired:
        s.fail(f"the game still runs 2 s after {what}")
    s.check(status == 0, f"exit status {status} after {what}, expected 0; output:\n{s.game_output()}")
    s.wait_until(lambda: s.find_pause_box() is None, 2, "the pause box outlived the game")
    left = subprocess.run(["pgrep", "-s", str(s.game.pid)], capture_output=True, text=True).stdout.split()
    s.check(not left, f"processes of the game's session outlived it: {left}")
    with open(s.path("extract.ext"), "rb") as f:
        s.check(f.read() == scores, "the high-score file changed")
    s.check(not [n for n in os.listdir(s.run_dir) if n.startswith((".nadilka-save-", "extract.ext."))],
            "a temporary high-score file was left behind")


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
        ended_cleanly(s, name, scores)
        s.log(f"ended {time.monotonic() - t0:.2f} s after {name}")

    s.begin("the window's close request while the pause box is open")
    start_play(s)
    s.key("p")
    box = s.wait_until(s.find_pause_box, 5, "no \"Pauza...\" window after P")
    time.sleep(0.3)
    s.expect_exit()
    request_close(s, s.window)
    time.sleep(0.5)
    if s.alive():
        s.close_pause_box(box)
    t0 = time.monotonic()
    ended_cleanly(s, "the close request and the box's closing", scores)
    s.log(f"ended {time.monotonic() - t0:.2f} s after the box closed")


if __name__ == "__main__":
    L.run_test("quit", body)

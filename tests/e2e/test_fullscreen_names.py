#!/usr/bin/env python3
"""The name box and the warning box in fullscreen at scale 2 on a 1920 x 1080 screen: a game
that scores 0 is played to the end of its 130 seconds (the table's seventh row is lower); the
name dialog comes up scaled, a click puts the focus into the name box and typing fills it;
F11 switches to a window and back while the name is typed, the name staying; the confirmation
cannot be saved (every file write fails, even for root), and the warning box shows over
fullscreen and closes on Return; the new row is shown in red and the file is untouched.
The run has a shared table (--table) on a real server: the game is taken there at its end,
with the name the box held then, although the game can keep no file to send it from."""

import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402
import table_server as T  # noqa: E402

ROWS = [("Žofie", "5000"), ("Sněhulák", "3000"), ("Mikuláš", "1500"), ("Anděl", "0"),
        ("Čert", "-200"), ("Vločka", "-400"), ("Poslední", "-1000000")]
NEW_ROW = 3  # a tie goes above
NAME = "Sobik"
GAME_SECONDS = 130
WARNING_TITLE = "Nejlepší výsledky"
BOX_BACKGROUND = (56, 54, 53)
FULL = (1920, 1080)


def table_bytes(rows):
    return b"".join(f'"{n}","{p}"'.encode("cp1250") + b"\r\n" for n, p in rows)


def row_region(r):
    return (192, 137 + 24 * r, 258, 24)


def bright(buf):
    return sum(1 for i in range(0, len(buf), 3) if min(buf[i:i + 3]) > 200)


def play(s, server):
    original = table_bytes(ROWS)
    with open(s.path("extract.ext"), "wb") as f:
        f.write(original)

    s.begin("a shared table")
    server.start()
    link = server.new_table("Nadílka e2e")

    s.begin("start in fullscreen, every file write failing")
    s.expect_layout(FULL, 2)
    s.launch(args=["--fullscreen", "--table", link], no_file_writes=True)
    s.shot("menu")

    s.begin("a game without gifts, to the end of its clock")
    s.first_click(*L.MENU_START, lambda: s.game_shown(s.grab()), "\"Nová hra\"")
    t_start = time.monotonic()
    while time.monotonic() < t_start + GAME_SECONDS - 5:
        s.check(s.alive(), f"the game ended with status {s.game.returncode} during play")
        s.hold(["Down", "Up"][int(time.monotonic()) % 2], 0.4)
        time.sleep(5)

    s.begin("the name dialog comes up, scaled")
    s.wait_until(lambda: bright(s.region(s.grab(), L.NAME_BOX_REGION)) > 100,
                 t_start + GAME_SECONDS + 10 - time.monotonic(),
                 "the name dialog's light text box did not come up at the end of the game", interval=0.3)
    s.log(f"the name dialog came up {time.monotonic() - t_start:.1f} s after the start")
    time.sleep(0.3)
    s.shot("name-dialog")

    s.begin("the shared table took the game")
    rows = server.wait_for_rows(1, 30)
    s.check([(r["name"], r["points"]) for r in rows] == [("BRIMEL", 0)], f"the shared table holds {rows}")
    s.check(not os.path.exists(s.path("table-queue.json")), "a queue file was written although no write can succeed")

    s.begin("typing the name")
    s.click(*L.NAME_BOX)
    time.sleep(0.2)
    s.x("xdotool", "key", "--delay", "50", *(["BackSpace"] * 10))
    time.sleep(0.2)
    empty = s.region(s.shot("name-cleared"), L.NAME_BOX_REGION)
    s.type_text(NAME)
    time.sleep(0.4)
    typed = s.region(s.shot("name-typed"), L.NAME_BOX_REGION)
    s.check(typed != empty, "typing did not change the name box")

    s.begin("F11 while the name is typed: a window and back, the name staying")
    s.key("F11")
    s.expect_layout((L.CLIENT_W, L.CLIENT_H), 1)
    s.find_window()
    s.wait_until(lambda: s.region(s.grab(), L.NAME_BOX_REGION) == typed, 5,
                 "in the window the name box does not show the typed name")
    s.key("F11")
    s.expect_layout(FULL, 2)
    s.find_window()
    s.wait_until(lambda: s.region(s.grab(), L.NAME_BOX_REGION) == typed, 5,
                 "back in fullscreen the name box does not show the typed name")

    s.begin("confirming: the warning box over fullscreen")
    s.click(*L.NAME_CONFIRM)
    box = s.wait_until(lambda: s.find_box(WARNING_TITLE), 5, f"no \"{WARNING_TITLE}\" box after the confirmation")
    time.sleep(0.3)
    shot = s.shot("warning")
    info = s.x("xwininfo", "-id", box)
    vals = {k.strip(): v.strip() for k, _, v in (ln.partition(":") for ln in info.splitlines()) if v}
    bx, by = int(vals["Absolute upper-left X"]), int(vals["Absolute upper-left Y"])
    bw = int(vals["Width"])
    s.check(tuple(L.raw_rgb(shot, (bx + bw - 4, by + 3, 1, 1))) == BOX_BACKGROUND,
            "the warning box does not show over the fullscreen window")
    s.check(s.find_pause_box() is None, "a pause box opened meanwhile")

    s.begin("Return closes the warning box; the new row is red, the file untouched")
    s.x("xdotool", "windowfocus", "--sync", box)
    s.x("xdotool", "key", "Return")
    s.wait_until(lambda: s.find_box(WARNING_TITLE) is None, 5, "the warning box did not close on Return")
    time.sleep(0.5)
    table = s.shot("table")
    s.check(L.count_colour(s.region(table, row_region(NEW_ROW)), (255, 0, 0)) > 20,
            f"the new row {NEW_ROW} is not shown in red")
    with open(s.path("extract.ext"), "rb") as f:
        s.check(f.read() == original, "extract.ext changed although no write could succeed")
    s.check(s.alive(), "the game ended")
    # (Its one line on stderr cannot be checked: the log file takes no writes either.)


if __name__ == "__main__":
    L.run_test("fullscreen_names", T.with_server(play), screen="1920x1080x24")

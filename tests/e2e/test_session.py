#!/usr/bin/env python3
"""A player's whole session, from the menu to a new row in the high-score file.

Menu; information panel open and closed; the table from the menu and back; a game
with steering and gifts; the pause box; Escape; a second game, steered but without
gifts so that it scores exactly 0, played to the end of its 130 seconds; the name
dialog: "Dvořák" typed and confirmed; extract.ext checked byte for byte; the
program quit and started again, the table shown with the new row.

The run has a shared table (--table) whose server is down while the game is played: the
ended game waits in the queue file beside the table, and the kept tape replays to its
score; at the restart, with the server up on the same address, it is sent and the table
holds the row."""

import json
import os
import re
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402
import table_server as T  # noqa: E402

# The table written into the run folder's copy before the start: best first, the
# seventh row so low that any score of a game qualifies.  The second game drops no
# gift, so it scores exactly 0: its row goes above "Anděl" (a tie goes above), the
# rows below move down and "Poslední" drops out.
ROWS = [("Žofie", "5000"), ("Sněhulák", "3000"), ("Mikuláš", "1500"), ("Anděl", "0"),
        ("Čert", "-200"), ("Vločka", "-400"), ("Poslední", "-1000000")]
EXPECTED_ROW = 3
NAME = "Dvořák"
GAME_SECONDS = 130
PANEL_BOTTOM = (89, 320, 467, 132)   # part of the score panel that the name dialog leaves free


def table_bytes(rows):
    return b"".join(f'"{n}","{p}"'.encode("cp1250") + b"\r\n" for n, p in rows)


def row_region(r):
    return (192, 137 + 24 * r, 258, 24)


def bright(buf):
    return sum(1 for i in range(0, len(buf), 3) if min(buf[i:i + 3]) > 200)


def check_file(s, data):
    """The rewritten file: seven CR LF lines, the new row with a whole number at its
    place, the other rows as written and in order, the old seventh row gone."""
    s.check(data.endswith(b"\r\n"), f"extract.ext does not end with CR LF: {data[-10:]!r}")
    lines = data[:-2].split(b"\r\n")
    s.check(len(lines) == 7, f"extract.ext has {len(lines)} lines, expected 7: {data!r}")
    s.check(all(b"\r" not in ln and b"\n" not in ln for ln in lines),
            f"extract.ext has a line end other than CR LF: {data!r}")
    pattern = re.compile(b'^"' + re.escape(NAME.encode("cp1250")) + b'","(-?[0-9]+)"$')
    found = [(i, pattern.match(ln)) for i, ln in enumerate(lines) if pattern.match(ln)]
    s.check(len(found) == 1, f"extract.ext should hold exactly one row \"{NAME}\" in cp1250 "
            f"(72 76 6F F8 E1 6B) with whole points; lines: {lines}")
    i, m = found[0]
    points = int(m.group(1))
    s.check(m.group(1) == str(points).encode(), f"the points {m.group(1)!r} are not plainly written")
    others = lines[:i] + lines[i + 1:]
    expected = [f'"{n}","{p}"'.encode("cp1250") for n, p in ROWS[:6]]
    s.check(others == expected, f"the other six rows changed: {others}, expected {expected}")
    # Its place: below every row with more points, above the first with as many or fewer.
    above = [int(p) for _, p in ROWS[:i]]
    below = int(ROWS[i][1])
    s.check(all(p > points for p in above) and below <= points,
            f"the new row with {points} points stands in row {i}, which is the wrong place")
    s.log(f"new row {i}: {NAME} with {points} points")
    s.check(points == 0, f"the game without gifts scored {points} points, expected 0")
    expected = ROWS[:EXPECTED_ROW] + [(NAME, "0")] + ROWS[EXPECTED_ROW:6]
    s.check(data == table_bytes(expected),
            f"extract.ext is\n{data!r}\nexpected\n{table_bytes(expected)!r}")
    return i, points


def play(s, server):
    original = table_bytes(ROWS)
    with open(s.path("extract.ext"), "wb") as f:
        f.write(original)

    s.begin("a shared table, its server then stopped")
    server.start()
    link = server.new_table("Nadílka e2e")
    server.stop()
    queue_file = s.path("table-queue.json")

    s.begin("menu")
    s.launch(args=["--table", link])
    menu = s.shot("menu")
    menu_px = s.client(menu)

    def back_to_menu(what, timeout=5):
        s.wait_until(lambda: s.client(s.grab()) == menu_px, timeout,
                     f"{what}: the menu picture did not come back")

    s.begin("information panel")
    s.click(*L.MENU_INFO)
    s.wait_until(lambda: s.region(s.grab(), L.INFO_REGION) != s.region(menu, L.INFO_REGION), 3,
                 "the information panel did not show after \"Informace\"")
    s.shot("info")
    s.click(*L.INFO_RETURN)
    back_to_menu("closing the information panel")
    s.shot("info-closed")

    s.begin("high-score table from the menu")
    s.click(*L.MENU_SCORES)
    s.wait_until(lambda: s.region(s.grab(), L.SCORE_PANEL) != s.region(menu, L.SCORE_PANEL), 3,
                 "the high-score panel did not show after \"Nejlepší hráči\"")
    time.sleep(0.2)
    table = s.shot("table")
    table_rows = [s.region(table, row_region(r)) for r in range(7)]
    panel_bottom = s.region(table, PANEL_BOTTOM)
    for r, px in enumerate(table_rows):
        s.check(bright(px) > 30, f"row {r} of the table shows no text")
    s.check(all(L.count_colour(px, (255, 0, 0)) == 0 for px in table_rows),
            "a row of the table is red before any name was entered")
    s.check(s.region(table, (1, 1, 640, 46)) == s.region(menu, (1, 1, 640, 46)),
            "the menu above the panel changed")

    s.begin("back from the table")
    s.click(*L.PANEL_BACK)
    back_to_menu("the panel's back word")

    s.begin("first game: start")
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    start = s.shot("game1-start")
    points0 = s.region(start, L.STATUS_POINTS)
    gifts0 = s.region(start, L.STATUS_GIFTS)

    s.begin("first game: steering")
    y0 = s.team_y(start)
    s.hold("Down", 1.5)
    time.sleep(0.3)
    y1 = s.team_y(s.shot("game1-down"))
    s.check(y1 > y0 + 30, f"holding Down did not lower the team: {y0:.1f} -> {y1:.1f}")
    s.hold("Right", 1.0)
    s.hold("Up", 0.6)

    s.begin("first game: gifts")
    for _ in range(3):
        s.key("space")
        time.sleep(0.4)
    s.shot("game1-drops")
    s.wait_until(lambda: s.region(s.grab(), L.STATUS_GIFTS) != gifts0, 8,
                 "the delivered/destroyed labels did not change after three gifts")
    s.wait_until(lambda: s.region(s.grab(), L.STATUS_POINTS) != points0, 8,
                 "the points label did not change after three gifts")
    s.shot("game1-scored")

    s.begin("first game: pause")
    s.key("p")
    box = s.wait_until(s.find_pause_box, 5, "no \"Pauza...\" window after P")
    time.sleep(0.3)
    s.shot("game1-paused")
    s.close_pause_box(box)
    s.wait_until(lambda: s.find_pause_box() is None, 5, "the pause box did not close on Return")
    s.wait_until(lambda: s.focus() == s.window, 3, "the game window did not get the focus back")

    s.begin("first game: Escape")
    s.key("Escape")
    back_to_menu("Escape")
    s.shot("menu-after-escape")

    s.begin("second game: start")
    s.click(*L.MENU_START)
    t_start = time.monotonic()
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    s.shot("game2-start")

    s.begin("second game: playing (steering, no gifts) until the clock runs out")
    next_shot = t_start + 30
    n = 0
    while time.monotonic() < t_start + GAME_SECONDS - 6:
        s.check(s.alive(), f"the game ended with status {s.game.returncode} during the second game")
        n += 1
        s.hold(["Down", "Right", "Up", "Left"][n % 4], 0.5)
        if time.monotonic() > next_shot:
            png = s.shot(f"game2-{int(time.monotonic() - t_start)}s")
            s.check(s.game_shown(png), "the play field went away in the middle of the second game")
            next_shot += 30
        time.sleep(1.5)

    s.begin("second game: the name dialog appears at the end")
    s.wait_until(lambda: s.region(s.grab(), PANEL_BOTTOM) == panel_bottom,
                 t_start + GAME_SECONDS + 10 - time.monotonic(),
                 "the high-score panel did not come up at the end of the 130-second game", interval=0.3)
    ended = time.monotonic() - t_start
    s.log(f"the panel came up {ended:.1f} s after the start")
    s.check(ended > GAME_SECONDS - 3, f"the game ended after only {ended:.1f} s")
    time.sleep(0.3)
    dialog = s.shot("name-dialog")
    s.check(s.region(dialog, L.STATUS_POINTS) == points0,
            "the points label of the last frame does not read \"Bodů : 0\" after a game without gifts")
    s.check(s.region(dialog, L.SCORE_ROWS) != s.region(table, L.SCORE_ROWS),
            "the name dialog does not cover the table although every score qualifies")
    s.check(bright(s.region(dialog, L.NAME_BOX_REGION)) > 100,
            f"the name box at client {L.NAME_BOX_REGION[:2]} is not a light text box")

    s.begin("the shared table is down: the game waits in the queue file")
    s.wait_until(lambda: os.path.exists(queue_file), 25, "no queue file after the game's end")
    s.wait_until(lambda: "could not be reached for the game with 0 points" in s.game_output(), 25,
                 "the game did not say that the shared table could not be reached")
    with open(queue_file, encoding="utf-8") as f:
        waiting = json.load(f)["games"]
    s.check([(g["table"], g["name"], g["points"]) for g in waiting] == [(link, "BRIMEL", 0)],
            f"the queue file holds {[(g['table'], g['name'], g['points']) for g in waiting]}")

    s.begin("typing the name")
    s.click(*L.NAME_BOX)
    time.sleep(0.2)
    s.x("xdotool", "key", "--delay", "50", *(["BackSpace"] * 10))
    time.sleep(0.2)
    empty = s.shot("name-cleared")
    s.type_text(NAME)
    time.sleep(0.4)
    typed = s.shot("name-typed")
    s.check(s.region(typed, L.NAME_BOX_REGION) != s.region(empty, L.NAME_BOX_REGION),
            "typing did not change the name box")
    s.check(s.find_pause_box() is None, "a pause box opened while typing")

    s.begin("confirming the name")
    s.click(*L.NAME_CONFIRM)

    def saved():
        with open(s.path("extract.ext"), "rb") as f:
            return f.read() != original
    s.wait_until(saved, 5, "extract.ext was not rewritten after the confirmation")
    time.sleep(0.5)
    confirmed = s.shot("name-confirmed")
    s.check(s.region(confirmed, PANEL_BOTTOM) == panel_bottom, "the panel went away on the confirmation")
    s.check(s.region(confirmed, L.SCORE_ROWS) != s.region(dialog, L.SCORE_ROWS),
            "the name dialog is still shown after the confirmation")

    s.begin("extract.ext byte for byte")
    with open(s.path("extract.ext"), "rb") as f:
        data = f.read()
    new_row, points = check_file(s, data)
    conf_rows = [s.region(confirmed, row_region(r)) for r in range(7)]
    s.check(L.count_colour(conf_rows[new_row], (255, 0, 0)) > 20,
            f"the new row {new_row} of the table is not shown in red")
    for r in range(new_row):
        s.check(conf_rows[r] == table_rows[r], f"row {r} above the new row looks different than before")

    s.begin("back to the menu and quit")
    s.click(*L.PANEL_BACK)
    s.wait_until(lambda: not s.region(s.grab(), PANEL_BOTTOM) == panel_bottom, 5,
                 "the panel's back word did not close the panel")
    s.wait_until(lambda: s.region(s.grab(), L.SCORE_PANEL) == s.region(menu, L.SCORE_PANEL), 5,
                 "the menu did not come back after the panel's back word")
    s.shot("menu-after-game")
    s.expect_exit()
    s.click(*L.MENU_QUIT)
    s.wait_until(lambda: s.game.poll() is not None, 5, "the program did not end after \"Konec\"")
    s.check(s.game.returncode == 0, f"the program ended with status {s.game.returncode}")
    with open(s.path("extract.ext"), "rb") as f:
        s.check(f.read() == data, "extract.ext changed when the program ended")

    s.begin("the kept tape replays to the game's score")
    s.check(T.replayed_points(s, s.path("last-run.tape")) == [0],
            "last-run.tape does not replay to the one ended game with 0 points")

    s.begin("restart with the server up: the waiting game is sent")
    server.start()
    s.launch(args=["--table", link])
    rows = server.wait_for_rows(1, 30)
    s.check([(r["name"], r["points"]) for r in rows] == [("BRIMEL", 0)], f"the shared table holds {rows}")
    s.wait_until(lambda: not os.path.exists(queue_file), 10, "the queue file is still there after the sending")
    s.wait_until(lambda: "the shared table took the game with 0 points: rank 1" in s.game_output(), 10,
                 "the game did not say that the shared table took the game")

    s.begin("restart: the table shows the new row")
    s.shot("restart-menu")
    s.click(*L.MENU_SCORES)
    s.wait_until(lambda: s.region(s.grab(), PANEL_BOTTOM) == panel_bottom, 5,
                 "the high-score panel did not show after the restart")
    time.sleep(0.2)
    again = s.shot("restart-table")
    rows = [s.region(again, row_region(r)) for r in range(7)]
    s.check(s.region(again, L.SCORE_ROWS) != s.region(menu, L.SCORE_ROWS), "the rows region shows the menu")
    for r in range(7):
        s.check(bright(rows[r]) > 30, f"row {r} of the table shows no text after the restart")
        if r != new_row:
            s.check(rows[r] == conf_rows[r], f"row {r} differs from the table shown after the confirmation")
    s.check(L.count_colour(rows[new_row], (255, 0, 0)) == 0,
            "the new row is still red after a restart")
    s.check(rows[new_row] != table_rows[new_row],
            f"row {new_row} shows the same as before the game")
    with open(s.path("extract.ext"), "rb") as f:
        s.check(f.read() == data, "extract.ext changed by showing the table")


if __name__ == "__main__":
    L.run_test("session", T.with_server(play))

#!/usr/bin/env python3
"""A lost display ends the program, in every state: the menu, play, the pause box, the name
box, the high-score panel and the information panel, each with the X server ended alone and
ended at the same moment as a SIGTERM reaches the game (as a log-out does). The game must be
gone within two seconds, with at most one line on stderr (the lost display; none when the
SIGTERM ended it cleanly first), no process of its own left, and the high-score file intact.

Each case has its own Xvfb, run folder and game (the disk audio driver, as on a desktop with
sound); the cases run side by side. The name box needs a whole 130-second game, so those two
cases start first and set the test's length."""

import concurrent.futures
import os
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402

# The seventh row so low that a game without a gift qualifies for the name box.
SCORES = "".join(f'"{n}","{p}"\r\n' for n, p in [
    ("Žofie", "5000"), ("Sněhulák", "3000"), ("Mikuláš", "1500"), ("Anděl", "0"),
    ("Čert", "-200"), ("Vločka", "-400"), ("Poslední", "-1000000")]).encode("cp1250")
NAME_BOX_TEXT = (249, 177, 161, 19)
GAME_SECONDS = 130
GONE_WITHIN = 2.0
LOST_LINE = "nadilka: lost the connection to the display"


def bright(buf):
    return sum(1 for i in range(0, len(buf), 3) if min(buf[i:i + 3]) > 200)


def menu(s):
    pass


def play(s):
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    time.sleep(0.5)


def pause_box(s):
    play(s)
    s.key("p")
    s.wait_until(s.find_pause_box, 5, "no \"Pauza...\" window after P")
    time.sleep(0.3)


def name_box(s):
    play(s)
    s.wait_until(lambda: bright(s.region(s.grab(), NAME_BOX_TEXT)) > 100, GAME_SECONDS + 15,
                 "the name box did not show at the end of the game", interval=1.0)
    time.sleep(0.3)


def changed_region(region, what):
    def reach(s, point):
        before = s.region(s.grab(), region)
        s.click(*point)
        s.wait_until(lambda: s.region(s.grab(), region) != before, 5, f"the {what} did not show")
        time.sleep(0.3)
    return reach


def score_panel(s):
    changed_region(L.SCORE_PANEL, "high-score panel")(s, L.MENU_SCORES)


def info_panel(s):
    changed_region(L.INFO_REGION, "information panel")(s, L.MENU_INFO)


STATES = [("name box", name_box), ("menu", menu), ("play", play), ("pause box", pause_box),
          ("high-score panel", score_panel), ("information panel", info_panel)]
CASES = [(state, reach, with_sigterm) for state, reach in STATES for with_sigterm in (False, True)]


def run_case(args, state, reach, with_sigterm):
    label = f"{state}, X ended" + (" with SIGTERM" if with_sigterm else " alone")
    slug = label.replace(" ", "-").replace(",", "")
    s = L.Session(slug, args.game_dir, os.path.join(args.shots, slug))
    try:
        s.copy_run_folder()
        with open(s.path("extract.ext"), "wb") as f:
            f.write(SCORES)
        s.start_x()
        s.begin(f"{label}: reach the state")
        audio = os.path.join(s.tmp, "audio.raw")
        s.launch(audio="disk", extra_env={"SDL_DISKAUDIOFILE": audio})
        reach(s)
        s.check(s.alive(), "the game ended before its display did")
        s.shot("before")

        s.begin(f"{label}: end the display")
        said_before = os.path.getsize(s.game_log)
        s.expect_exit()
        t0 = time.monotonic()
        if with_sigterm:
            s.game.send_signal(signal.SIGTERM)
        s.xvfb.terminate()
        try:
            status = s.game.wait(timeout=GONE_WITHIN)
        except subprocess.TimeoutExpired:
            s.fail(f"the game still runs {GONE_WITHIN} s after its display ended")
        took = time.monotonic() - t0
        with open(s.game_log, "rb") as f:
            f.seek(said_before)
            said = f.read().decode("utf-8", "replace").splitlines()
        s.log(f"gone after {took:.2f} s, status {status}, said {said}")
        left = subprocess.run(["pgrep", "-s", str(s.game.pid)], capture_output=True, text=True).stdout.split()
        s.check(not left, f"processes of the game's session outlived it: {left}")
        if with_sigterm and status == 0:
            s.check(said == [], f"a clean end after SIGTERM said: {said}")
        else:
            s.check(status == 1, f"exit status {status} after the display ended, expected 1")
            s.check(said == [LOST_LINE], f"stderr after the display ended: {said}, expected [{LOST_LINE!r}]")
        with open(s.path("extract.ext"), "rb") as f:
            s.check(f.read() == SCORES, "the high-score file changed")
        s.check(not [n for n in os.listdir(s.run_dir) if n.startswith((".nadilka-save-", "extract.ext."))],
                "a temporary high-score file was left behind")
        return f"gone after {took:.2f} s, status {status}" + (f", said {said[0]!r}" if said else "")
    finally:
        s.close()


def main():
    args = L.parse_args()
    L.load_layout(args.game_dir)
    start = time.monotonic()
    failed = 0
    # Six at a time: the two long name-box cases and four lanes for the ten short ones.
    with concurrent.futures.ThreadPoolExecutor(max_workers=6) as pool:
        futures = {pool.submit(run_case, args, *case): case for case in CASES}
        for fut in concurrent.futures.as_completed(futures):
            state, _, with_sigterm = futures[fut]
            label = f"{state}, {'with SIGTERM' if with_sigterm else 'alone'}"
            try:
                print(f"ok    {label:32} {fut.result()}", flush=True)
            except Exception as e:  # noqa: BLE001 - every failure of a case is reported the same way
                failed += 1
                print(f"FAIL  {label:32} {e}", flush=True)
    print(f"{len(CASES)} cases, {failed} failed, {time.monotonic() - start:.0f} s", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The real program in bad surroundings: no sound, broken music, no browser, a damaged
high-score table (a FIFO among them), a missing picture or font, no display (with and
without a video driver named). Each case gets its own copy of the
run folder and its own Xvfb display, and the cases run side by side. An X server without core
fonts, where SDL's message boxes cannot open (the game's own box needs none), is one more case.

    bad_surroundings.py RUN_FOLDER [CASE ...]

A case that should run must show its window, survive its clicks and still run at the end; a
case that cannot run must end by itself within a few seconds with a non-zero status (not a
signal) and say on stderr what is missing. Anything a sanitizer prints fails the case.
"""
import concurrent.futures
import json
import os
import random
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

WINDOW_NAME = "Vorlanix"  # part of the window caption
# Where a step clicks: the middle of a control, by its name in the layout the build writes beside
# the game (layout.json).
START, TABLE, BACK, PORTAL = "Image1", "Image5", "Image6", "Image7"
SANITIZER_MARKS = ("runtime error:", "AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer")


def garbage(n, seed):
    rng = random.Random(seed)
    return bytes(rng.randrange(256) for _ in range(n))


# What each case does to the copied run folder and the environment.
# Without a working audio device the music is never loaded, so the music cases use SDL's dummy
# device, which plays into nothing but does load and decode the files.
def no_music_files(d, env):
    env["SDL_AUDIODRIVER"] = "dummy"
    os.remove(os.path.join(d, "menu.mid"))
    os.remove(os.path.join(d, "game.mid"))


def garbage_music(d, env):
    env["SDL_AUDIODRIVER"] = "dummy"
    for i, name in enumerate(("menu.mid", "game.mid")):
        with open(os.path.join(d, name), "wb") as f:
            f.write(garbage(4096, i))


def truncated_music(d, env):
    env["SDL_AUDIODRIVER"] = "dummy"
    for name in ("menu.mid", "game.mid"):
        p = os.path.join(d, name)
        with open(p, "rb") as f:
            head = f.read(40)  # the header and the start of a track that claims more
        with open(p, "wb") as f:
            f.write(head)


def no_opener(d, env):
    empty = os.path.join(os.path.dirname(d), "empty-bin")
    os.makedirs(empty, exist_ok=True)
    env["PATH"] = empty


def scores(content):
    def prepare(d, env):
        p = os.path.join(d, "extract.ext")
        os.remove(p)
        if content is not None:
            with open(p, "wb") as f:
                f.write(content)
    return prepare


def read_only_scores(d, env):
    os.chmod(os.path.join(d, "extract.ext"), stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)


def folder_as_scores(d, env):
    os.remove(os.path.join(d, "extract.ext"))
    os.mkdir(os.path.join(d, "extract.ext"))


def remove(rel):
    def prepare(d, env):
        os.remove(os.path.join(d, rel))
    return prepare


def audio(driver):
    def prepare(d, env):
        env["SDL_AUDIODRIVER"] = driver
    return prepare


def no_display(d, env):
    env["DISPLAY"] = ":987"  # no server there


# As a player meets it: no video driver named, so SDL would fall back to a driver that draws
# into nothing; the game must say there is no display instead of running unseen.
def no_display_named(unset):
    def prepare(d, env):
        env.pop("SDL_VIDEODRIVER", None)
        env.pop("WAYLAND_DISPLAY", None)
        if unset:
            env.pop("DISPLAY", None)
        else:
            env["DISPLAY"] = ":987"
    return prepare


def fifo_as_scores(d, env):
    os.remove(os.path.join(d, "extract.ext"))
    os.mkfifo(os.path.join(d, "extract.ext"))


def no_core_fonts(d, env):
    pass


# An X server with only its built-in fonts: SDL's message boxes (drawn with X core fonts) cannot
# open there; the game's own box, drawn with the game's font, opens all the same.
no_core_fonts.xvfb_args = ["-fp", "built-ins"]


PLAY = [("click", START), ("wait", 3.0)]
# SDL drops a click it takes together with the window's focus, as the first click after a start
# can be: the table's entry is clicked twice (the second lands on the shown panel and does nothing).
TABLE_THEN_PLAY = [("click", TABLE), ("wait", 0.5), ("click", TABLE), ("wait", 1.5), ("alive",), ("click", BACK),
                   ("wait", 0.5)] + PLAY

# name, preparation, steps (None: the program must end by itself), text expected on stderr (for
# the table cases it shows that the click on the table entry did load the table)
CASES = [
    ("as built", None, PLAY, None),
    ("dummy audio driver", audio("dummy"), PLAY, None),
    ("nonexistent audio driver", audio("no-such-driver"), PLAY, None),
    ("music files missing", no_music_files, PLAY, "cannot play"),
    ("music files garbage", garbage_music, PLAY, None),
    ("music files truncated", truncated_music, PLAY, None),
    ("no browser opener", no_opener, [("click", PORTAL), ("wait", 1.0), ("alive",)] + PLAY, None),
    ("no core fonts", no_core_fonts, PLAY + [("key", "p"), ("wait", 1.5), ("box", "Pauza..."), ("alive",)], None),
    ("table missing", scores(None), TABLE_THEN_PLAY, "cannot open"),
    ("table empty", scores(b""), TABLE_THEN_PLAY, "holds 0 of 14"),
    ("table short", scores(b'"Ja","100"\r\n"Ty'), TABLE_THEN_PLAY, "holds 3 of 14"),
    ("table garbage", scores(garbage(3000, 7)), TABLE_THEN_PLAY, None),
    ("table huge", scores(b'"' + b"x" * (3 << 20)), TABLE_THEN_PLAY, "holds 1 of 14"),
    ("table read-only", read_only_scores, TABLE_THEN_PLAY, None),
    ("table is a folder", folder_as_scores, TABLE_THEN_PLAY, "cannot read"),
    ("picture missing", remove("pictures/santa.bmp"), None, "santa.bmp"),
    ("font missing", remove("fonts/LiberationSans-Regular.ttf"), None, "LiberationSans-Regular.ttf"),
    ("no display", no_display, None, "display"),
    ("no DISPLAY, no driver named", no_display_named(True), None, "cannot open the display"),
    ("no X server, no driver named", no_display_named(False), None, "cannot open the display"),
    ("table is a FIFO", fifo_as_scores, TABLE_THEN_PLAY, "not a regular file"),
]


class Failure(Exception):
    pass


def start_xvfb(extra_args=()):
    r, w = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                             *extra_args],
                            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    number = b""
    with os.fdopen(r, "rb") as f:
        while not number.endswith(b"\n"):
            c = f.read(1)
            if not c:
                break
            number += c
    display = ":" + number.decode().strip()
    # Wait until the server answers a client, so that a failure to connect is the game's own.
    deadline = time.monotonic() + 10
    while number.strip() and xvfb.poll() is None and time.monotonic() < deadline:
        if subprocess.run(["xdotool", "getmouselocation"], env={"DISPLAY": display},
                          capture_output=True).returncode == 0:
            return xvfb, display
        time.sleep(0.05)
    xvfb.kill()
    xvfb.wait()
    raise Failure("Xvfb did not start")


def x(display, *args):
    return subprocess.run(list(args), env={"DISPLAY": display}, capture_output=True, text=True).stdout


def find_window(display, proc, timeout):
    """The absolute client origin of the game's visible 642 x 482 window, or None."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return None
        for wid in x(display, "xdotool", "search", "--onlyvisible", "--pid", str(proc.pid)).split():
            info = dict(line.strip().split(":", 1) for line in x(display, "xwininfo", "-id", wid).splitlines()
                        if ":" in line)
            if info.get("Width", "").strip() == "642" and info.get("Height", "").strip() == "482":
                return int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"])
        time.sleep(0.1)
    return None


def click(display, origin, cx, cy):
    ax, ay = origin[0] + cx, origin[1] + cy
    x(display, "xdotool", "mousemove", str(ax), str(ay))
    # The move is asynchronous: wait until the pointer stands there before the click.
    deadline = time.monotonic() + 3
    while time.monotonic() < deadline:
        if "X=%d\nY=%d\n" % (ax, ay) in x(display, "xdotool", "getmouselocation", "--shell"):
            break
        time.sleep(0.02)
    else:
        raise Failure("the pointer did not move to client (%d, %d)" % (cx, cy))
    x(display, "xdotool", "click", "1")


def click_points(run_folder):
    with open(os.path.join(run_folder, "layout.json"), encoding="utf-8") as f:
        return {name: tuple(c["centre"]) for name, c in json.load(f)["controls"].items()}


def run_case(case, run_folder):
    name, prepare, steps, expected = case
    tmp = tempfile.mkdtemp(prefix="nadilka-bad-")
    xvfb = proc = None
    try:
        folder = os.path.join(tmp, "game")
        shutil.copytree(run_folder, folder)
        xvfb, display = start_xvfb(getattr(prepare, "xvfb_args", ()))
        env = dict(os.environ, DISPLAY=display, SDL_VIDEODRIVER="x11", HOME=os.path.join(tmp, "home"),
                   XDG_DATA_HOME=os.path.join(tmp, "data"))
        env.pop("SDL_AUDIODRIVER", None)
        env.pop("SDL_VIDEO_X11_WMCLASS", None)
        if prepare:
            prepare(folder, env)
        err_path = os.path.join(tmp, "stderr")
        with open(err_path, "wb") as err:
            proc = subprocess.Popen([os.path.join(folder, "nadilka")], cwd=tmp, env=env,
                                    stdout=subprocess.DEVNULL, stderr=err)

        def stderr_text():
            with open(err_path, "rb") as f:
                return f.read().decode("utf-8", "replace")

        def check_clean():
            text = stderr_text()
            for mark in SANITIZER_MARKS:
                if mark in text:
                    raise Failure("sanitizer report:\n" + text)
            # Whatever a file holds, the terminal gets no bell or escape sequence from us.
            if any(c < 0x20 and c not in (0x09, 0x0A) or c == 0x7F for c in text.encode()):
                raise Failure("control bytes on stderr: %r" % text)

        if steps is None:
            try:
                status = proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                raise Failure("still running after 10 s")
            if status <= 0:
                raise Failure("exit status %d (a signal is negative)" % status)
            if expected not in stderr_text():
                raise Failure("stderr does not name %r: %r" % (expected, stderr_text()))
            check_clean()
            return "exit %d: %s" % (status, stderr_text().strip().splitlines()[-1])

        if find_window(display, proc, 10) is None:
            raise Failure("no window (status %s): %s" % (proc.poll(), stderr_text()))
        # SDL may replace its first window while it sets up the renderer: look again once the
        # menu has had time to show.
        time.sleep(1.0)
        origin = find_window(display, proc, 5)
        if origin is None:
            raise Failure("the window went away (status %s): %s" % (proc.poll(), stderr_text()))
        for step in steps + [("alive",)]:
            if step[0] == "click":
                click(display, origin, *click_points(run_folder)[step[1]])
            elif step[0] == "wait":
                time.sleep(step[1])
            elif step[0] == "key":
                x(display, "xdotool", "key", step[1])
            elif step[0] == "box":
                if '"%s"' % step[1] not in x(display, "xwininfo", "-root", "-tree"):
                    raise Failure("no box %r: %s" % (step[1], stderr_text()))
            if proc.poll() is not None:
                raise Failure("ended with status %d after %s: %s" % (proc.returncode, step, stderr_text()))
        check_clean()
        if expected and expected not in stderr_text():
            raise Failure("stderr does not say %r: %r" % (expected, stderr_text()))
        own = [line for line in stderr_text().splitlines() if line.startswith("nadilka:")]
        return "ran; " + (" | ".join(own) if own else "nothing said")
    finally:
        if proc and proc.poll() is None:
            proc.send_signal(signal.SIGKILL)
            proc.wait()
        if xvfb:
            xvfb.kill()
            xvfb.wait()
        # Read-only bits and folders in the copy must not stop the clean-up.
        for root, dirs, files in os.walk(tmp):
            for n in dirs + files:
                try:
                    os.chmod(os.path.join(root, n), 0o755)
                except OSError:
                    pass
        shutil.rmtree(tmp, ignore_errors=True)


def run_case_twice(case, run_folder):
    # Only a display lost under our feet (the machine busy with other X servers) earns a second
    # try; every other failure counts at once.
    try:
        return run_case(case, run_folder)
    except Failure as e:
        if case[2] is None or "cannot open the display" not in str(e):
            raise
        return run_case(case, run_folder) + " (second try; the first lost its display)"


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    run_folder = os.path.abspath(sys.argv[1])
    wanted = sys.argv[2:]
    cases = [c for c in CASES if not wanted or c[0] in wanted]
    failed = 0
    start = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=6) as pool:
        futures = {pool.submit(run_case_twice, c, run_folder): c[0] for c in cases}
        for fut in concurrent.futures.as_completed(futures):
            name = futures[fut]
            try:
                print("ok    %-26s %s" % (name, fut.result()), flush=True)
            except Exception as e:  # noqa: BLE001 - every failure of a case is reported the same way
                failed += 1
                print("FAIL  %-26s %s" % (name, e), flush=True)
    print("%d cases, %d failed, %.0f s" % (len(cases), failed, time.monotonic() - start))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

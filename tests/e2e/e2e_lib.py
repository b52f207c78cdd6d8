"""Shared harness of the end-to-end tests: a private Xvfb display, a private copy
of the run folder, the real game started in it, and helpers to look at the screen
and to drive the game with xdotool.

Standard library only.  Every test script calls run_test(name, body) where body
takes a Session; a failure raises StepFailed naming the step, screenshots of each
step are kept in the --shots folder.
"""

import argparse
import ctypes
import json
import os
import resource
import stat
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CONVERT = "/usr/bin/convert"

CLIENT_W, CLIENT_H = 642, 482
TITLE = "Krásne prožití Vánočních svátku přejí Vorlanix  a  BRIMEL"
SKY = (0, 40, 111)

# Click points (x, y) and control rectangles (x, y, w, h), client coordinates: the middle and
# the rectangle of a control as the build's layout.json gives them (see load_layout, centre and
# rect), set when a test starts.
MENU_START = MENU_INFO = MENU_SCORES = MENU_QUIT = None    # the four menu entries
MENU_PORTAL_LOGO = MENU_STUDIO_LOGO = MENU_MUSIC = None
INFO_RETURN = None
BANNER = None                                             # the frame the link banners slide in
NAME_BOX = NAME_CONFIRM = PANEL_BACK = None
PLAY_MUSIC = None                                         # "Music : ON" in the play field
INFO_REGION = SCORE_PANEL = NAME_DIALOG = NAME_BOX_REGION = BANNER_FRAME = None
MUSIC_LABEL = PLAY_MUSIC_LABEL = None                     # as laid out, before a caption changes

# Regions (x, y, w, h), client coordinates, of parts of pictures and captions.
SCORE_ROWS = (192, 137, 258, 169)
STATUS_POINTS = (9, 1, 150, 23)      # "Bodů : N"
STATUS_GIFTS = (169, 1, 120, 30)     # "Dárku dodáno / zničeno"
TEAM_BAND = (1, 75, 640, 245)        # where the reindeer team flies, under the banner

_libc = None
_controls = {}  # the layout's controls by name


def centre(name):
    """The middle of a control's clickable part, client coordinates."""
    return tuple(_controls[name]["centre"])


def rect(name):
    """The part of a control that can show and take clicks (x, y, w, h), client coordinates."""
    return tuple(_controls[name]["reach"])


def load_layout(game_dir):
    """Reads the window's layout that the build writes beside the game (from the scene's own
    table) and sets the click points and rectangles above from it."""
    path = os.path.join(game_dir, "layout.json")
    if not os.path.exists(path):
        sys.exit(f"e2e: no {path}; the build's target 'layout' writes it")
    with open(path, encoding="utf-8") as f:
        _controls.update(json.load(f)["controls"])
    globals().update(
        MENU_START=centre("Image1"), MENU_INFO=centre("Image4"), MENU_SCORES=centre("Image5"),
        MENU_QUIT=centre("Image2"), MENU_PORTAL_LOGO=centre("Image7"), MENU_STUDIO_LOGO=centre("Image8"),
        MENU_MUSIC=centre("Label12"), INFO_RETURN=centre("Image3"), BANNER=centre("logo"),
        NAME_BOX=centre("Text1"), NAME_CONFIRM=centre("command1"), PANEL_BACK=centre("Image6"),
        PLAY_MUSIC=centre("Label11"),
        INFO_REGION=rect("info"), SCORE_PANEL=rect("Picture2"), NAME_DIALOG=rect("Picture1"),
        NAME_BOX_REGION=rect("Text1"), BANNER_FRAME=rect("logo"), MUSIC_LABEL=rect("Label12"),
        PLAY_MUSIC_LABEL=rect("Label11"))


class StepFailed(Exception):
    def __init__(self, step, message):
        super().__init__(f"step '{step}': {message}")
        self.step = step


class _Terminated(Exception):
    pass


def _die_with_parent():
    """Runs in the child before exec: get SIGKILL when the test script dies,
    so neither Xvfb nor the game outlives a killed test."""
    global _libc
    try:
        if _libc is None:
            _libc = ctypes.CDLL("libc.so.6", use_errno=True)
        _libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except OSError:
        pass
    os.setsid()


def _no_file_writes():
    """As _die_with_parent, and every write to a file fails (EFBIG): a save fails even for
    root, whom no permission stops."""
    _die_with_parent()
    resource.setrlimit(resource.RLIMIT_FSIZE, (0, 0))
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # stays ignored across exec


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--game-dir", required=True, help="the run folder (build/game)")
    p.add_argument("--shots", required=True, help="folder for the screenshots of this test")
    return p.parse_args()


def raw_rgb(png, region=None):
    """Pixels of a PNG (or a region of it) as bytes R G B R G B ..."""
    cmd = [CONVERT, png]
    if region:
        x, y, w, h = region
        cmd += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
    cmd += ["-depth", "8", "rgb:-"]
    out = subprocess.run(cmd, capture_output=True, check=True).stdout
    return out


def downscale(buf, width, k):
    """Every k-th pixel of every k-th row of a raw RGB buffer `width` pixels wide."""
    if k == 1:
        return buf
    row = width * 3
    out = bytearray()
    for r in range(0, len(buf) // row, k):
        line = buf[r * row:(r + 1) * row]
        part = bytearray(len(line[0::3 * k]) * 3)
        for channel in range(3):
            part[channel::3] = line[channel::3 * k]
        out += part
    return bytes(out)


def blocks_uniform(buf, width, k):
    """Whether each k x k block of a raw RGB buffer `width` pixels wide is one colour (a
    frame scaled by nearest neighbour); returns the number of blocks that are not."""
    row = width * 3
    rows = len(buf) // row
    bad = 0
    for r in range(0, rows - rows % k, k):
        first = buf[r * row:(r + 1) * row]
        # Within the block's first row each pixel repeats k times ...
        for c in range(0, width - width % k, k):
            px = first[c * 3:c * 3 + 3]
            if first[c * 3:(c + k) * 3] != px * k:
                bad += 1
        # ... and the block's other rows repeat its first row.
        for i in range(1, k):
            if buf[(r + i) * row:(r + i + 1) * row] != first:
                bad += 1
    return bad


def count_different(a, b):
    """Number of pixels that differ between two raw RGB buffers of equal size."""
    if len(a) != len(b):
        return max(len(a), len(b)) // 3
    n = 0
    for i in range(0, len(a), 3):
        if a[i:i + 3] != b[i:i + 3]:
            n += 1
    return n


def team_height(buf, width, top):
    """Mean row (client y) of the pixels that are not night sky in a raw RGB region
    of the play field: the reindeer team, its sleigh and its stars."""
    sky = bytes(SKY)
    row_bytes = width * 3
    total = weight = 0
    for r in range(len(buf) // row_bytes):
        row = buf[r * row_bytes:(r + 1) * row_bytes]
        n = sum(1 for i in range(0, row_bytes, 3) if row[i:i + 3] != sky)
        total += n
        weight += n * (top + r)
    return weight / total if total else None


def count_colour(buf, colour):
    c = bytes(colour)
    return sum(1 for i in range(0, len(buf), 3) if buf[i:i + 3] == c)


class Session:
    def __init__(self, name, game_dir, shots_dir):
        self.name = name
        self.game_dir = os.path.abspath(game_dir)
        self.shots_dir = os.path.abspath(shots_dir)
        self.tmp = tempfile.mkdtemp(prefix=f"nadilka-e2e-{name}-")
        self.run_dir = os.path.join(self.tmp, "run")
        self.step = "set-up"
        self.shot_no = 0
        self.xvfb = None
        self.display = None
        self.game = None
        self.game_log = None
        self.games_started = 0
        self.bound_letters = set()   # letters type_text has bound to spare keys
        self.window = None
        self.origin = (0, 0)  # where the frame's top left pixel is on the screen
        # The frame as the game scales it: `scale` screen pixels per frame pixel, in a window
        # of `window_size` (the frame centred in it).  Helpers take client coordinates of the
        # frame and look at it at its own size whatever the scale.
        self.scale = 1
        self.window_size = (CLIENT_W, CLIENT_H)
        self.screen = "1024x768x24"
        self.t0 = time.monotonic()
        if os.path.isdir(self.shots_dir):
            shutil.rmtree(self.shots_dir)
        os.makedirs(self.shots_dir)

    # ----- bookkeeping -------------------------------------------------
    def begin(self, step):
        self.step = step
        self.log(f"-- {step}")

    def log(self, msg):
        print(f"[{self.name} {time.monotonic() - self.t0:7.2f}s] {msg}", flush=True)

    def fail(self, message):
        try:
            self.shot("FAILED")
        except Exception:
            pass
        raise StepFailed(self.step, message)

    def check(self, cond, message):
        if not cond:
            self.fail(message)

    def wait_until(self, cond, timeout, message, interval=0.1):
        """Poll cond() until it returns a true value; fail with message after timeout."""
        end = time.monotonic() + timeout
        while True:
            value = cond()
            if value:
                return value
            if time.monotonic() > end:
                self.fail(f"{message} (waited {timeout:g} s)")
            if self.game is not None and self.game.poll() is not None and not getattr(self, "_expect_exit", False):
                self.fail(f"{message}: the game ended with status {self.game.returncode}"
                          f" meanwhile; its output:\n{self.game_output()}")
            time.sleep(interval)

    # ----- the display ---------------------------------------------------
    def start_x(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", self.screen, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.tmp, "xvfb.log"), "wb"),
            preexec_fn=_die_with_parent)
        os.close(w)
        buf = b""
        end = time.monotonic() + 15
        while not buf.endswith(b"\n") and time.monotonic() < end:
            chunk = os.read(r, 64)
            if not chunk:
                break
            buf += chunk
        os.close(r)
        if not buf.strip():
            self.fail("Xvfb did not report a display number")
        self.display = ":" + buf.decode().strip()
        self.log(f"Xvfb on display {self.display}")

    def xenv(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        return env

    def x(self, *args, check=True, timeout=20):
        """Run an X tool on our display; return its stdout as text."""
        res = subprocess.run(list(args), capture_output=True, env=self.xenv(), timeout=timeout)
        if check and res.returncode != 0:
            self.fail(f"{' '.join(args)} failed ({res.returncode}): {res.stderr.decode(errors='replace').strip()}")
        return res.stdout.decode("utf-8", errors="replace")

    # ----- the run folder and the game ---------------------------------------
    def copy_run_folder(self):
        if not os.path.exists(os.path.join(self.game_dir, "nadilka")):
            self.fail(f"no game executable in {self.game_dir}")
        shutil.copytree(self.game_dir, self.run_dir, symlinks=True)

    def path(self, name):
        return os.path.join(self.run_dir, name)

    def config_dir(self):
        """The game's own XDG_CONFIG_HOME: the settings file stays inside the test."""
        return os.path.join(self.tmp, "config")

    def game_env(self, audio):
        env = self.xenv()
        env["SDL_VIDEODRIVER"] = "x11"
        env["SDL_AUDIODRIVER"] = audio
        env["XDG_CONFIG_HOME"] = self.config_dir()
        return env

    def game_argv(self):
        return [self.path("nadilka")]

    def game_cwd(self):
        # Start from somewhere else than the run folder: the game must find its files
        # beside its executable.
        return self.tmp

    def start_game(self, audio="dummy", extra_env=None, args=(), no_file_writes=False):
        env = self.game_env(audio)
        if extra_env:
            env.update(extra_env)
        self.games_started += 1
        self.game_log = os.path.join(self.tmp, f"game-{self.games_started}.log")
        self.game = subprocess.Popen([*self.game_argv(), *args], cwd=self.game_cwd(), env=env,
                                     stdin=subprocess.DEVNULL,
                                     stdout=open(self.game_log, "wb"), stderr=subprocess.STDOUT,
                                     preexec_fn=_no_file_writes if no_file_writes else _die_with_parent)
        self._expect_exit = False
        self.window = None
        self.log(f"{self.game_argv()[0]} started, pid {self.game.pid}, audio {audio}")
        return self.game

    def game_output(self):
        try:
            with open(self.game_log, "rb") as f:
                return f.read()[-4000:].decode("utf-8", errors="replace")
        except OSError:
            return "(none)"

    def expect_layout(self, window_size, scale):
        """The game's window will be window_size with the frame at this scale in it."""
        self.window_size = window_size
        self.scale = scale

    def find_window(self, timeout=10):
        ww, wh = self.window_size

        def look():
            out = self.x("xdotool", "search", "--onlyvisible", "--pid", str(self.game.pid), check=False)
            for wid in out.split():
                info = self.x("xwininfo", "-id", wid, check=False)
                if f"Width: {ww}\n" in info and f"Height: {wh}\n" in info:
                    return wid
            return None
        self.window = self.wait_until(look, timeout, f"the game window of {ww} x {wh} did not appear")
        x, y = self.window_geometry()[:2]
        self.origin = (x + (ww - CLIENT_W * self.scale) // 2, y + (wh - CLIENT_H * self.scale) // 2)
        self.log(f"window {self.window} at {(x, y)}, the frame at {self.origin}, scale {self.scale}")
        return self.window

    def window_geometry(self):
        info = self.x("xwininfo", "-id", self.window)
        vals = {}
        for line in info.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    vals[key] = int(line.split(":")[1])
        return (vals["Absolute upper-left X"], vals["Absolute upper-left Y"], vals["Width"], vals["Height"])

    def stand_in_opener(self):
        """Puts a stand-in xdg-open first on the game's PATH that logs each address it is handed.
        Returns (the environment to launch with, a function giving the logged addresses)."""
        log = os.path.join(self.tmp, "opened.log")
        bindir = os.path.join(self.tmp, "bin")
        os.makedirs(bindir, exist_ok=True)
        opener = os.path.join(bindir, "xdg-open")
        with open(opener, "w") as f:
            f.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + log + "'\n")
        os.chmod(opener, os.stat(opener).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)

        def opened():
            try:
                with open(log, encoding="utf-8", errors="replace") as f:
                    return f.read().splitlines()
            except OSError:
                return []

        return {"PATH": bindir + os.pathsep + os.environ.get("PATH", "")}, opened

    def launch(self, audio="dummy", extra_env=None, args=(), no_file_writes=False):
        self.start_game(audio, extra_env, args, no_file_writes)
        self.find_window()
        # The menu is drawn once the window shows; give it the first frames.
        self.wait_until(lambda: self.pixel_now(20, 300) == SKY, 10,
                        "the menu's night sky did not show at client (20, 300)")
        # SDL may replace its first window while setting up the renderer: look again
        # once the menu shows.
        self.find_window()

    def alive(self):
        return self.game is not None and self.game.poll() is None

    def expect_exit(self):
        self._expect_exit = True

    # ----- looking ----------------------------------------------------------
    def shot(self, label):
        """Screenshot of the whole screen, kept as NN-label.png; returns the path."""
        self.shot_no += 1
        path = os.path.join(self.shots_dir, f"{self.shot_no:02d}-{label}.png")
        self.x("import", "-window", "root", path)
        return path

    def grab(self):
        """Screenshot into the temp folder (not kept), for polling."""
        path = os.path.join(self.tmp, "poll.png")
        self.x("import", "-window", "root", path)
        return path

    def abs_region(self, region):
        x, y, w, h = region
        k = self.scale
        return (self.origin[0] + k * x, self.origin[1] + k * y, k * w, k * h)

    def region(self, png, region):
        """Raw RGB of a client region of a screenshot, at the frame's own size: of each
        block of scale x scale screen pixels the top left one."""
        buf = raw_rgb(png, self.abs_region(region))
        return downscale(buf, region[2] * self.scale, self.scale)

    def client(self, png):
        return self.region(png, (0, 0, CLIENT_W, CLIENT_H))

    def pixel(self, png, cx, cy):
        return tuple(self.region(png, (cx, cy, 1, 1)))

    def game_shown(self, png):
        """The play field shows: the red "Bodů" label at the top left."""
        return count_colour(self.region(png, STATUS_POINTS), (255, 0, 0)) > 30

    def team_y(self, png):
        x, y, w, h = TEAM_BAND
        value = team_height(self.region(png, TEAM_BAND), w, y)
        if value is None:
            self.fail("no reindeer team in the play field (only sky)")
        return value

    def pixel_now(self, cx, cy):
        return self.pixel(self.grab(), cx, cy)

    # ----- acting -------------------------------------------------------------
    def move_to(self, cx, cy):
        ax, ay = self.origin[0] + self.scale * cx, self.origin[1] + self.scale * cy
        # (mousemove --sync waits for a motion, and there is none when the pointer
        # already stands there: move, then poll the pointer's place.)
        self.x("xdotool", "mousemove", str(ax), str(ay))
        self.wait_until(lambda: self.pointer() == (ax, ay), 3,
                        f"the pointer did not move to client ({cx}, {cy})", interval=0.02)

    def click(self, cx, cy):
        self.move_to(cx, cy)
        self.x("xdotool", "click", "1")

    def first_click(self, cx, cy, done, what, timeout=5):
        """The first click after a start. SDL drops a click it takes from the X server together
        with the window's focus event (a click that only focuses the window): one that changed
        nothing after a few seconds is given once more."""
        self.click(cx, cy)
        end = time.monotonic() + 3
        while time.monotonic() < end:
            if done():
                return
            time.sleep(0.1)
        self.log(f"nothing happened after {what}: clicking once more")
        self.click(cx, cy)
        self.wait_until(done, timeout, f"nothing happened after {what}")

    def mouse_down(self, cx, cy):
        self.move_to(cx, cy)
        self.x("xdotool", "mousedown", "1")

    def mouse_up(self, cx, cy):
        self.move_to(cx, cy)
        self.x("xdotool", "mouseup", "1")

    def pointer(self):
        out = self.x("xdotool", "getmouselocation", "--shell")
        vals = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(vals.get("X", -1)), int(vals.get("Y", -1)))

    def key(self, *keys):
        self.x("xdotool", "key", "--delay", "60", *keys)

    def type_text(self, text, delay_ms=120):
        """Type text, Czech letters included.

        xdotool types a letter missing from the keymap by binding it to a spare key only for
        that one press and unbinding it right after; a game busy at that moment reads the key
        after it is unbound and loses the letter.  So the letters are bound to spare keys first,
        for the rest of the test, and typed as keys of the keymap.  The game must be running:
        the X server forgets the binding when its last client leaves."""
        letters = sorted({c for c in text if ord(c) > 127} - self.bound_letters)
        if letters:
            free = [line.split()[1] for line in self.x("xmodmap", "-pke").splitlines()
                    if len(line.split()) == 3 and line.startswith("keycode")]
            if len(free) < len(letters):
                self.fail(f"only {len(free)} spare keys for the letters {''.join(letters)}")
            expressions = []
            for code, c in zip(free, letters):
                upper = c.upper() if len(c.upper()) == 1 else c
                expressions += ["-e", f"keycode {code} = U{ord(c):04X} U{ord(upper):04X}"]
            self.x("xmodmap", *expressions)
            self.bound_letters |= set(letters)
            time.sleep(0.3)   # the game hears of the new keymap before the first press
        self.x("xdotool", "type", "--delay", str(delay_ms), text)

    def keydown(self, k):
        self.x("xdotool", "keydown", k)

    def keyup(self, k):
        self.x("xdotool", "keyup", k)

    def hold(self, k, seconds):
        self.keydown(k)
        time.sleep(seconds)
        self.keyup(k)

    def focus(self):
        out = self.x("xdotool", "getwindowfocus", check=False).strip()
        return out

    def find_pause_box(self):
        tree = self.x("xwininfo", "-root", "-tree")
        for line in tree.splitlines():
            if '"Pauza..."' in line:
                return line.split()[0]
        return None

    def find_box(self, title):
        """A window of the game's own other than the game window, titled so."""
        out = self.x("xdotool", "search", "--onlyvisible", "--pid", str(self.game.pid), check=False)
        for wid in out.split():
            if wid != self.window and self.x("xdotool", "getwindowname", wid, check=False).strip() == title:
                return wid
        return None

    def close_pause_box(self, box):
        self.x("xdotool", "windowfocus", "--sync", box)
        self.x("xdotool", "key", "Return")

    # ----- shutting down ------------------------------------------------------
    def stop_game(self):
        if self.game is not None and self.game.poll() is None:
            self.game.kill()
            try:
                self.game.wait(5)
            except subprocess.TimeoutExpired:
                pass

    def close(self, keep_logs=True):
        self.stop_game()
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait(5)
        if keep_logs:
            for f in os.listdir(self.tmp):
                if f.endswith(".log"):
                    shutil.copy(os.path.join(self.tmp, f), self.shots_dir)
        shutil.rmtree(self.tmp, ignore_errors=True)


def run_test(name, body, screen="1024x768x24"):
    """Run body(session) with a fresh display (of this size) and run-folder copy; exit
    status 0 on success, 1 on failure.  Cleans up on any exit, also on SIGTERM/SIGINT."""
    args = parse_args()
    load_layout(args.game_dir)

    def on_signal(signum, _frame):
        raise _Terminated(f"signal {signum}")

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    s = Session(name, args.game_dir, args.shots)
    s.screen = screen
    status = 1
    try:
        s.copy_run_folder()
        s.start_x()
        body(s)
        status = 0
        s.log(f"PASSED in {time.monotonic() - s.t0:.1f} s")
    except StepFailed as e:
        print(f"FAILED: {name}: {e}", file=sys.stderr)
        print(f"screenshots: {s.shots_dir}", file=sys.stderr)
        if s.game_log:
            print(f"game output (last part):\n{s.game_output()}", file=sys.stderr)
    except _Terminated as e:
        print(f"FAILED: {name}: interrupted ({e}) during step '{s.step}'", file=sys.stderr)
    except Exception as e:  # a fault of the harness or a tool: still name the step
        import traceback
        traceback.print_exc()
        print(f"FAILED: {name}: step '{s.step}': {type(e).__name__}: {e}", file=sys.stderr)
    finally:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        s.close()
    sys.exit(status)

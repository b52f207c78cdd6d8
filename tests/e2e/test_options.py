#!/usr/bin/env python3
"""The command line and the settings file as a player meets them: --help and --version on
stdout with status 0; each bad option or value one line on stderr, status 2, no window; a
missing, damaged or unreadable settings file one line on stderr and the game runs with the
defaults; a damaged file is written afresh when the game ends, an unreadable one left alone;
the music switch is not kept: switched off, it reads "ON" again on the next run, and a file
that names it is told it has no such setting. A FIFO or a file over 64 KiB is ignored and left
alone, control bytes in the file never reach the terminal, and a settings file that is a
symbolic link stays one while its target gets the settings."""

import os
import stat
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402

BAD = [
    (["--scale", "0"], "'0' is not a whole number from 1 to 8"),
    (["--scale", "9"], "'9' is not a whole number from 1 to 8"),
    (["--scale", "two"], "'two' is not a whole number from 1 to 8"),
    (["--scale"], "option '--scale' needs a value"),
    (["--bogus"], "unknown option '--bogus'"),
    (["-f"], "unknown option '-f'"),
    (["--s"], "is ambiguous"),
    (["--fullscreen=yes"], "option '--fullscreen' takes no value"),
    (["save.dat"], "unexpected argument 'save.dat'"),
]


def run_program(s, args):
    env = s.xenv()
    env["SDL_VIDEODRIVER"] = "x11"
    env["SDL_AUDIODRIVER"] = "dummy"
    env["XDG_CONFIG_HOME"] = s.config_dir()
    return subprocess.run([s.path("nadilka"), *args], cwd=s.tmp, env=env, capture_output=True, timeout=10)


def settings_path(s):
    return os.path.join(s.config_dir(), "nadilka", "settings.ini")


def own_lines(s):
    return [ln for ln in s.game_output().splitlines() if ln.startswith("nadilka:")]


def settings_lines(s):
    return [ln for ln in own_lines(s) if "settings" in ln]


def quit_from_menu(s):
    s.expect_exit()
    s.click(*L.MENU_QUIT)
    # SDL drops a click it takes together with the window's focus event (one that only focuses
    # the window), as the first click after a start can be: it is given once more.
    end = time.monotonic() + 3
    while s.game.poll() is None and time.monotonic() < end:
        time.sleep(0.1)
    if s.game.poll() is None:
        s.log("nothing happened after \"Konec\": clicking once more")
        s.click(*L.MENU_QUIT)
    s.wait_until(lambda: s.game.poll() is not None, 5, "the program did not end after \"Konec\"")
    s.check(s.game.returncode == 0, f"the program ended with status {s.game.returncode}")


def body(s):
    s.begin("--help and --version")
    for args, start in ((["--help"], "Usage: nadilka [OPTION]..."), (["-h"], "Usage: nadilka [OPTION]..."),
                        (["--version"], "nadilka 1.0\nLicence: MIT\n")):
        r = run_program(s, args)
        out = r.stdout.decode()
        s.check(r.returncode == 0, f"{args}: status {r.returncode}")
        s.check(out.startswith(start), f"{args}: stdout is {out!r}")
        s.check(r.stderr == b"", f"{args}: stderr is {r.stderr!r}")
    s.check(not os.path.exists(settings_path(s)), "--help or --version wrote a settings file")

    s.begin("bad options: one line, status 2, no window")
    for args, text in BAD:
        r = run_program(s, args)
        err = r.stderr.decode()
        s.check(r.returncode == 2, f"{args}: status {r.returncode}, stderr {err!r}")
        s.check(r.stdout == b"", f"{args}: stdout is {r.stdout!r}")
        s.check(err.count("\n") == 1 and err.startswith("nadilka: ") and text in err,
                f"{args}: stderr is {err!r}, expected one line with {text!r}")
    s.check(not os.path.exists(settings_path(s)), "a bad option wrote a settings file")

    s.begin("no settings file: one line, the defaults, written at the end")
    s.launch()
    lines = settings_lines(s)
    s.check(len(lines) == 1 and "no settings in" in lines[0], f"stderr about the settings: {lines}")
    reference = s.client(s.shot("defaults"))
    music_on = s.region(s.grab(), L.MUSIC_LABEL)
    # Switched off: the game's rules start every run with it on.
    s.first_click(*L.MENU_MUSIC, lambda: s.region(s.grab(), L.MUSIC_LABEL) != music_on, "the music switch")
    quit_from_menu(s)
    with open(settings_path(s), encoding="utf-8") as f:
        written = f.read()
    s.check("mode = windowed\nscale = 1\nscaling = sharp\n" in written, f"settings.ini written as:\n{written}")
    s.check("music" not in written.lower(), f"settings.ini keeps the music switch:\n{written}")

    s.begin("a damaged settings file: one line, the defaults, written afresh at the end")
    with open(settings_path(s), "wb") as f:
        f.write(b"\x00\x01\x02garbage\xff\xfe\nmore = [[\n")
    s.launch()
    lines = settings_lines(s)
    s.check(len(lines) == 1 and "the file is ignored" in lines[0], f"stderr about the settings: {lines}")
    s.check(s.client(s.shot("damaged")) == reference,
            "with a damaged settings file the menu looks different (the music switch not \"ON\"?)")
    quit_from_menu(s)
    with open(settings_path(s), encoding="utf-8") as f:
        s.check(f.read() == written, "the damaged settings file was not written afresh")

    s.begin("an unreadable settings file: one line, the defaults, left alone")
    os.remove(settings_path(s))
    os.mkdir(settings_path(s))
    s.launch()
    lines = settings_lines(s)
    s.check(len(lines) == 1 and "not a regular file" in lines[0], f"stderr about the settings: {lines}")
    quit_from_menu(s)
    s.check(os.path.isdir(settings_path(s)), "the unreadable settings file was replaced")
    os.rmdir(settings_path(s))

    s.begin("a FIFO as the settings file: no wait for a writer, one line, left alone")
    os.mkfifo(settings_path(s))
    s.launch()  # an open() that waits for a writer would never show the window
    lines = settings_lines(s)
    s.check(len(lines) == 1 and "not a regular file" in lines[0], f"stderr about the settings: {lines}")
    quit_from_menu(s)
    s.check(stat.S_ISFIFO(os.lstat(settings_path(s)).st_mode), "the FIFO was replaced")
    os.remove(settings_path(s))

    s.begin("a settings file over 64 KiB: one line, ignored, left as it was")
    big = b"[window]\nscale = 2\n" + b"# padding\n" * 7000
    with open(settings_path(s), "wb") as f:
        f.write(big)
    s.launch()
    lines = settings_lines(s)
    s.check(len(lines) == 1 and "larger than 64 KiB" in lines[0] and "ignored" in lines[0],
            f"stderr about the settings: {lines}")
    quit_from_menu(s)
    with open(settings_path(s), "rb") as f:
        s.check(f.read() == big, "the settings file that was too large to read was overwritten")
    os.remove(settings_path(s))

    s.begin("control bytes and long text in the settings file reach the terminal as '?' and cut short")
    with open(settings_path(s), "wb") as f:
        f.write(b"[\x1b[31mred\x07]\n[window]\nscale\x07\x1b[31m\r\x1b[2K = 2\n[" + b"s" * 3000 + b"]\n")
    s.launch()
    err = s.game_output()
    s.check(not any(c in err for c in "\x07\x1b\r"), f"control bytes on stderr: {err!r}")
    s.check(all(len(ln) < 300 for ln in err.splitlines()), f"a long line on stderr: {err!r}")
    quit_from_menu(s)

    s.begin("a settings file that is a symbolic link: its target gets the settings, the link stays")
    kept = os.path.join(s.tmp, "dotfiles")
    os.makedirs(kept, exist_ok=True)
    target = os.path.join(kept, "nadilka.ini")
    with open(target, "w", encoding="utf-8") as f:
        f.write("[window]\nscale = 1\nmode = fullscreen\n")
    os.chmod(target, 0o600)
    os.remove(settings_path(s))
    os.symlink(target, settings_path(s))
    s.launch(args=["--windowed"])
    quit_from_menu(s)
    s.check(os.path.islink(settings_path(s)), "the link was replaced by a file")
    with open(target, encoding="utf-8") as f:
        s.check("mode = windowed" in f.read(), "the link's target did not get the new settings")
    s.check(stat.S_IMODE(os.stat(target).st_mode) == 0o600, "the target's access changed")
    s.check(sorted(os.listdir(os.path.dirname(settings_path(s)))) == ["settings.ini"],
            f"files beside the link: {os.listdir(os.path.dirname(settings_path(s)))}")
    os.remove(settings_path(s))

    s.begin("a setting for the music is not taken")
    with open(settings_path(s), "w", encoding="utf-8") as f:
        f.write("[window]\nmode = windowed\nmusic = off\n")
    s.launch()
    lines = settings_lines(s)
    s.check(len(lines) == 1 and "unknown setting 'music'" in lines[0], f"stderr about the settings: {lines}")
    s.check(s.region(s.shot("music"), L.MUSIC_LABEL) == music_on, "the music switch does not read \"ON\"")
    s.stop_game()


if __name__ == "__main__":
    L.run_test("options", body)

#!/usr/bin/env python3
"""Music: with SDL's disk audio driver the game's sound goes to a raw file
(44.1 kHz, 16-bit stereo, written in real time).  The menu music is heard right
after the start; the switch "Music : ON" silences it and shows OFF; a second click
brings it back; a game plays its own music; the switch in the play field works too."""

import array
import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402

BYTES_PER_SECOND = 44100 * 2 * 2
AUDIBLE_PEAK = 300     # of 32767
SILENT_PEAK = 2


def peak(data):
    data = data[:len(data) // 4 * 4]
    if not data:
        return None
    samples = array.array("h")
    samples.frombytes(data)
    return max(abs(v) for v in samples)


class Audio:
    def __init__(self, s, path):
        self.s = s
        self.path = path

    def size(self):
        try:
            return os.path.getsize(self.path)
        except OSError:
            return 0

    def read_from(self, offset):
        with open(self.path, "rb") as f:
            f.seek(offset)
            return f.read()

    def wait_audible(self, offset, timeout, what):
        """Wait until the samples written after offset hold sound; return the peak."""
        def audible():
            p = peak(self.read_from(offset))
            return p if p is not None and p > AUDIBLE_PEAK else None
        p = self.s.wait_until(audible, timeout, f"{what}: no sound in the samples written "
                              f"(peak of the new part {peak(self.read_from(offset))})")
        self.s.log(f"{what}: audible, peak {p}")
        return p

    def silent_for(self, seconds, what, settle=0.6):
        """After a settling time for the buffers, the next samples must be silence."""
        time.sleep(settle)
        start = self.size()
        time.sleep(seconds)
        data = self.read_from(start)
        need = int(BYTES_PER_SECOND * seconds * 0.5)
        self.s.check(len(data) >= need, f"{what}: only {len(data)} bytes of audio written in {seconds} s "
                     f"(the disk driver should write {BYTES_PER_SECOND} per second)")
        p = peak(data)
        self.s.log(f"{what}: {len(data)} bytes, peak {p}")
        self.s.check(p <= SILENT_PEAK, f"{what}: the samples are not silent (peak {p} over {len(data)} bytes)")

    def audible_for(self, seconds, what, settle=0.3):
        time.sleep(settle)
        start = self.size()
        time.sleep(seconds)
        data = self.read_from(start)
        p = peak(data)
        self.s.log(f"{what}: {len(data)} bytes, peak {p}")
        self.s.check(p is not None and p > AUDIBLE_PEAK,
                     f"{what}: no sound in the {len(data)} bytes written over {seconds} s (peak {p})")


def body(s):
    audio = Audio(s, os.path.join(s.tmp, "audio.raw"))

    s.begin("start with the disk audio driver")
    s.start_game(audio="disk", extra_env={"SDL_DISKAUDIOFILE": audio.path})
    s.find_window()
    s.wait_until(lambda: s.pixel_now(20, 300) == L.SKY, 10, "the menu's night sky did not show")
    s.find_window()
    menu = s.shot("menu")
    on_label = s.region(menu, L.MUSIC_LABEL)

    s.begin("menu music within 2 s of the start")
    # The driver writes in real time from the opening of the device: the first two
    # seconds of samples are the first two seconds of the program's sound.
    s.wait_until(lambda: audio.size() >= 2 * BYTES_PER_SECOND, 10,
                 f"the disk audio driver did not write 2 s of samples ({audio.size()} bytes)")
    first = peak(audio.read_from(0)[:2 * BYTES_PER_SECOND])
    s.log(f"first 2 s of sound: peak {first}")
    s.check(first > AUDIBLE_PEAK, f"the first 2 s of sound are silent (peak {first}): no menu music")
    audio.audible_for(1.0, "menu music goes on")

    s.begin("switch the music off")
    s.click(*L.MENU_MUSIC)
    s.wait_until(lambda: s.region(s.grab(), L.MUSIC_LABEL) != on_label, 3,
                 "the label \"Music : ON\" did not change after a click")
    off = s.shot("music-off")
    off_label = s.region(off, L.MUSIC_LABEL)
    audio.silent_for(1.5, "music switched off")

    s.begin("switch the music on again")
    s.click(*L.MENU_MUSIC)
    s.wait_until(lambda: s.region(s.grab(), L.MUSIC_LABEL) == on_label, 3,
                 "the label does not read \"Music : ON\" again after the second click")
    s.shot("music-on")
    audio.wait_audible(audio.size(), 3, "music switched on again")
    audio.audible_for(1.0, "music stays on")

    s.begin("game music")
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    game = s.shot("game")
    audio.audible_for(2.0, "game music", settle=0.5)
    game_on_label = s.region(game, L.PLAY_MUSIC_LABEL)

    s.begin("switch the music off in the play field")
    s.click(*L.PLAY_MUSIC)
    s.wait_until(lambda: s.region(s.grab(), L.PLAY_MUSIC_LABEL) != game_on_label, 3,
                 "the play field's \"Music : ON\" did not change after a click")
    s.shot("game-music-off")
    audio.silent_for(1.5, "game music switched off")

    s.begin("the menu shows OFF after Escape")
    s.key("Escape")
    s.wait_until(lambda: not s.game_shown(s.grab()), 5, "Escape did not return to the menu")
    menu2 = s.shot("menu-after-escape")
    s.check(s.region(menu2, L.MUSIC_LABEL) == off_label,
            "after switching off in the game, the menu's label does not read OFF")
    audio.silent_for(1.0, "menu after Escape with the music off")

    s.begin("switch on in the menu after Escape")
    s.click(*L.MENU_MUSIC)
    s.wait_until(lambda: s.region(s.grab(), L.MUSIC_LABEL) == on_label, 3,
                 "the label does not read \"Music : ON\" after the click")
    audio.wait_audible(audio.size(), 3, "menu music after switching on")
    s.check(s.alive(), "the game ended")


if __name__ == "__main__":
    L.run_test("music", body)

#!/usr/bin/env python3
"""Music after its ten plays, with the real SDL_mixer and the disk audio driver: the run
folder's menu.mid and game.mid are replaced by half-second pieces, so that ten plays last five
seconds.  Each piece is heard for its ten plays and then falls silent while the captions still
read "Music : ON"; then each way of starting music again must start the file afresh:
switching off and on (in the menu and in the play field), Escape (selects the menu music) and
the start of a game (selects the game music)."""

import array
import os
import struct
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_lib as L  # noqa: E402
from test_music import AUDIBLE_PEAK, BYTES_PER_SECOND, SILENT_PEAK, Audio, peak  # noqa: E402

# The text of the play field's music label, below the wavy edge of the scrolling snow.
GAME_MUSIC_TEXT = (9, 468, 60, 9)
PLAY_SECONDS = 0.5
PLAYS = 10


def short_piece(note):
    """A format-0 MIDI file: an organ (which sounds until the note ends) holding one note for a
    quarter at 120 beats a minute, half a second, and the track's end right there."""
    events = bytes([0x00, 0xC0, 19,            # program: church organ
                    0x00, 0x90, note, 100,     # note on
                    0x83, 0x60, 0x80, note, 0,  # 480 ticks later: note off
                    0x00, 0xFF, 0x2F, 0x00])   # end of track
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) +
            b"MTrk" + struct.pack(">I", len(events)) + events)


def sound_span(data):
    """Seconds from the first to the last sample louder than AUDIBLE_PEAK."""
    samples = array.array("h")
    samples.frombytes(data[:len(data) // 4 * 4])
    loud = [i for i, v in enumerate(samples) if abs(v) > AUDIBLE_PEAK]
    return (loud[-1] - loud[0]) / (2 * 44100) if loud else 0.0


def wait_silent(s, audio, what, timeout=15):
    """Wait until the last 0.4 s of samples written are silence; return the offset then."""
    window = int(0.4 * BYTES_PER_SECOND) // 4 * 4

    def quiet():
        size = audio.size() // 4 * 4
        if size < window:
            return None
        p = peak(audio.read_from(size - window)[:window])
        return size if p is not None and p <= SILENT_PEAK else None
    end = s.wait_until(quiet, timeout, f"{what}: the music did not fall silent")
    s.log(f"{what}: silent from byte {end}")
    return end


def switch_off_and_on(s, point, label_region, on_label):
    """Two clicks on a music label; the label must change and then read "Music : ON" again."""
    def differ():
        n = L.count_different(s.region(s.grab(), label_region), on_label)
        s.log(f"label: {n} pixels differ from \"Music : ON\"")
        return n
    s.click(*point)
    s.wait_until(lambda: differ() > 20, 3, "the music label did not change on a click")
    s.click(*point)
    s.wait_until(lambda: differ() < 8, 3, "the label does not read \"Music : ON\" again after the second click")


def body(s):
    audio = Audio(s, os.path.join(s.tmp, "audio.raw"))
    with open(s.path("menu.mid"), "wb") as f:
        f.write(short_piece(72))
    with open(s.path("game.mid"), "wb") as f:
        f.write(short_piece(67))

    s.begin("menu music plays ten times, then falls silent")
    s.start_game(audio="disk", extra_env={"SDL_DISKAUDIOFILE": audio.path})
    s.find_window()
    s.wait_until(lambda: s.pixel_now(20, 300) == L.SKY, 10, "the menu's night sky did not show")
    s.find_window()
    on_label = s.region(s.shot("menu"), L.MUSIC_LABEL)
    audio.wait_audible(0, 5, "menu music")
    silent_at = wait_silent(s, audio, "after the ten plays")
    span = sound_span(audio.read_from(0)[:silent_at])
    s.log(f"sound lasted {span:.2f} s")
    s.check(PLAYS * PLAY_SECONDS - 0.5 <= span <= PLAYS * PLAY_SECONDS + 2,
            f"the music sounded for {span:.2f} s, not ten plays of {PLAY_SECONDS} s")
    audio.silent_for(1.0, "ten plays over")
    s.check(s.region(s.grab(), L.MUSIC_LABEL) == on_label, "the label changed by itself")

    s.begin("switching off and on starts the menu music again")
    # Each step looks for sound from before its action on: the music was silent then, and a
    # slow screen check after the action must not let the pieces' half-second plays pass unseen.
    before = audio.size()
    switch_off_and_on(s, L.MENU_MUSIC, L.MUSIC_LABEL, on_label)
    audio.wait_audible(before, 5, "menu music after off and on")

    s.begin("Escape after the ten plays starts the menu music again")
    wait_silent(s, audio, "menu music played out again")
    before = audio.size()
    s.key("Escape")
    audio.wait_audible(before, 5, "menu music after Escape")

    s.begin("a game start after the ten plays starts the game music")
    wait_silent(s, audio, "menu music played out a third time")
    before = audio.size()
    s.click(*L.MENU_START)
    s.wait_until(lambda: s.game_shown(s.grab()), 5, "the play field did not show after \"Nová hra\"")
    audio.wait_audible(before, 5, "game music")

    s.begin("switching off and on in the play field starts the game music again")
    wait_silent(s, audio, "game music played out")
    before = audio.size()
    switch_off_and_on(s, L.PLAY_MUSIC, GAME_MUSIC_TEXT, s.region(s.grab(), GAME_MUSIC_TEXT))
    audio.wait_audible(before, 5, "game music after off and on")

    s.begin("Escape from the game after the ten plays starts the menu music")
    wait_silent(s, audio, "game music played out again")
    before = audio.size()
    s.key("Escape")
    s.wait_until(lambda: not s.game_shown(s.grab()), 5, "Escape did not return to the menu")
    audio.wait_audible(before, 5, "menu music after Escape from the game")
    s.check(s.alive(), "the game ended")


if __name__ == "__main__":
    L.run_test("music_plays", body)

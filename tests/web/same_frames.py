#!/usr/bin/env python3
"""The WebAssembly replay's --frames-png pictures against the desktop's, pixel for pixel.

usage: same_frames.py NATIVE_TOOL WEB_TOOL_JS SESSIONS_DIR

Both builds write PNG with stb_image_write, the desktop's and the WebAssembly's deflate may
differ, so the pictures are compared decoded. A missing web build or node fails the test.
"""
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sessions"))
from png_pixels import PngError, read_png  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from replays import fail, replay_tools  # noqa: E402

NATIVE, WEB, SESSIONS = sys.argv[1], sys.argv[2], sys.argv[3]
SESSION, FRAMES = "steering.session", "1,2,62"


def main():
    tools = replay_tools(NATIVE, WEB)
    with tempfile.TemporaryDirectory() as tmp:
        pictures = {}
        for who, tool in tools.items():
            out = os.path.join(tmp, who)
            p = subprocess.run([*tool, os.path.join(SESSIONS, SESSION), "--frames-png", out, "--frames", FRAMES],
                               capture_output=True, timeout=300)
            if p.returncode != 0:
                fail(f"{who}: exit status {p.returncode}: {p.stderr.decode(errors='replace').strip()}")
            names = sorted(os.listdir(out))
            if names != ["frame-00001.png", "frame-00002.png", "frame-00062.png"]:
                fail(f"{who}: wrote {names}")
            try:
                pictures[who] = {name: read_png(os.path.join(out, name)) for name in names}
            except PngError as e:
                fail(f"{who}: {e}")
        for name, (w, h, rows) in pictures["native"].items():
            if (w, h) != (643, 483):
                fail(f"{name}: {w} x {h}, expected 643 x 483")
            web = pictures["web"][name]
            if web != (w, h, rows):
                y = next(y for y in range(h) if web[2][y] != rows[y])
                x = next(x for x in range(w) if web[2][y][x] != rows[y][x])
                fail(f"{name}: the web replay's pixel ({x}, {y}) is {web[2][y][x]}, the desktop's {rows[y][x]}")
        if pictures["native"]["frame-00001.png"] == pictures["native"]["frame-00062.png"]:
            fail("frames 1 and 62 are the same picture: the play field did not change")
        print(f"{SESSION}: frames {FRAMES} the same pixels in both builds")
    print("ok")


if __name__ == "__main__":
    main()

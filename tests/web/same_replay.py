#!/usr/bin/env python3
"""The WebAssembly replay under node against the desktop's, byte for byte.

usage: same_replay.py NATIVE_TOOL WEB_TOOL_JS SESSIONS_DIR

Every session in SESSIONS_DIR (*.session) is replayed by both; their JSON Lines must be the same
bytes, which pins the engine's arithmetic, random numbers and number texts across the two. A
session that saves the high-score table is replayed once more by each with a program folder of
its own, and the saved tables must be the same bytes too. The web tool reads the pictures from the
native tool's run folder (--run-folder: under node it cannot tell where it lies).

A missing web build or node fails the test with what to do; it never skips.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from replays import fail, replay_tools  # noqa: E402

NATIVE, WEB, SESSIONS = sys.argv[1], sys.argv[2], sys.argv[3]
RUN_FOLDER = os.path.dirname(os.path.abspath(NATIVE))


def first_difference(a, b):
    """(line number from 1, line of a, line of b) where two outputs part."""
    la, lb = a.split(b"\n"), b.split(b"\n")
    for n, (x, y) in enumerate(zip(la, lb), 1):
        if x != y:
            return n, x, y
    n = min(len(la), len(lb)) + 1
    return n, b"(end)" if len(la) < n else la[n - 1], b"(end)" if len(lb) < n else lb[n - 1]


def run(command, what):
    started = time.perf_counter()
    p = subprocess.run(command, capture_output=True, timeout=300)
    if p.returncode != 0:
        fail(f"{what}: exit status {p.returncode}: {p.stderr.decode(errors='replace').strip()}")
    return p.stdout, time.perf_counter() - started


def compare(name, native, web):
    if native != web:
        n, a, b = first_difference(native, web)
        fail(f"{name}: the web replay differs from line {n} on\n  native: {a[:300]!r}\n  web:    {b[:300]!r}")


def main():
    sessions = sorted(f for f in os.listdir(SESSIONS) if f.endswith(".session"))
    if not sessions:
        fail(f"no sessions in {SESSIONS}")
    tools = replay_tools(NATIVE, WEB)
    totals = {"native": 0.0, "web": 0.0}
    for name in sessions:
        path = os.path.join(SESSIONS, name)
        out, seconds = {}, {}
        for who, tool in tools.items():
            out[who], seconds[who] = run([*tool, path], f"{name}: {who}")
            totals[who] += seconds[who]
        compare(name, out["native"], out["web"])
        lines = out["native"].count(b"\n")
        print(f"{name}: {lines} lines, the same bytes "
              f"(native {seconds['native']:.2f} s, web {seconds['web']:.2f} s)")
        if b'"hiscore":"save"' not in out["native"]:
            continue
        with tempfile.TemporaryDirectory() as tmp:
            saved = {}
            for who, tool in tools.items():
                folder = os.path.join(tmp, who)
                os.mkdir(folder)
                shutil.copy(os.path.join(RUN_FOLDER, "extract.ext"), folder)
                out[who], _ = run([*tool, path, "--program-dir", folder], f"{name}: {who}, a program folder")
                with open(os.path.join(folder, "extract.ext"), "rb") as f:
                    saved[who] = f.read()
            compare(f"{name} with a program folder", out["native"], out["web"])
            if saved["native"] != saved["web"]:
                fail(f"{name}: the saved high-score tables differ\n  native: {saved['native']!r}\n"
                     f"  web:    {saved['web']!r}")
            print(f"{name}: the same high-score table saved")
    print(f"{len(sessions)} sessions: native {totals['native']:.1f} s, web {totals['web']:.1f} s")
    print("ok")


if __name__ == "__main__":
    main()

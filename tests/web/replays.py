"""What the tests that hold the WebAssembly replay to the desktop's share: the two tools and how
they fail. A missing web build or node fails the test with what to do; it never skips."""
import os
import shutil
import sys


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def replay_tools(native, web):
    """The command that starts each replay: the desktop's, and the WebAssembly one under node,
    which reads the pictures from the desktop's run folder (under node it cannot tell where it
    lies)."""
    if not os.path.isfile(web):
        fail(f"no web build: {web} is missing; build it with scripts/web --build")
    node = shutil.which("node")
    if not node:
        fail("node is not installed (it comes with emscripten: scripts/web --build installs it)")
    return {"native": [native], "web": [node, web, "--run-folder", os.path.dirname(os.path.abspath(native))]}

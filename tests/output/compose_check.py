#!/usr/bin/python3
"""Checks GIFs composed from a real frame store with independent decoders.

usage: compose_check.py WINE PROBE WORKDIR

Runs compose_probe (under WINE), which paints a recording with GDI (a moving
block, a still period, a colour change, a pixel in the last column and row),
stores it with uneven capture times, runs the changed-region pass and
composes it three times: with still frames waiting (4 plays), skipped
(endless) and waiting once (no looping block). Pillow, ImageMagick and
gifsicle then read the GIFs; every frame's delay, place and size, the loop
block and the comment are checked, and every composited frame must equal the
frame as it was captured. The delays and changed rectangles expected here are
worked out from the capture times and the captured pictures, not taken from
the program.
"""
import json
import os
import shutil
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gif_checks import all_problems, changed_boxes, expected_delays  # noqa: E402


def main():
    wine, probe, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    win_work = "Z:" + os.path.abspath(work).replace("/", "\\")
    result = subprocess.run([wine, probe, win_work], capture_output=True, timeout=300)
    if result.returncode != 0:
        sys.exit(f"compose_probe failed: {result.stderr.decode(errors='replace')}")
    described = json.loads(result.stdout.decode().strip().splitlines()[-1])
    pattern = described["pattern"]
    frames = {i: Image.open(os.path.join(work, f"frame{i}.bmp")).convert("RGB") for i in range(1, len(pattern) + 1)}
    boxes = changed_boxes(frames, pattern)
    failures = []
    # The store's offsets are the rectangles' corners; still frames keep {0, 0}.
    for i, (left, top) in enumerate(described["offsets"], start=1):
        want = tuple(boxes[i][:2]) if i in boxes else (0, 0)
        if (left, top) != want:
            failures.append(f"store offset of frame {i}: {(left, top)}, expected {want}")
    for name, wait in (("wait", True), ("skip", False), ("once", True), ("compact", True)):
        path = os.path.join(work, name + ".gif")
        delays = expected_delays(pattern, described["captures"], described["interval"], described["speed_change"], wait)
        failures += [f"{name}: {p}" for p in
                     all_problems(path, pattern, frames, described["plays"][name], work, delays,
                                  compact=name == "compact")]
    for problem in failures:
        print("FAIL:", problem)
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")
    print("all checks passed")


if __name__ == "__main__":
    main()

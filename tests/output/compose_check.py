#!/usr/bin/python3
"""Checks GIFs composed from a real frame store with independent decoders.

usage: compose_check.py WINE PROBE WORKDIR

Runs compose_probe (under WINE), which paints a recording with GDI (a moving
block, a still period, a colour change, a pixel in the last column and row),
stores it, runs the changed-region pass and composes it twice: with still
frames waiting (loop count 3) and skipped (endless). Pillow, ImageMagick and
gifsicle then read the GIFs; every frame's delay, place and size, the loop
block and the comment are checked, and every composited frame must equal the
frame as it was captured. The delays and changed rectangles expected here are
worked out from the captured pictures, not taken from the program.
"""
import json
import os
import re
import shutil
import subprocess
import sys

from PIL import Image, ImageChops

COMMENT = "Movrel(https://movrel.example.org/)"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def groups(pattern, frame_ms, wait):
    """(first frame number, delay in 1/100 s) of every kept frame and the still frames after it."""
    result = []
    for i, kind in enumerate(pattern, start=1):
        if i == 1 or kind == "K":
            result.append([i, frame_ms])
        elif wait:
            result[-1][1] += frame_ms
    return [(first, ms // 10) for first, ms in result]


def changed_boxes(frames, pattern):
    """The changed rectangle (left, top, right, bottom exclusive) of each kept frame."""
    boxes, last = {}, None
    for i, kind in enumerate(pattern, start=1):
        if kind != "K":
            continue
        frame = frames[i]
        boxes[i] = (0, 0) + frame.size if last is None else ImageChops.difference(last, frame).getbbox()
        last = frame
    return boxes


def check_pillow(path, name, expected, boxes, frames, loop):
    im = Image.open(path)
    check(im.n_frames == len(expected), f"{name}: Pillow sees {im.n_frames} frames, expected {len(expected)}")
    check(im.size == frames[1].size, f"{name}: logical screen {im.size}")
    check(im.info.get("loop") == loop, f"{name}: loop {im.info.get('loop')!r}, expected {loop}")
    for k, (first, delay) in enumerate(expected[: im.n_frames]):
        im.seek(k)
        box = im.tile[0][1] if im.tile else None
        duration = im.info.get("duration")
        check(duration == delay * 10, f"{name} frame {k}: duration {duration} ms, expected {delay * 10}")
        check(box == boxes[first], f"{name} frame {k}: placed at {box}, expected {boxes[first]}")
        composite = im.convert("RGB")
        diff = ImageChops.difference(composite, frames[first]).getbbox()
        check(diff is None, f"{name} frame {k}: composite differs from captured frame {first} in {diff}")


def check_imagemagick(path, name, expected, boxes, frames, work):
    out = subprocess.run(["identify", "-format", "%T %X %Y %w %h\n", path], capture_output=True, text=True).stdout
    rows = [line.split() for line in out.splitlines() if line.strip()]
    check(len(rows) == len(expected), f"{name}: ImageMagick sees {len(rows)} frames")
    for k, ((first, delay), row) in enumerate(zip(expected, rows)):
        left, top, right, bottom = boxes[first]
        got = (int(row[0]), int(row[1]), int(row[2]), int(row[3]), int(row[4]))
        want = (delay, left, top, right - left, bottom - top)
        check(got == want, f"{name} frame {k}: ImageMagick delay/offset/size {got}, expected {want}")
    pattern = os.path.join(work, f"{name}_coalesced_%02d.png")
    subprocess.run(["convert", path, "-coalesce", pattern], check=True)
    for k, (first, _) in enumerate(expected):
        coalesced = Image.open(pattern % k).convert("RGB")
        diff = ImageChops.difference(coalesced, frames[first]).getbbox()
        check(diff is None, f"{name} frame {k}: ImageMagick composite differs from frame {first} in {diff}")


def check_gifsicle(path, name, loop):
    info = subprocess.run(["gifsicle", "--info", path], capture_output=True, text=True).stdout
    want = "loop forever" if loop == 0 else f"loop count {loop}"
    check(want in info, f"{name}: gifsicle does not report {want!r}:\n{info}")
    check(COMMENT in info, f"{name}: gifsicle does not report the comment:\n{info}")


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
    frame_ms = described["interval"] - described["speed_change"]
    frames = {i: Image.open(os.path.join(work, f"frame{i}.bmp")).convert("RGB") for i in range(1, len(pattern) + 1)}
    boxes = changed_boxes(frames, pattern)
    # The store's offsets are the rectangles' corners; still frames keep {0, 0}.
    for i, (left, top) in enumerate(described["offsets"], start=1):
        want = boxes[i][:2] if i in boxes else (0, 0)
        check((left, top) == tuple(want), f"store offset of frame {i}: {(left, top)}, expected {want}")

    for name, wait in (("wait", True), ("skip", False)):
        path = os.path.join(work, name + ".gif")
        expected = groups(pattern, frame_ms, wait)
        loop = described["loops"][name]
        check_pillow(path, name, expected, boxes, frames, loop)
        check_imagemagick(path, name, expected, boxes, frames, work)
        check_gifsicle(path, name, loop)
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")
    print("all checks passed")


if __name__ == "__main__":
    main()

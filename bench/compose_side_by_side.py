#!/usr/bin/python3
"""Movrel's save path against other GIF encoders on the same screen recording.

usage: bench/compose_side_by_side.py [--win-build DIR] [--frames N] [--full-frames N] [--keep DIR]

Needs a display and a Wine prefix, as the Windows tests do:
    source scripts/env.sh; movrel_start_display; movrel_wine_prefix <prefix>

A screen-like picture (text panels, a gradient, a noisy photo) covers the
screen, the recording tests' target window (a moving block) is placed on it, and Movrel's own capture takes N frames of a 500x500 rectangle at 100 ms
and M frames of the whole screen at 200 ms. For each recording the same BMP
frames are encoded by:
  - Movrel: frame store with the still test, the changed-region pass and the
    GIF maker (compose_bench.exe under Wine; the stages are timed inside,
    the wall time includes starting Wine),
  - ImageMagick: convert ... -layers Optimize,
  - ffmpeg: palettegen/paletteuse with one palette,
and Movrel's GIF is then run through gifsicle -O3 to show what an optimiser
could still take off. Every line gives wall seconds and output bytes.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from side_by_side import make_background  # noqa: E402


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.1)
    sys.exit(f"timed out waiting for {what}")


def screen_size():
    out = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if "dimensions:" in line:
            w, h = line.split()[1].split("x")
            return int(w), int(h)
    sys.exit("cannot read the screen size")


def timed(command, **kw):
    start = time.perf_counter()
    result = subprocess.run(command, capture_output=True, **kw)
    seconds = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed: {result.stderr.decode(errors='replace')[-400:]}")
    return seconds, result.stdout.decode(errors="replace")


def record(args, folder, rect, target, count, interval_ms):
    """Captures `count` frames of `rect` while the target window moves its block."""
    os.makedirs(folder, exist_ok=True)
    target_exe = os.path.join(args.win_build, "tests", "e2e", "record_target.exe")
    x, y, w, h = target
    proc = subprocess.Popen(["wine", target_exe, str(x), str(y), str(w), str(h), str(interval_ms)],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "MovrelRecordTarget"],
                                          capture_output=True).returncode == 0, 60, "the target window")
        timed(["wine", args.bench, "capture", *map(str, rect), str(count), str(interval_ms), wine_path(folder),
               wine_path(args.backdrop)], timeout=600)
    finally:
        proc.kill()
        proc.wait()
    return sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".bmp"))


def encode_all(args, name, folder, frames, interval_ms):
    rows = []
    count = len(frames)
    out = lambda file: os.path.join(folder, file)
    wall, stdout = timed(["wine", args.bench, "compose", wine_path(folder), str(count), str(interval_ms),
                          wine_path(out("movrel.gif"))], timeout=1800)
    inner = json.loads(stdout.strip().splitlines()[-1])
    size = os.path.getsize(out("movrel.gif"))
    rows.append((f"Movrel under Wine, whole process with two window close waits ({inner['kept']} of {count} frames kept)", wall, size))
    # Inside the process: the pass and the encoder, without Wine's start-up,
    # and without the wait for the pass's window to close that Wine adds on
    # a display without a window manager (measured on a window of its own).
    stages = (inner["optimize_ms"] + inner["compose_ms"] - inner["window_ms"]) / 1000
    rows.append((f"Movrel pass {(inner['optimize_ms'] - inner['window_ms']) / 1000:.2f} s + encoder "
                 f"{inner['compose_ms'] / 1000:.2f} s (window close wait {inner['window_ms'] / 1000:.2f} s apart)",
                 stages, size))
    delay = str(interval_ms // 10)
    wall, _ = timed(["convert", "-delay", delay, "-loop", "0", *frames, "-layers", "Optimize", out("magick.gif")],
                    timeout=3600)
    rows.append(("ImageMagick convert -layers Optimize", wall, os.path.getsize(out("magick.gif"))))
    if shutil.which("ffmpeg"):
        wall, _ = timed(["ffmpeg", "-v", "error", "-y", "-framerate", str(1000 // interval_ms), "-i",
                         os.path.join(folder, "frame%04d.bmp"), "-vf",
                         "split[a][b];[a]palettegen[p];[b][p]paletteuse", "-loop", "0", out("ffmpeg.gif")],
                        timeout=3600)
        rows.append(("ffmpeg palettegen/paletteuse", wall, os.path.getsize(out("ffmpeg.gif"))))
    wall, _ = timed(["gifsicle", "-O3", out("movrel.gif"), "-o", out("movrel_O3.gif")], timeout=3600)
    rows.append(("gifsicle -O3 on Movrel's GIF (after Movrel)", wall, os.path.getsize(out("movrel_O3.gif"))))

    w, h = inner["width"], inner["height"]
    print(f"\n{name}: {count} frames of {w}x{h} every {interval_ms} ms")
    print("%-80s %9s %12s" % ("encoder", "seconds", "bytes"))
    for label, seconds, size in rows:
        print("%-80s %9.2f %12d" % (label, seconds, size))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--win-build", default=os.path.join(HERE, "..", "build", "win"))
    parser.add_argument("--frames", type=int, default=100, help="frames of the 500x500 recording")
    parser.add_argument("--full-frames", type=int, default=30, help="frames of the full-screen recording")
    parser.add_argument("--keep", help="keep frames and GIFs in this folder")
    args = parser.parse_args()
    args.bench = os.path.join(args.win_build, "tests", "output", "compose_bench.exe")
    for need in (args.bench, os.path.join(args.win_build, "tests", "e2e", "record_target.exe")):
        if not os.path.exists(need):
            sys.exit(f"{need} not found (build the Windows tree or pass --win-build)")
    if not os.environ.get("DISPLAY") or not os.environ.get("WINEPREFIX"):
        sys.exit("set DISPLAY and WINEPREFIX first (source scripts/env.sh; movrel_start_display; movrel_wine_prefix ...)")

    work = args.keep or tempfile.mkdtemp(prefix="movrel_compose_bench_")
    os.makedirs(work, exist_ok=True)
    try:
        width, height = screen_size()
        args.backdrop = os.path.join(work, "backdrop.bmp")
        make_background(width, height).save(args.backdrop)

        folder = os.path.join(work, "rect500")
        frames = record(args, folder, (100, 100, 500, 500), (180, 260, 320, 200), args.frames, 100)
        encode_all(args, "500x500 rectangle", folder, frames, 100)

        folder = os.path.join(work, "fullscreen")
        frames = record(args, folder, (0, 0, width, height), (300, 300, 400, 300), args.full_frames, 200)
        encode_all(args, "full screen", folder, frames, 200)
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

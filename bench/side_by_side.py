#!/usr/bin/python3
"""Encodes one sequence of screen-like frames with gifcompose, ImageMagick and
ffmpeg (palettegen/paletteuse) and prints the time and output size of each.

usage: bench/side_by_side.py [--gifcompose PATH] [--frames N] [--width W] [--height H] [--keep DIR]

The frames are BMP files of a desktop-like picture (text, flat panels, a
gradient and a photo) in which a block of text is typed and a window moves,
as a recording would see it. Every encoder gets the same files and writes an
animated GIF with a 200 ms delay that loops forever.
"""

import argparse
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))


def make_background(width, height):
    im = Image.new("RGB", (width, height), (236, 236, 240))
    px = im.load()
    rnd = random.Random(1)
    # A gradient band and a photo-like patch.
    for y in range(height // 4, height // 2):
        for x in range(width):
            px[x, y] = (x * 255 // width, y * 255 // height, 160)
    for y in range(height // 2, height):
        for x in range(width // 2, width):
            base = int(128 + 90 * math.sin(x * 0.021 + math.cos(y * 0.017 * 1.3)))
            n = rnd.randrange(-8, 8)
            px[x, y] = (min(255, max(0, base + n)),
                        min(255, max(0, int(110 + 80 * math.cos(y * 0.017 + x * 0.015)) + n)),
                        min(255, max(0, 255 - base + n)))
    draw = ImageDraw.Draw(im)
    # Title bars and panels.
    for top in range(height // 2, height, 120):
        draw.rectangle([0, top, width // 2 - 1, top + 21], fill=(40, 90, 200))
    return im


def make_frames(folder, count, width, height):
    background = make_background(width, height)
    text = "The quick brown fox jumps over the lazy dog 0123456789 "
    paths = []
    for i in range(count):
        im = background.copy()
        draw = ImageDraw.Draw(im)
        # Typed text: one more character per frame, wrapped in lines.
        typed = (text * 20)[: 4 * (i + 1)]
        for line in range(0, len(typed), 60):
            draw.text((12, 10 + 14 * (line // 60)), typed[line:line + 60], fill=(20, 20, 20))
        # A small window that moves across the picture.
        x = 40 + (i * 23) % max(1, width - 240)
        y = height // 3 + (i * 11) % max(1, height // 3)
        draw.rectangle([x, y, x + 180, y + 110], fill=(250, 250, 250), outline=(60, 60, 60))
        draw.rectangle([x, y, x + 180, y + 18], fill=(200, 60, 40))
        path = os.path.join(folder, "frame%03d.bmp" % i)
        im.save(path)
        paths.append(path)
    return paths


def run(label, command, output):
    start = time.perf_counter()
    r = subprocess.run(command, capture_output=True)
    seconds = time.perf_counter() - start
    if r.returncode != 0:
        return label, seconds, None, r.stderr.decode("utf-8", "replace").strip()[:200]
    return label, seconds, os.path.getsize(output), ""


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--gifcompose", default=os.path.join(HERE, "..", "build", "host", "gifcompose"))
    parser.add_argument("--frames", type=int, default=20)
    parser.add_argument("--width", type=int, default=1280)
    parser.add_argument("--height", type=int, default=720)
    parser.add_argument("--keep", help="keep the frames and GIFs in this folder")
    args = parser.parse_args()

    if not os.path.exists(args.gifcompose):
        sys.exit("gifcompose not found at %s (build the host tree or pass --gifcompose)" % args.gifcompose)
    folder = args.keep or tempfile.mkdtemp(prefix="movrel_side_by_side_")
    os.makedirs(folder, exist_ok=True)
    try:
        frames = make_frames(folder, args.frames, args.width, args.height)
        pattern = os.path.join(folder, "frame%03d.bmp")
        out = lambda name: os.path.join(folder, name)

        compose = [args.gifcompose, "--loop", "0", out("movrel.gif")]
        for f in frames:
            compose += ["--delay", "20", f]
        jobs = [
            ("gifcompose (popularity palette)", compose, out("movrel.gif")),
            ("ImageMagick convert (defaults)",
             ["convert", "-delay", "20", "-loop", "0"] + frames + [out("magick.gif")], out("magick.gif")),
            ("ImageMagick convert +dither",
             ["convert", "-delay", "20", "-loop", "0", "+dither"] + frames + [out("magick_nodither.gif")],
             out("magick_nodither.gif")),
        ]
        if shutil.which("ffmpeg"):
            ffmpeg = ["ffmpeg", "-v", "error", "-y", "-framerate", "5", "-i", pattern]
            jobs += [
                ("ffmpeg palettegen/paletteuse (one palette)",
                 ffmpeg + ["-vf", "split[a][b];[a]palettegen[p];[b][p]paletteuse", "-loop", "0", out("ffmpeg.gif")],
                 out("ffmpeg.gif")),
                ("ffmpeg palettegen/paletteuse (palette per frame)",
                 ffmpeg + ["-vf", "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1",
                           "-loop", "0", out("ffmpeg_single.gif")],
                 out("ffmpeg_single.gif")),
            ]
        else:
            print("ffmpeg is not installed: its rows are left out")

        megapixels = args.frames * args.width * args.height / 1e6
        print("%d frames of %dx%d (%.1f megapixels)" % (args.frames, args.width, args.height, megapixels))
        print("%-50s %10s %12s %14s" % ("encoder", "seconds", "ms/frame", "bytes"))
        for label, command, output in jobs:
            label, seconds, size, error = run(label, command, output)
            if size is None:
                print("%-50s %10.2f %12s %14s  %s" % (label, seconds, "-", "failed", error))
            else:
                print("%-50s %10.2f %12.1f %14d" % (label, seconds, 1000 * seconds / args.frames, size))
    finally:
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()

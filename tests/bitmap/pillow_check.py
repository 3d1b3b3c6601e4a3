"""Checks the surface's captures and the re-encoder's files with Pillow.

usage: pillow_check.py WINE PROBE WORKDIR

Runs bitmap_probe (under WINE) to re-encode a picture that Pillow made into
every format and to capture a pattern window at several depths, then decodes
each file with Pillow (and the GIF with gifsicle too) and compares it with
what was painted. The captures are
kept in WORKDIR as PNG files for a person to look at.
"""
import os
import shutil
import subprocess
import sys

from PIL import Image

FORMATS = [  # SaveFormat, Pillow's name, largest mean difference per channel
    (1, "BMP", 0),
    (2, "JPEG", 10),
    (3, "GIF", 40),
    (4, "TIFF", 0),
    (5, "PNG", 0),
]

# Entries 0-9 and 246-255 of the fixed 8-bit colour table, as (r, g, b).
PALETTE8_ENDS = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
    (128, 0, 128), (0, 128, 128), (192, 192, 192), (192, 220, 192), (166, 202, 240),
] + [
    (255, 251, 240), (160, 160, 164), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_probe(wine, probe, *args):
    result = subprocess.run([wine, probe] + list(args), capture_output=True, timeout=120)
    return result.returncode


def gradient(x, y):
    return ((x * 7) % 256, (y * 11) % 256, (x * y) % 256)


def pattern(x, y, w, h):
    if x == w - 1 and y == h - 1:
        return (255, 0, 255)
    right, bottom = x >= w // 2, y >= h // 2
    if not bottom:
        return (0, 255, 0) if right else (255, 0, 0)
    return (255, 255, 255) if right else (0, 0, 255)


def check_reencoding(wine, probe, work):
    w, h = 37, 23
    source = Image.new("RGB", (w, h))
    source.putdata([gradient(x, y) for y in range(h) for x in range(w)])
    source_path = os.path.join(work, "source.bmp")
    source.save(source_path, "BMP")
    for save_format, name, tolerance in FORMATS:
        out = os.path.join(work, "reencoded_%d.%s" % (save_format, name.lower()))
        if os.path.exists(out):
            os.remove(out)
        status = run_probe(wine, probe, "reencode", wine_path(source_path), str(save_format), wine_path(out))
        check(status == 0, "%s: probe status %d" % (name, status))
        if status != 0:
            continue
        if name == "GIF" and shutil.which("gifsicle"):
            info = subprocess.run(["gifsicle", "--info", out], capture_output=True, text=True)
            check(info.returncode == 0 and "+ image #0 %dx%d" % (w, h) in info.stdout,
                  "GIF: gifsicle reads %r" % (info.stdout + info.stderr))
        image = Image.open(out)
        check(image.format == name, "%s: Pillow reads format %s" % (name, image.format))
        check(image.size == (w, h), "%s: size %s" % (name, image.size))
        rgb = image.convert("RGB")
        total = 0
        for y in range(h):
            for x in range(w):
                got, want = rgb.getpixel((x, y)), gradient(x, y)
                total += sum(abs(a - b) for a, b in zip(got, want))
        mean = total / (3.0 * w * h)
        if tolerance == 0:
            check(total == 0, "%s: pixels differ (mean %.2f)" % (name, mean))
        else:
            check(mean <= tolerance, "%s: mean difference %.2f above %d" % (name, mean, tolerance))


def check_captures(wine, probe, work):
    for kind, w, h in (("screen", 64, 48), ("window", 160, 48)):
        for depth in (24, 8):
            out = os.path.join(work, "capture_%s_%d.bmp" % (kind, depth))
            status = run_probe(wine, probe, kind, wine_path(out), str(depth))
            check(status == 0, "%s at %d bits: probe status %d" % (kind, depth, status))
            if status != 0:
                continue
            image = Image.open(out)
            check(image.format == "BMP", "%s at %d bits: format %s" % (kind, depth, image.format))
            check(image.size == (w, h), "%s at %d bits: size %s" % (kind, depth, image.size))
            if depth == 8:
                check(image.mode == "P", "%s at 8 bits: mode %s" % (kind, image.mode))
                table = image.getpalette()
                entries = [tuple(table[3 * i:3 * i + 3]) for i in list(range(10)) + list(range(246, 256))]
                check(entries == PALETTE8_ENDS, "%s at 8 bits: colour table ends %s" % (kind, entries))
            rgb = image.convert("RGB")
            wrong = [(x, y) for y in range(h) for x in range(w) if rgb.getpixel((x, y)) != pattern(x, y, w, h)]
            check(not wrong, "%s at %d bits: %d pixels differ, first %s" % (kind, depth, len(wrong), wrong[:3]))
            rgb.save(os.path.join(work, "capture_%s_%d.png" % (kind, depth)))


def main(wine, probe, work):
    os.makedirs(work, exist_ok=True)
    check_reencoding(wine, probe, work)
    check_captures(wine, probe, work)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))

#!/usr/bin/python3
"""Draws the four notification-area icons and embeds them in the program.

Each icon is an .ico file holding one 32-bit image (BGRA rows bottom-up plus
the 1-bit AND mask), the form CreateIconFromResource takes directly:

  tray_idle.ico             the program icon at 24 x 24 (taken from res/movrel.ico)
  tray_recording.ico        16 x 16 red ring, white inner disc filled red in its middle
  tray_recording_still.ico  16 x 16 red ring, white inner disc with one black bar
  tray_paused.ico           16 x 16 red ring, white inner disc with two black bars

Run it with /usr/bin/python3 (it needs Pillow to read res/movrel.ico); it
rewrites the .ico files beside it and src/app/tray_icon_data.cpp.
"""
import math
import os
import struct

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))

RED = (214, 24, 32)
WHITE = (255, 255, 255)
BLACK = (16, 16, 16)
SUPERSAMPLE = 8


def draw_state(bars, red_middle):
    """One 16 x 16 state picture as rows of (r, g, b, a), top row first."""
    size = 16
    centre = size / 2.0
    outer, inner, middle = 7.6, 5.4, 3.2
    bar_half_width, bar_half_height = 3.0, 1.0
    bar_centres = {0: [], 1: [centre], 2: [centre - 2.0, centre + 2.0]}[bars]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            # Supersampled coverage of each colour gives smooth edges.
            counts = {"red": 0, "white": 0, "black": 0}
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    px = x + (sx + 0.5) / SUPERSAMPLE
                    py = y + (sy + 0.5) / SUPERSAMPLE
                    r = math.hypot(px - centre, py - centre)
                    if r > outer:
                        continue
                    if r > inner or (red_middle and r <= middle):
                        counts["red"] += 1
                    elif any(abs(px - centre) <= bar_half_width and abs(py - c) <= bar_half_height
                             for c in bar_centres):
                        counts["black"] += 1
                    else:
                        counts["white"] += 1
            covered = sum(counts.values())
            if covered == 0:
                row.append((0, 0, 0, 0))
                continue
            colour = [0.0, 0.0, 0.0]
            for name, rgb in (("red", RED), ("white", WHITE), ("black", BLACK)):
                for i in range(3):
                    colour[i] += rgb[i] * counts[name] / covered
            alpha = round(255 * covered / SUPERSAMPLE ** 2)
            row.append((round(colour[0]), round(colour[1]), round(colour[2]), alpha))
        rows.append(row)
    return rows


def program_icon_24():
    image = Image.open(os.path.join(ROOT, "res", "movrel.ico"))
    image.size = (24, 24)  # picks the 24 x 24 entry of the icon file
    image = image.convert("RGBA")
    if image.size != (24, 24):
        raise SystemExit("res/movrel.ico has no 24 x 24 image")
    return [[image.getpixel((x, y)) for x in range(24)] for y in range(24)]


def ico_bytes(rows):
    """An .ico file of one 32-bit DIB image with its AND mask."""
    height = len(rows)
    width = len(rows[0])
    xor = bytearray()
    for row in reversed(rows):  # DIB rows run bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:  # fully transparent pixels show the background on old systems too
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def c_array(name, data):
    lines = [f"extern const unsigned char {name}[] = {{"]
    for i in range(0, len(data), 16):
        lines.append("    " + ", ".join(f"0x{b:02X}" for b in data[i:i + 16]) + ",")
    lines.append("};")
    lines.append(f"extern const size_t {name}Size = sizeof {name};")
    return "\n".join(lines)


def main():
    icons = [
        ("tray_idle.ico", "kTrayIconIdle", program_icon_24()),
        ("tray_recording.ico", "kTrayIconRecording", draw_state(bars=0, red_middle=True)),
        ("tray_recording_still.ico", "kTrayIconRecordingStill", draw_state(bars=1, red_middle=False)),
        ("tray_paused.ico", "kTrayIconPaused", draw_state(bars=2, red_middle=False)),
    ]
    arrays = []
    for file_name, symbol, rows in icons:
        data = ico_bytes(rows)
        with open(os.path.join(HERE, file_name), "wb") as f:
            f.write(data)
        arrays.append(c_array(symbol, data))
    source = (
        "// The notification-area icons as .ico file bytes. Generated by\n"
        "// src/app/icons/make_tray_icons.py from the drawings there; do not edit.\n"
        "#include \"app/tray_icon_data.h\"\n\n"
        "namespace movrel {\n\n" + "\n\n".join(arrays) + "\n\n}  // namespace movrel\n")
    with open(os.path.join(ROOT, "src", "app", "tray_icon_data.cpp"), "w", newline="\n") as f:
        f.write(source)


if __name__ == "__main__":
    main()

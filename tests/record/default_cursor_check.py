"""The default cursor file as Pillow and ImageMagick read it.

Pillow decodes the colour picture of a cursor but not its mask, ImageMagick
both; together they check the file without the program's own reader.

Usage: default_cursor_check.py DUMP_PROGRAM WORK_DIR
"""
import os
import re
import subprocess
import sys
import unittest

from PIL import Image

DUMP, WORK = sys.argv[1], sys.argv[2]
del sys.argv[1:]


def magick_pixels(path):
    """{(x, y): (r, g, b, a)} from ImageMagick's text dump."""
    out = subprocess.run(["convert", "CUR:" + path, "txt:-"], capture_output=True, text=True, timeout=60,
                         check=True).stdout
    pixels = {}
    for line in out.splitlines()[1:]:
        m = re.match(r"(\d+),(\d+): \((\d+),(\d+),(\d+),(\d+)\)", line)
        if m:
            x, y, *rgba = map(int, m.groups())
            pixels[(x, y)] = tuple(rgba)
    return pixels


class DefaultCursorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(WORK, exist_ok=True)
        cls.path = os.path.join(WORK, "default.cur")
        subprocess.run([DUMP, cls.path], check=True, timeout=60)
        with open(cls.path, "rb") as f:
            cls.data = f.read()

    def test_file_size_and_hotspot(self):
        self.assertEqual(len(self.data), 766)
        self.assertEqual(int.from_bytes(self.data[2:4], "little"), 2)  # a cursor
        self.assertEqual(int.from_bytes(self.data[10:12], "little"), 2)
        self.assertEqual(int.from_bytes(self.data[12:14], "little"), 4)

    def test_pillow_reads_a_32x32_sixteen_colour_picture(self):
        with Image.open(self.path) as image:
            self.assertEqual(image.format, "CUR")
            self.assertEqual(image.size, (32, 32))
            self.assertEqual(image.mode, "P")
            self.assertLessEqual(len(image.getpalette()) // 3, 16)
            rgb = image.convert("RGB")
        self.assertEqual(rgb.getpixel((2, 4)), (0, 0, 0))
        self.assertEqual(rgb.getpixel((3, 8)), (255, 255, 255))
        self.assertEqual({rgb.getpixel((x, y)) for x in range(32) for y in range(32)},
                         {(0, 0, 0), (255, 255, 255), (128, 128, 128)})

    def test_imagemagick_sees_an_arrow_on_a_clear_background(self):
        pixels = magick_pixels(self.path)
        self.assertEqual(len(pixels), 32 * 32)
        self.assertEqual(pixels[(2, 4)], (0, 0, 0, 255))        # the tip, at the hotspot
        self.assertEqual(pixels[(3, 8)], (255, 255, 255, 255))  # the body
        for corner in [(0, 0), (31, 0), (0, 31), (31, 31), (1, 4), (2, 3)]:
            self.assertEqual(pixels[corner][3], 0, corner)
        opaque = [p for p in pixels.values() if p[3] == 255]
        self.assertTrue(100 < len(opaque) < 250, len(opaque))
        # The arrow keeps to the top-left; nothing is drawn right of or below it.
        self.assertFalse([xy for xy, p in pixels.items() if p[3] and (xy[0] > 16 or xy[1] > 25)])


if __name__ == "__main__":
    unittest.main(verbosity=2)

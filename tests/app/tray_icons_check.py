#!/usr/bin/python3
"""Decodes the notification-area icons with Pillow and ImageMagick, tools of
their own, and checks what each one shows."""
import os
import subprocess
import sys
import unittest

from PIL import Image

ROOT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
ICONS = os.path.join(ROOT, "src", "app", "icons")
FILES = {"tray_idle.ico": 24, "tray_recording.ico": 16, "tray_recording_still.ico": 16, "tray_paused.ico": 16}


def ink(rgba):
    r, g, b, a = rgba
    if a == 0:
        return "clear"
    if a < 250:
        return "edge"
    if r > 180 and g < 80 and b < 80:
        return "red"
    if min(r, g, b) > 230:
        return "white"
    if max(r, g, b) < 40:
        return "black"
    if b > 100 and r < 80:
        return "blue"
    return "other"


def picture(name):
    image = Image.open(os.path.join(ICONS, name))
    image.load()
    return image.convert("RGBA")


class TrayIcons(unittest.TestCase):
    def test_each_file_is_one_image_of_its_size(self):
        for name, size in FILES.items():
            with self.subTest(name):
                out = subprocess.run(["identify", "-format", "%w %h %z\n", os.path.join(ICONS, name)],
                                     capture_output=True, text=True, check=True).stdout.split("\n")
                self.assertEqual([line for line in out if line], [f"{size} {size} 8"])
                image = Image.open(os.path.join(ICONS, name))
                self.assertEqual(image.size, (size, size))
                self.assertEqual(len(image.info.get("sizes", {(size, size)})), 1)

    def test_the_states_show_ring_disc_and_bars(self):
        # (x, y) -> what the pixel shows, at 16 x 16.
        expected = {
            "tray_recording.ico": {(8, 1): "red", (1, 8): "red", (8, 3): "white", (8, 8): "red", (7, 7): "red",
                                   (0, 0): "clear", (15, 15): "clear"},
            "tray_recording_still.ico": {(8, 1): "red", (8, 4): "white", (8, 8): "black", (5, 7): "black",
                                         (10, 8): "black", (8, 11): "white", (0, 15): "clear"},
            "tray_paused.ico": {(8, 14): "red", (8, 5): "black", (5, 6): "black", (8, 9): "black",
                                (10, 10): "black", (8, 8): "white", (8, 3): "white", (15, 0): "clear"},
        }
        for name, probes in expected.items():
            image = picture(name)
            for (x, y), want in probes.items():
                with self.subTest(name=name, x=x, y=y):
                    self.assertEqual(ink(image.getpixel((x, y))), want)
            # A ring is symmetric: left and right, top and bottom mirror.
            for y in range(16):
                for x in range(8):
                    self.assertEqual(ink(image.getpixel((x, y))), ink(image.getpixel((15 - x, y))), (name, x, y))

    def test_idle_icon_is_the_program_icon(self):
        idle = picture("tray_idle.ico")
        program = Image.open(os.path.join(ROOT, "res", "movrel.ico"))
        program.size = (24, 24)
        program = program.convert("RGBA")
        self.assertEqual(list(idle.getdata()), list(program.getdata()))
        self.assertEqual(ink(idle.getpixel((12, 12))), "red")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

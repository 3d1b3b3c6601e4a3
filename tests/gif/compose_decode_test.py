#!/usr/bin/python3
"""GIFs made by gifcompose, decoded by Pillow, ImageMagick and gifsicle.

Every frame's pixels must be the colours the palette conversion chooses. The
expected colours come from a separate implementation of both conversions
written here from the rules, applied to the pictures as Pillow reads them.

usage: compose_decode_test.py PATH/TO/gifcompose
"""

import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

GIFCOMPOSE = None

# --- the two conversions, from the rules -------------------------------------


def key_of(rgb):
    r, g, b = rgb
    return (b >> 4) << 8 | (g >> 4) << 4 | r >> 4


def key_color(key):
    return ((key & 0x00F) << 4, key & 0x0F0, (key >> 4) & 0x0F0)


def popularity(pixels):
    """Expected colour of every pixel under the popularity palette."""
    counts = [0] * 4096
    keys = [key_of(p) for p in pixels]
    for k in keys:
        counts[k] += 1
    entries = [[k, c] for k, c in enumerate(counts) if c]
    n = len(entries)
    # The exchange sort as stated. Past position 255 the order no longer
    # matters, so long lists stop there (small lists run to the end, which
    # checks that shortcut too).
    rounds = n - 1 if n <= 700 else min(n - 1, 256)
    for i in range(rounds):
        for j in range(i + 1, n):
            if entries[j][1] > entries[i][1]:
                entries[i], entries[j] = entries[j], entries[i]
    palette = [key_color(k) for k, _ in entries[:256]]
    palette += [(0, 0, 0)] * (256 - len(palette))
    mapped = {k: palette[i] for i, (k, _) in enumerate(entries[:256])}
    for k, _ in entries[256:]:
        kr, kg, kb = key_color(k)
        best, best_i = 1000000000, 0
        for i, (pr, pg, pb) in enumerate(palette):
            d = (kr - pr) ** 2 + (kg - pg) ** 2 + (kb - pb) ** 2
            if d < best:
                best, best_i = d, i
        mapped[k] = palette[best_i]
    return [mapped[k] for k in keys]


THRESHOLD = [
    [0, 32, 8, 40, 2, 34, 10, 42],
    [48, 16, 56, 24, 50, 18, 58, 26],
    [12, 44, 4, 36, 14, 46, 6, 38],
    [60, 28, 52, 20, 62, 30, 54, 22],
    [3, 35, 11, 43, 1, 33, 9, 41],
    [51, 19, 59, 27, 49, 17, 57, 25],
    [15, 47, 7, 39, 13, 45, 5, 37],
    [63, 31, 55, 23, 61, 29, 53, 21],
]


def cube(pixels, width, height):
    """Expected colour of every pixel under the dithered cube."""
    out = []
    for y in range(height):
        stored_row = height - 1 - y  # rows counted from the bottom
        for x in range(width):
            t = THRESHOLD[stored_row % 8][x % 8]
            levels = []
            for v in pixels[y * width + x]:
                if v <= 64:
                    levels.append(64)
                elif 2 * (v % 32) < t:
                    levels.append(v // 32 * 32)
                else:
                    levels.append(min(v // 32 * 32 + 32, 224))
            out.append(tuple(levels))
    return out


def expected_colors(path, dither):
    with Image.open(path) as picture_file:
        im = picture_file.convert("RGB")
    pixels = list(im.getdata())
    return cube(pixels, im.width, im.height) if dither else popularity(pixels)


# --- pictures -----------------------------------------------------------------


def picture(width, height, fn):
    im = Image.new("RGB", (width, height))
    im.putdata([fn(x, y) for y in range(height) for x in range(width)])
    return im


def screen_like(width, height, seed):
    """Text-like strokes on flat areas, a gradient band and a noisy patch."""
    rnd = random.Random(seed)
    noise = [tuple(rnd.randrange(256) for _ in range(3)) for _ in range(4096)]

    def fn(x, y):
        if y < height // 4:
            return (240, 240, 240) if (x // 3 + y // 5) % 7 else (20, 20, 20)
        if y < height // 2:
            return (x * 255 // width, y * 255 // height, 128)
        if x < width // 2:
            return (30, 90, 200) if (x ^ y) & 16 else (250, 250, 250)
        return noise[(x * 31 + y * 17) % 4096]

    return picture(width, height, fn)


# --- decoders -----------------------------------------------------------------


def pillow_frames(path):
    """(left, top, width, height, pixels) of every frame from Pillow's
    composed canvases."""
    frames = []
    with Image.open(path) as im:
        for i in range(im.n_frames):
            im.seek(i)
            _, (x0, y0, x1, y1), _, _ = im.tile[0] if im.tile else ("", im.dispose_extent, 0, None)
            canvas = im.convert("RGB")
            region = canvas.crop((x0, y0, x1, y1))
            frames.append((x0, y0, x1 - x0, y1 - y0, list(region.getdata())))
    return frames


def magick_frames(path):
    """(left, top, width, height, pixels) of every frame from ImageMagick,
    which keeps each frame at its own size."""
    geometry = subprocess.run(
        ["identify", "-format", "%w %h %X %Y\n", path], check=True, capture_output=True, text=True
    ).stdout.split("\n")
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    frames, pos = [], 0
    for line in geometry:
        if not line.strip():
            continue
        w, h, x, y = line.split()
        w, h = int(w), int(h)
        data = raw[pos : pos + 3 * w * h]
        pos += 3 * w * h
        pixels = [tuple(data[i : i + 3]) for i in range(0, len(data), 3)]
        frames.append((int(x), int(y), w, h, pixels))
    assert pos == len(raw), "ImageMagick gave more pixels than the frames hold"
    return frames


def gifsicle_info(path):
    r = subprocess.run(["gifsicle", "--info", "--extension-info", path], capture_output=True, text=True)
    return r.returncode, r.stdout, r.stderr


# --- the tests ----------------------------------------------------------------


class ComposerCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="movrel_compose_")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def save(self, im, name, **kw):
        p = self.path(name)
        im.save(p, **kw)
        return p

    def compose(self, args, expect_rc=0):
        r = subprocess.run([GIFCOMPOSE] + args, capture_output=True)
        self.assertEqual(r.returncode, expect_rc, r.stderr.decode("utf-8", "replace"))
        return r.stderr.decode("utf-8")

    def check_frames(self, gif, frames):
        """frames: list of (left, top, picture path, dither)."""
        rc, _, err = gifsicle_info(gif)
        self.assertEqual(rc, 0, err)
        self.assertEqual(err, "", "gifsicle warns: " + err)
        for decoder in (pillow_frames, magick_frames):
            decoded = decoder(gif)
            self.assertEqual(len(decoded), len(frames), decoder.__name__)
            for i, ((left, top, picture_path, dither), got) in enumerate(zip(frames, decoded)):
                with Image.open(picture_path) as im:
                    size = im.size
                gx, gy, gw, gh, pixels = got
                where = "%s frame %d" % (decoder.__name__, i)
                self.assertEqual((gw, gh), size, where)
                if len(frames) > 1:
                    self.assertEqual((gx, gy), (left, top), where)
                expected = expected_colors(picture_path, dither)
                if pixels != expected:
                    bad = next(k for k in range(len(pixels)) if pixels[k] != expected[k])
                    self.fail("%s: pixel (%d, %d) is %s, expected %s"
                              % (where, bad % gw, bad // gw, pixels[bad], expected[bad]))


class Palettes(ComposerCase):
    def test_one_colour(self):
        p = self.save(Image.new("RGB", (10, 10), (255, 255, 255)), "white.bmp")
        gif = self.path("white.gif")
        self.compose([gif, p])
        self.check_frames(gif, [(0, 0, p, False)])
        with Image.open(gif) as im:
            self.assertEqual(im.getpalette()[:6], [240, 240, 240, 0, 0, 0])

    def test_exactly_256_keys_are_all_kept(self):
        im = picture(16, 16, lambda x, y: (x * 16 + 5, y * 16 + 9, (x * y) % 4 * 64))
        keys = {key_of(c) for c in im.getdata()}
        self.assertEqual(len(keys), 256)
        p = self.save(im, "k256.bmp")
        gif = self.path("k256.gif")
        self.compose([gif, p])
        self.check_frames(gif, [(0, 0, p, False)])
        with Image.open(gif) as out:
            got = set(out.convert("RGB").getdata())
        self.assertEqual(got, {key_color(k) for k in keys})

    def test_more_than_4096_colours(self):
        rnd = random.Random(7)
        im = picture(160, 120, lambda x, y: (rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)))
        self.assertGreater(len(set(im.getdata())), 4096)
        p = self.save(im, "many.bmp")
        gif = self.path("many.gif")
        self.compose([gif, p])
        self.check_frames(gif, [(0, 0, p, False)])

    def test_odd_widths_and_single_pixel(self):
        frames = []
        for i, (w, h) in enumerate([(1, 1), (3, 5), (17, 9), (33, 2), (2, 33)]):
            im = screen_like(w, h, i)
            frames.append((0, 0, self.save(im, "odd%d.bmp" % i), i % 2 == 1))
        for left, top, p, dither in frames:
            gif = p + ".gif"
            self.compose([gif] + (["--dither"] if dither else []) + [p])
            self.check_frames(gif, [(0, 0, p, dither)])

    def test_cube_on_gradient(self):
        im = picture(61, 37, lambda x, y: (x * 4, y * 7, (x + y) * 2))
        p = self.save(im, "grad.bmp")
        gif = self.path("grad.gif")
        self.compose([gif, "--dither", p, "--delay", "5", "--dither", p])
        self.check_frames(gif, [(0, 0, p, True), (0, 0, p, True)])


class Layout(ComposerCase):
    def test_large_screen_frame(self):
        p = self.save(screen_like(1920, 1080, 3), "big.bmp")
        gif = self.path("big.gif")
        self.compose([gif, p])
        self.check_frames(gif, [(0, 0, p, False)])

    def test_several_frames_with_offsets_and_both_palettes(self):
        a = self.save(screen_like(120, 80, 1), "a.bmp")
        b = self.save(screen_like(37, 21, 2), "b.bmp")
        c = self.save(screen_like(50, 11, 4), "c.bmp")
        gif = self.path("anim.gif")
        self.compose(["--loop", "3", "--comment", "录制 by test", gif,
                      a, "--left", "10", "--top", "7", "--delay", "25", b,
                      "--left", "70", "--top", "69", "--dither", "--frame-comment", "第三帧", c])
        self.check_frames(gif, [(0, 0, a, False), (10, 7, b, False), (70, 69, c, True)])
        rc, info, _ = gifsicle_info(gif)
        self.assertIn("logical screen 120x80", info)
        self.assertIn("loop count 3", info)
        self.assertIn("delay 0.25s", info)
        with open(gif, "rb") as f:
            data = f.read()
        comment = "录制 by test".encode("gbk")
        self.assertTrue(data.endswith(b"\x21\xfe" + bytes([len(comment)]) + comment + b"\x00\x3b"))
        self.assertIn(b"\x21\xfe\x06" + "第三帧".encode("gbk") + b"\x00\x2c", data)

    def test_no_loop_interlace_and_given_screen(self):
        a = self.save(screen_like(40, 13, 5), "a.bmp")
        gif = self.path("il.gif")
        self.compose(["--no-loop", "--interlace", "--width", "64", "--height", "30", gif,
                      "--disposal", "2", "--transparent", a, a])
        rc, info, err = gifsicle_info(gif)
        self.assertEqual(err, "")
        self.assertNotIn("loop", info)
        self.assertIn("logical screen 64x30", info)
        self.assertIn("interlaced", info)
        self.assertIn("disposal background", info)
        self.assertIn("transparent 0", info)
        # Interlaced rows come back in place in both decoders. The first frame
        # lets index 0 through, so the opaque second one is compared.
        for decoder in (pillow_frames, magick_frames):
            frames = decoder(gif)
            self.assertEqual(frames[1][4], expected_colors(a, False), decoder.__name__)

    def test_pillow_written_bmp_kinds(self):
        base = screen_like(45, 17, 9)
        kinds = {
            "1bit.bmp": base.convert("1"),
            "grey.bmp": base.convert("L"),
            "pal.bmp": base.convert("P", palette=Image.ADAPTIVE, colors=200),
            "rgb.bmp": base,
            "rgba.bmp": base.convert("RGBA"),
        }
        for name, im in kinds.items():
            p = self.save(im, name)
            gif = p + ".gif"
            self.compose([gif, p])
            self.check_frames(gif, [(0, 0, p, False)])


class Compact(ComposerCase):
    """--optimize writes through the program's own save path."""

    def frames_of(self, gif):
        with Image.open(gif) as im:
            shown = []
            for i in range(im.n_frames):
                im.seek(i)
                shown.append(list(im.convert("RGB").getdata()))
            return shown

    def test_a_screen_larger_than_the_first_picture_is_black_around_it(self):
        red = self.save(Image.new("RGB", (10, 10), (255, 0, 0)), "red.bmp")
        gif = self.path("framed.gif")
        self.compose(["--optimize", "--width", "20", "--height", "20", gif, red])
        (pixels,) = self.frames_of(gif)
        self.assertEqual(pixels.count((255, 0, 0)), 100)
        self.assertEqual(pixels.count((0, 0, 0)), 300)

    def test_lossy_levels_and_a_size_limit(self):
        # A band of close colours moving over a flat page: exact without
        # loss, within the level's error with it.
        paths, pictures = [], []
        for f in range(6):
            def band(x, y, f=f):
                v = (x * 3 + y * 5 + f * 9) % 120
                return (60 + v, 90 + v // 2, 200 - v) if 10 <= y < 38 else (250, 250, 250)
            im = picture(96, 48, band)
            paths.append(self.save(im, "f%d.bmp" % f))
            pictures.append(list(im.getdata()))
        args = [a for p in paths for a in ("--delay", "10", p)]
        sizes = {}
        for level in (0, 40, 90):
            gif = self.path("lossy%d.gif" % level)
            self.compose(["--optimize", "--lossy", str(level), gif] + args)
            sizes[level] = os.path.getsize(gif)
            for i, (got, want) in enumerate(zip(self.frames_of(gif), pictures)):
                worst = max(sum((a - b) ** 2 for a, b in zip(g, w)) for g, w in zip(got, want))
                self.assertLessEqual(worst, (level // 2) ** 2, "level %d frame %d" % (level, i))
        self.assertLess(sizes[90], sizes[40])
        self.assertLess(sizes[40], sizes[0])

        limit = sizes[0] * 7 // 10
        gif = self.path("limit.gif")
        r = subprocess.run([GIFCOMPOSE, "--optimize", "--max-size", str(limit), gif] + args, capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertLessEqual(os.path.getsize(gif), limit)
        self.assertIn("lossy", r.stdout)
        self.assertEqual(len(self.frames_of(gif)), 6)

        gif = self.path("none.gif")
        r = subprocess.run([GIFCOMPOSE, "--optimize", "--max-size", "30", gif] + args, capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("nothing fits", r.stdout)
        self.assertFalse(os.path.exists(gif))
        self.compose(["--lossy", "20", gif] + args, expect_rc=2)


class BadInput(ComposerCase):
    def bmp_bytes(self, w=4, h=3):
        p = self.save(Image.new("RGB", (w, h), (1, 2, 3)), "ok.bmp")
        with open(p, "rb") as f:
            return f.read()

    def write(self, name, data):
        p = self.path(name)
        with open(p, "wb") as f:
            f.write(data)
        return p

    def expect_failure(self, args, text):
        err = self.compose(args, expect_rc=1)
        self.assertIn(text, err)

    def test_unreadable_pictures(self):
        # Each text is checked in the unit tests; here the composer reports
        # it and makes no file.
        good = self.bmp_bytes()
        huge = bytearray(good)
        huge[18:26] = struct.pack("<ii", 100000, 100000)
        missing = self.path("does-not-exist.bmp")
        cases = {
            "missing": (missing, "无法打开文件：" + missing),
            "truncated": (self.write("cut.bmp", good[:-5]), "读入图片文件失败"),
            "100000 x 100000": (self.write("huge.bmp", bytes(huge)), "读入图片文件失败"),
        }
        ok = self.path("ok.bmp")
        for name, (picture_path, text) in cases.items():
            with self.subTest(name):
                out = self.path(name + ".gif")
                self.expect_failure([out, ok, picture_path], text)
                self.assertFalse(os.path.exists(out), "no file is made when a picture fails")

    def test_unwritable_output(self):
        self.bmp_bytes()
        ok = self.path("ok.bmp")
        missing = os.path.join(self.dir, "no such folder", "x.gif")
        self.expect_failure([missing, ok], "无法创建文件：" + missing)
        if os.geteuid() != 0:
            locked = self.path("locked")
            os.mkdir(locked, 0o500)
            self.expect_failure([os.path.join(locked, "x.gif"), ok], "无法创建文件：")

    def test_bad_command_lines(self):
        for args in ([], ["o.gif", "p.bmp", "--delay", "3"], ["--width", "70000", "o.gif", "p.bmp"]):
            with self.subTest(args=args):
                self.assertIn("usage:", self.compose(args, expect_rc=2))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    GIFCOMPOSE = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)

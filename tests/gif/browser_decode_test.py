#!/usr/bin/python3
"""GIFs made by gifcompose, decoded by a real browser.

Headless Chromium decodes every frame with WebCodecs' ImageDecoder (driven by
puppeteer-core, through browser_decode.mjs); each composited frame must equal
Pillow's, pixel for pixel and fully opaque, and each frame must last its
stored delay. The files cover both layouts: classic plain and interlaced, and
compact ones with quantised colours, loss, dithering, small transparent
patches and a full-screen frame whose full LZW table is kept.

puppeteer-core is installed into build/browser-tools when it is missing;
the browser is Debian's chromium (scripts/deps.sh).

usage: browser_decode_test.py PATH/TO/gifcompose [unittest args]
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
from compose_decode_test import screen_like  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
PUPPETEER = "puppeteer-core@24.43.1"  # supports Node.js 18 and later
TOOLS = os.path.join(ROOT, "build", "browser-tools")
KEPT = os.path.join(ROOT, "build", "browser-decode")
GIFCOMPOSE = None


def install_puppeteer():
    name, version = PUPPETEER.rsplit("@", 1)
    manifest = os.path.join(TOOLS, "node_modules", name, "package.json")
    if os.path.exists(manifest):
        with open(manifest) as f:
            if json.load(f).get("version") == version:
                return
    # puppeteer-core fetches no browser of its own; the variable makes sure.
    env = dict(os.environ, PUPPETEER_SKIP_DOWNLOAD="1")
    subprocess.run(["npm", "install", "--prefix", TOOLS, "--no-audit", "--no-fund", "--save-exact", PUPPETEER],
                   check=True, env=env, stdout=subprocess.DEVNULL, timeout=300)


# --- pictures -----------------------------------------------------------------


def window_screen(width, height, lines, caret=None):
    """A desktop with one flat window: a title bar and lines of dark text on
    white, optionally a caret block."""
    im = Image.new("RGB", (width, height), (58, 110, 165))
    draw = ImageDraw.Draw(im)
    draw.rectangle((40, 30, width - 41, height - 61), fill=(255, 255, 255), outline=(160, 160, 160))
    draw.rectangle((41, 31, width - 42, 56), fill=(0, 84, 166))
    draw.text((50, 38), "Movrel - notes.txt", fill=(255, 255, 255))
    for i in range(lines):
        words = " ".join("word%d" % ((i * 7 + k * 3) % 23) for k in range(4 + i % 9))
        draw.text((52, 70 + 14 * i), "%3d  %s" % (i + 1, words), fill=(30, 30, 30))
    draw.rectangle((0, height - 40, width - 1, height - 1), fill=(32, 32, 40))
    if caret:
        x, y = caret
        draw.rectangle((x, y, x + 7, y + 12), fill=(0, 0, 0))
    return im


def edited(base, boxes):
    """base with each (x0, y0, x1, y1, colour) box painted over it."""
    im = base.copy()
    draw = ImageDraw.Draw(im)
    for x0, y0, x1, y1, colour in boxes:
        draw.rectangle((x0, y0, x1, y1), fill=colour)
    return im


# --- the file's structure -----------------------------------------------------


def images_of(path):
    """(left, top, width, height, transparent, pixels, strings_when_full) of
    every image. The LZW codes are walked as a decoder would: pixels counts
    what they expand to, strings_when_full the string lengths coded while
    the table was full and not cleared."""
    with open(path, "rb") as f:
        data = f.read()
    pos = 13
    if data[10] & 0x80:
        pos += 3 << ((data[10] & 7) + 1)
    images, transparent = [], False
    while data[pos] != 0x3B:
        if data[pos] == 0x21:
            if data[pos + 1] == 0xF9:
                transparent = bool(data[pos + 3] & 1)
            pos += 2
            while data[pos]:
                pos += data[pos] + 1
            pos += 1
            continue
        left, top, w, h = (int.from_bytes(data[pos + k : pos + k + 2], "little") for k in (1, 3, 5, 7))
        flags = data[pos + 9]
        pos += 10
        if flags & 0x80:
            pos += 3 << ((flags & 7) + 1)
        min_size = data[pos]
        pos += 1
        stream = bytearray()
        while data[pos]:
            stream += data[pos + 1 : pos + 1 + data[pos]]
            pos += data[pos] + 1
        pos += 1
        pixels, when_full = walk_lzw(min_size, bytes(stream))
        images.append((left, top, w, h, transparent, pixels, when_full))
        transparent = False
    return images


def walk_lzw(min_size, stream):
    clear = 1 << min_size
    bits = int.from_bytes(stream, "little")
    total_bits = 8 * len(stream)
    lengths = [1] * (clear + 2)
    size, prev, at, pixels, when_full = min_size + 1, None, 0, 0, []
    while at + size <= total_bits:
        code = (bits >> at) & ((1 << size) - 1)
        at += size
        if code == clear:
            del lengths[clear + 2 :]
            size, prev = min_size + 1, None
            continue
        if code == clear + 1:
            break
        if prev is not None and len(lengths) < 4096:
            lengths.append(lengths[prev] + 1)
            if len(lengths) == 1 << size and size < 12:
                size += 1
        elif prev is not None:
            when_full.append(lengths[code])
        pixels += lengths[code]
        prev = code
    return pixels, when_full


# --- decoders -----------------------------------------------------------------


def pillow_frames(path):
    """(duration in ms, RGB bytes of the composited screen) of every frame."""
    frames = []
    with Image.open(path) as im:
        for i in range(im.n_frames):
            im.seek(i)
            frames.append((im.info.get("duration"), im.convert("RGB").tobytes()))
    return frames


def browser_frames(gifs, out_dir):
    """For every GIF: (width, height, [(duration in µs, RGBA bytes)])."""
    command = ["node", os.path.join(HERE, "browser_decode.mjs"), TOOLS, CHROMIUM, out_dir] + gifs
    r = subprocess.run(command, capture_output=True, text=True, timeout=300)
    if r.returncode != 0:
        raise AssertionError("the browser decode failed:\n" + r.stderr)
    decoded = []
    for n in range(len(gifs)):
        with open(os.path.join(out_dir, "%d.json" % n)) as f:
            info = json.load(f)
        frames = []
        for frame in info["frames"]:
            with open(os.path.join(out_dir, frame["file"]), "rb") as f:
                frames.append((frame["durationUs"], f.read()))
        decoded.append((info["width"], info["height"], frames))
    return decoded


# --- the tests ----------------------------------------------------------------


class BrowserDecode(unittest.TestCase):
    # name: (gifcompose options, [(delay in cs, extra frame options, picture)])
    files = {}

    @classmethod
    def setUpClass(cls):
        install_puppeteer()
        cls.dir = tempfile.mkdtemp(prefix="movrel_browser_")
        shutil.rmtree(KEPT, ignore_errors=True)

        def save(im, name):
            p = os.path.join(cls.dir, name)
            im.save(p)
            return p

        def frames(pictures, delays, extra=None):
            return [(d, (extra or {}).get(i, []), p) for i, (d, p) in enumerate(zip(delays, pictures))]

        # Classic: a full frame, a smaller one at an offset, a dithered one.
        a = save(screen_like(160, 100, 1), "a.bmp")
        b = save(screen_like(60, 40, 2), "b.bmp")
        c = save(screen_like(160, 100, 3), "c.bmp")
        classic = frames([a, b, c], [20, 5, 9], {1: ["--left", "30", "--top", "20"], 2: ["--dither"]})
        cls.files["classic"] = ([], classic)
        cls.files["classic_interlaced"] = (["--interlace"], classic)

        # Compact on a screen-like picture (far more than 256 colours in its
        # gradient and noise, so the frames are quantised): text typed into
        # the flat part, the gradient band redrawn, a window moved over all.
        base = screen_like(320, 200, 5)
        screens = [
            base,
            edited(base, [(10, 10, 60, 20, (20, 20, 20))]),
            edited(base, [(10, 10, 60, 20, (20, 20, 20)), (0, 50, 319, 99, (200, 120, 40))]),
            edited(base, [(10, 10, 60, 20, (20, 20, 20)), (120, 60, 300, 190, (236, 233, 216))]),
        ]
        screen_paths = [save(im, "s%d.bmp" % i) for i, im in enumerate(screens)]
        compact = frames(screen_paths, [2, 7, 13, 50])
        cls.files["compact"] = (["--optimize"], compact)
        cls.files["compact_lossy"] = (["--optimize", "--lossy", "60"], compact)
        cls.files["compact_dither"] = (["--optimize", "--dither"], compact)

        # A full-HD flat window of text, then a line typed: long runs of one
        # colour fill the LZW table, which the encoder keeps.
        large = [window_screen(1920, 1080, 60), window_screen(1920, 1080, 61)]
        cls.files["compact_large"] = (["--optimize"], frames([save(im, "w%d.bmp" % i) for i, im in enumerate(large)],
                                                             [30, 40]))

        # A caret walking along a line: after the first frame only small
        # rectangles change, stored with the rest transparent.
        small = window_screen(400, 240, 8)
        patches = [small] + [window_screen(400, 240, 8, caret=(60 + 40 * i, 180)) for i in range(5)]
        cls.files["compact_patches"] = (["--optimize"], frames([save(im, "p%d.bmp" % i) for i, im in enumerate(patches)],
                                                               [3, 2, 4, 2, 5, 100]))

        cls.gifs = {}
        for name, (options, shots) in cls.files.items():
            gif = os.path.join(cls.dir, name + ".gif")
            args = [GIFCOMPOSE] + options + [gif]
            for delay, extra, picture_path in shots:
                args += ["--delay", str(delay)] + extra + [picture_path]
            r = subprocess.run(args, capture_output=True, timeout=120)
            if r.returncode != 0:
                raise AssertionError("gifcompose %s failed: %s" % (name, r.stderr.decode("utf-8", "replace")))
            cls.gifs[name] = gif
        names = list(cls.gifs)
        decoded = browser_frames([cls.gifs[n] for n in names], cls.dir)
        cls.browser = dict(zip(names, decoded))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def keep(self, name):
        """Keeps a file the decoders disagree on under build/ and names it."""
        os.makedirs(KEPT, exist_ok=True)
        kept = os.path.join(KEPT, name + ".gif")
        shutil.copy(self.gifs[name], kept)
        return kept

    def check_same_as_pillow(self, name, exact=False):
        """exact: the pictures have few colours and fill the screen, so the
        frames must show them unchanged too."""
        gif = self.gifs[name]
        shots = self.files[name][1]
        width, height, shown = self.browser[name]
        expected = pillow_frames(gif)
        with Image.open(gif) as im:
            self.assertEqual((width, height), im.size, name)
        self.assertEqual(len(expected), len(shots), name)
        if len(shown) != len(expected):
            self.fail("%s: %d frames in the browser, %d in Pillow (kept %s)"
                      % (name, len(shown), len(expected), self.keep(name)))
        for i, ((duration_us, rgba), (duration_ms, rgb), (delay, _, picture_path)) in enumerate(
                zip(shown, expected, shots)):
            where = "%s frame %d" % (name, i)
            if exact:
                with Image.open(picture_path) as im:
                    self.assertEqual(rgb, im.convert("RGB").tobytes(), where + ": Pillow against the picture")
            # ImageDecoder answers the stored delay unclamped; the files hold
            # none of 0 or 1 cs, which players stretch.
            self.assertEqual(duration_ms, delay * 10, where + ": Pillow's duration")
            if duration_us != delay * 10000:
                self.fail("%s: the browser's duration is %s µs, the delay %d cs (kept %s)"
                          % (where, duration_us, delay, self.keep(name)))
            pixels = width * height
            self.assertEqual(len(rgba), 4 * pixels, where)
            if rgba[3::4] != b"\xff" * pixels:
                bad = next(k for k, a in enumerate(rgba[3::4]) if a != 255)
                self.fail("%s: pixel (%d, %d) has alpha %d in the browser (kept %s)"
                          % (where, bad % width, bad // width, rgba[4 * bad + 3], self.keep(name)))
            got = bytearray(3 * pixels)
            for k in range(3):
                got[k::3] = rgba[k::4]
            if got != rgb:
                bad = next(k for k in range(0, 3 * pixels, 3) if got[k : k + 3] != rgb[k : k + 3]) // 3
                self.fail("%s: pixel (%d, %d) is %s in the browser, %s in Pillow (kept %s)"
                          % (where, bad % width, bad // width, tuple(got[3 * bad : 3 * bad + 3]),
                             tuple(rgb[3 * bad : 3 * bad + 3]), self.keep(name)))

    def test_classic(self):
        self.check_same_as_pillow("classic")

    def test_classic_interlaced(self):
        self.check_same_as_pillow("classic_interlaced")

    def test_compact_quantised(self):
        self.check_same_as_pillow("compact")

    def test_compact_lossy(self):
        self.check_same_as_pillow("compact_lossy")

    def test_compact_dithered(self):
        self.check_same_as_pillow("compact_dither")

    def test_compact_large_frame_keeps_a_full_table(self):
        images = images_of(self.gifs["compact_large"])
        left, top, w, h, _, pixels, when_full = images[0]
        self.assertEqual(pixels, w * h, "the LZW walk reads the whole first image")
        # The file must take the path under test: many strings coded from a
        # full table, long ones as flat areas give.
        self.assertGreater(len(when_full), 1000)
        self.assertGreaterEqual(sum(when_full) / len(when_full), 64)
        self.check_same_as_pillow("compact_large", exact=True)

    def test_compact_small_transparent_patches(self):
        images = images_of(self.gifs["compact_patches"])
        self.assertEqual(len(images), 6)
        for i, (left, top, w, h, transparent, pixels, _) in enumerate(images[1:], 1):
            self.assertLess(w * h, 400 * 240 // 10, "frame %d stores only what changed" % i)
            self.assertEqual(pixels, w * h)
            # Once the caret moves, the text between its old and new place
            # stays as shown.
            self.assertEqual(transparent, i > 1, "frame %d" % i)
        self.check_same_as_pillow("compact_patches", exact=True)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    GIFCOMPOSE = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)

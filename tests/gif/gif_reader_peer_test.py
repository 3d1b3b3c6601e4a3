#!/usr/bin/python3
"""The GIF reader against other programs, through gifinspect.

PeerFiles: GIFs written by ImageMagick, gifsicle, Pillow and ffmpeg (kept in
tests/gif/data, plus fresh ones made with the installed tools) are indexed as
gifsicle describes them, and every frame gifinspect extracts as BMP equals
Pillow's decoding of that frame's own image data.

InspectCommandLine: gifinspect's output, edits and failures; the edited files
are checked with gifsicle.

  gif_reader_peer_test.py --gifinspect PATH [--runner wine] [unittest args]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")
CONVERT = "/usr/bin/convert"
OPTIONS = None
DISPOSALS = {"none": 0, "asis": 1, "background": 2, "previous": 3}


def tool_path(path):
    """A path as the tool sees it (Wine reaches the Linux root as Z:)."""
    if os.path.basename(OPTIONS.runner).startswith("wine"):
        return "Z:" + os.path.abspath(path).replace("/", "\\")
    return path


def inspect(*args):
    command = ([OPTIONS.runner] if OPTIONS.runner else []) + [OPTIONS.gifinspect]
    command += [tool_path(a) if os.path.sep in a else a for a in args]
    result = subprocess.run(command, capture_output=True, timeout=120)
    return result.returncode, result.stdout.decode("gbk"), result.stderr.decode("gbk")


def inspect_fields(path):
    code, out, err = inspect(path)
    if code != 0:
        raise AssertionError(f"gifinspect {path} failed ({code}): {err}")
    return dict(line.split("=", 1) for line in out.splitlines())


def found(pattern, text, default=None, convert=int):
    m = re.search(pattern, text)
    return tuple(map(convert, m.groups())) if m and len(m.groups()) > 1 else convert(m.group(1)) if m else default


def gifsicle_info(path):
    """Screen, looping and per-image facts as gifsicle reports them."""
    text = subprocess.run(["gifsicle", "--info", path], capture_output=True, text=True, check=True).stdout
    info = {"screen": found(r"logical screen (\d+)x(\d+)", text), "global": found(r"global color table \[(\d+)\]", text, 0),
            "loop": 0 if "loop forever" in text else found(r"loop count (\d+)", text), "images": []}
    for block in re.split(r"\n  \+ image #\d+ ", text)[1:]:
        head = block.splitlines()[0]
        info["images"].append({
            "size": found(r"^(\d+)x(\d+)", head), "at": found(r" at (\d+),(\d+)", head, (0, 0)),
            "transparent": found(r"transparent (\d+)", head), "local": found(r"local color table \[(\d+)\]", block, 0),
            "disposal": found(r"disposal (\w+)", block, 0, DISPOSALS.get),
            "delay": found(r"delay (\d+(?:\.\d+)?)s", block, 0, lambda t: round(float(t) * 100))})
    return info


def own_images(data):
    """Each image of a GIF as a one-image GIF of its own size: the screen
    descriptor's table, the image at offset 0 with its local table and data."""
    table = lambda packed: 3 << ((packed & 7) + 1) if packed & 0x80 else 0
    screen_end = 13 + table(data[10])
    pos, images = screen_end, []

    def skip(p):
        while data[p]:
            p += data[p] + 1
        return p + 1

    while data[pos] != 0x3B:
        if data[pos] == 0x21:
            pos = skip(pos + 2)
            continue
        assert data[pos] == 0x2C, f"unexpected block {data[pos]:#x} at {pos}"
        end = skip(pos + 11 + table(data[pos + 9]))
        images.append(b"GIF89a" + data[pos + 5:pos + 9] + data[10:screen_end] + b"\x2C\0\0\0\0" + data[pos + 5:end] + b";")
        pos = end
    return images


def pixels(image):
    return list(image.convert("RGB").getdata())


def make_fresh_peer_files(folder):
    """Files made now by the installed ImageMagick, gifsicle and Pillow."""
    def out(name):
        return os.path.join(folder, name)

    subprocess.run([CONVERT, "-size", "61x47", "-seed", "3", "plasma:fractal", out("a.png")], check=True)
    subprocess.run([CONVERT, "-size", "61x47", "gradient:red-blue", "-fill", "yellow", "-draw", "rectangle 9,9 30,20",
                    out("b.png")], check=True)
    subprocess.run([CONVERT, "-delay", "5", out("a.png"), out("b.png"), "-loop", "0", "-layers", "OptimizeTransparency",
                    out("im_layers.gif")], check=True)
    subprocess.run([CONVERT, out("a.png"), out("b.png"), "-interlace", "GIF", "-colors", "7", out("im_interlaced7.gif")],
                   check=True)
    subprocess.run(["gifsicle", "-O2", "-i", "--colors", "4", out("im_layers.gif"), "-o", out("gs_four.gif")], check=True)
    subprocess.run(["gifsicle", "--delay", "33", "--disposal", "previous", "--loopcount=9", out("im_layers.gif"),
                    "-o", out("gs_previous.gif")], check=True)
    a, b = Image.open(out("a.png")), Image.open(out("b.png"))
    for colours in (2, 4, 16, 64, 256):
        frames = [im.convert("P", palette=Image.ADAPTIVE, colors=colours) for im in (a, b)]
        frames[0].save(out(f"pil_{colours}.gif"), save_all=True, append_images=frames[1:], duration=[30, 70],
                       loop=0, interlace=colours % 2 == 0, optimize=False)
    a.convert("L").save(out("pil_grey_87a.gif"))


class PeerFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="gif-reader-peer-")
        make_fresh_peer_files(cls.work)
        cls.files = sorted(os.path.join(DATA, f) for f in os.listdir(DATA) if f.endswith(".gif"))
        cls.files += sorted(os.path.join(cls.work, f) for f in os.listdir(cls.work) if f.endswith(".gif"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def test_every_peer_kind_is_present(self):
        names = " ".join(os.path.basename(f) for f in self.files)
        for kind in ("im_", "gifsicle_", "gs_", "ffmpeg_", "pillow_", "pil_", "maker_", "87a", "interlaced"):
            self.assertIn(kind, names)

    def test_indexing_matches_gifsicle(self):
        for path in self.files:
            with self.subTest(os.path.basename(path)):
                fields = inspect_fields(path)
                expected = gifsicle_info(path)
                self.assertEqual(int(fields["FrameCount"]), len(expected["images"]))
                self.assertEqual((int(fields["Width"]), int(fields["Depth"])), expected["screen"])
                self.assertEqual(fields["LOOP"], "true" if expected["loop"] is not None else "false")
                if expected["loop"] is not None:
                    self.assertEqual(int(fields["LoopCount"]), expected["loop"])
                self.assertEqual(int(fields["ColorNum"]), expected["global"])
                for k, image in enumerate(expected["images"], 1):
                    frame = lambda name: fields[f"frame {k}.{name}"]
                    self.assertEqual((int(frame("Width")), int(frame("Depth"))), image["size"], k)
                    self.assertEqual((int(frame("Left")), int(frame("Top"))), image["at"], k)
                    self.assertEqual(int(frame("DelayTime")), image["delay"], k)
                    self.assertEqual(int(frame("DisposalMethod")), image["disposal"], k)
                    self.assertEqual(frame("Transparency"), "true" if image["transparent"] is not None else "false", k)
                    if image["transparent"] is not None:
                        self.assertEqual(int(frame("TransparencyIndex")), image["transparent"], k)
                    self.assertEqual(int(frame("ColorNum")), image["local"], k)

    def test_frames_decode_as_pillow_decodes_them(self):
        for path in self.files:
            with open(path, "rb") as f:
                data = f.read()
            for k, single in enumerate(own_images(data), 1):
                with self.subTest(f"{os.path.basename(path)} frame {k}"):
                    single_path = os.path.join(self.work, "single.gif")
                    bmp_path = os.path.join(self.work, "frame.bmp")
                    with open(single_path, "wb") as f:
                        f.write(single)
                    code, _, err = inspect(path, "--extract", str(k), bmp_path)
                    self.assertEqual(code, 0, err)
                    with Image.open(single_path) as reference, Image.open(bmp_path) as bmp:
                        self.assertEqual(bmp.size, reference.size)
                        self.assertEqual(pixels(bmp), pixels(reference))
                        if bmp.mode == "P":
                            # Same indices, not just the same colours.
                            self.assertEqual(list(bmp.getdata()), list(reference.getdata()))


class InspectCommandLine(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="gifinspect-")
        self.source = os.path.join(DATA, "maker_anim.gif")
        with open(self.source, "rb") as f:
            self.original = f.read()

    def tearDown(self):
        shutil.rmtree(self.work)

    def test_prints_and_extracts(self):
        lines = inspect(self.source)[1].splitlines()
        self.assertEqual(lines[:9], ["Width=40", "Depth=30", "LOOP=true", "LoopCount=5", "BgColorIndex=0",
                                     "exposition=maker comment", "FrameCount=3", "ColorNum=256", "Interlace=false"])
        self.assertEqual(lines[9 + 11:9 + 22:4], ["frame 2.DelayTime=20", "frame 2.Transparency=true",
                                                 "frame 2.exposition=second"])
        self.assertEqual(len(lines), 9 + 3 * 11)
        copy = os.path.join(self.work, "copy.gif")
        self.assertEqual(inspect(self.source, "--extract", "0", copy)[0], 0)
        with open(copy, "rb") as f:
            self.assertEqual(f.read(), self.original)

    def test_edits_change_only_their_bytes(self):
        # 運 and 閉 have a backslash and a bracket as trail bytes.
        out = os.path.join(self.work, "運閉 edited.gif")
        code, _, err = inspect(self.source, "--set-delay", "1", "300", "--set-offset", "3", "7", "9",
                               "--set-palette", "0", "5", "ABCDEF", "--save", out)
        self.assertEqual(code, 0, err)
        with open(out, "rb") as f:
            edited = f.read()
        changed = [i for i in range(len(edited)) if edited[i] != self.original[i]]
        self.assertEqual(len(edited), len(self.original))
        self.assertLessEqual(len(changed), 2 + 4 + 3)
        self.assertEqual(edited[13 + 15:13 + 18], bytes.fromhex("ABCDEF"))
        info = gifsicle_info(out)
        self.assertEqual([image["delay"] for image in info["images"]], [300, 20, 30])
        self.assertEqual(info["images"][2]["at"], (7, 9))

    def test_failures_print_the_reader_text(self):
        not_gif, scratch = os.path.join(self.work, "not.gif"), os.path.join(self.work, "x.gif")
        with open(not_gif, "wb") as f:
            f.write(b"PNG-ish " * 8)
        cases = [
            ((not_gif,), 1, "不是GIF图片数据"),
            ((self.source, "--extract", "4", scratch), 1, "帧序号超出范围"),
            ((os.path.join(DATA, "maker_single.gif"), "--set-palette", "1", "0", "FFFFFF", "--save", scratch), 1,
             "没有局部调色板"),
            ((os.path.join(self.work, "missing.gif"),), 1, "missing.gif"),
            ((self.source, "--set-delay", "1", "x", "--save", scratch), 2, "usage"),
            ((self.source, "--set-delay", "1", "5"), 2, "--save"),
        ]
        for args, status, text in cases:
            with self.subTest(args):
                code, _, err = inspect(*args)
                self.assertEqual(code, status, err)
                self.assertIn(text, err)
        self.assertFalse(os.path.exists(scratch))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--gifinspect", required=True)
    parser.add_argument("--runner", default="")
    OPTIONS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)

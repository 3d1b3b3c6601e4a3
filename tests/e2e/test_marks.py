"""Clicks and keys drawn into recordings, through the real Movrel.exe.

xdotool clicks the recorded test window and types into it while a recording
runs; the saved GIF is decoded with Pillow, the rings are found by their
colours, and the key captions are read back with Tesseract's OCR."""
import os
import re
import shutil
import subprocess
import tempfile

from PIL import Image

from movrel_e2e import MovrelTestCase, settings_file, wait_more_frames, wait_until, xdotool

# Left, top, width, height: tall enough for a caption that OCR reads, and
# clear of the main window.
RECT = (720, 400, 420, 420)
AROUND = (RECT[0] - 10, RECT[1] - 10, RECT[2] + 20, RECT[3] + 20)
FIELD = (20, 40, 90)
LEFT_RING = (0xFF, 0xD2, 0x00)
RIGHT_RING = (0x1E, 0x90, 0xFF)
LEFT_AT = (80, 120)    # in the frame, clear of the test window's block
RIGHT_AT = (230, 70)


def settings(**extra):
    values = {
        "选择框录制区域": "真", "矩形.左边": RECT[0], "矩形.顶边": RECT[1], "矩形.右边": RECT[2],
        "矩形.底边": RECT[3], "选择框显示鼠标": "假", "帧间隔": 100, "间隔单位": 0,
        "选择框录制倒计时": "假", "选择框缩到托盘": "假",
        "选择框显示鼠标点击": "真", "选择框显示按键": "真",
    }
    values.update(extra)
    return settings_file(values)


def frames_of(path):
    """The GIF's frames as the viewer shows them, and when each begins (ms):
    frames equal to the one before are merged into its delay."""
    frames, starts, at = [], [], 0
    with Image.open(path) as gif:
        for n in range(gif.n_frames):
            gif.seek(n)
            frames.append(gif.convert("RGB"))
            starts.append(at)
            at += gif.info.get("duration", 0)
    return frames, starts


def centre_of(frame, colour):
    """The centre of the pixels of exactly `colour`, or None."""
    points = [(i % frame.width, i // frame.width) for i, c in enumerate(frame.getdata()) if c == colour]
    if not points:
        return None
    return (sum(x for x, _ in points) / len(points), sum(y for _, y in points) / len(points))


def caption_box(frame):
    """The box of the key caption: what differs from the field in the lower
    half of the frame (the rings are placed in the upper half)."""
    lower = frame.crop((0, frame.height // 2, frame.width, frame.height))
    mask = Image.new("L", lower.size)
    mask.putdata([0 if c == FIELD else 255 for c in lower.getdata()])
    box = mask.getbbox()
    return None if box is None else (box[0], box[1] + frame.height // 2, box[2], box[3] + frame.height // 2)


def read_text(image):
    """The caption's text as Tesseract reads it: white on dark, enlarged."""
    grey = image.convert("L").resize((image.width * 3, image.height * 3), Image.LANCZOS)
    big = grey.point(lambda v: 0 if v > 140 else 255)  # black text on white
    folder = tempfile.mkdtemp(prefix="movrel-ocr-")
    try:
        path = os.path.join(folder, "caption.png")
        big.save(path)
        out = subprocess.run(["tesseract", path, "stdout", "--psm", "7"], capture_output=True, text=True,
                             timeout=60, check=True).stdout
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return "".join(out.split())


class MarksTest(MovrelTestCase):
    def screen_point(self, frame_point):
        return RECT[0] + frame_point[0], RECT[1] + frame_point[1]

    def click_at(self, frame_point, button):
        xdotool("mousemove", "--sync", *self.screen_point(frame_point))
        xdotool("click", str(button))

    def record(self, app, during):
        app.click("链接开始录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="the recording")
        during()
        app.click("链接停止录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "开始录制(F9)", what="the recording's end")
        out = tempfile.mkdtemp(prefix="movrel-marks-")
        self.addCleanup(shutil.rmtree, out, True)
        frames, self.starts = frames_of(app.save_gif(os.path.join(out, "点击.gif")))
        return frames

    def focus_target(self):
        ids = subprocess.run(["xdotool", "search", "--name", "MovrelRecordTarget"], capture_output=True, text=True,
                             timeout=30).stdout.split()
        xdotool("windowfocus", "--sync", ids[-1])

    def test_clicks_and_keys_show_in_the_frames_after_them(self):
        self.start_record_target(*AROUND, period_ms=0)
        app = self.launch(settings())

        def act():
            wait_more_frames(app, 3)  # frames before any click
            self.click_at(LEFT_AT, 1)
            wait_more_frames(app, 5)
            self.click_at(RIGHT_AT, 3)
            wait_more_frames(app, 5)
            self.focus_target()
            # Each caption on its own: more than its 1.5 s between them.
            xdotool("type", "--delay", "20", "abc")
            wait_more_frames(app, 20)
            xdotool("key", "ctrl+s")
            wait_more_frames(app, 20)
            xdotool("key", "Return")
            wait_more_frames(app, 5)

        frames = self.record(app, act)
        starts = self.starts
        left = [centre_of(f, LEFT_RING) for f in frames]
        right = [centre_of(f, RIGHT_RING) for f in frames]
        first_left = next(i for i, c in enumerate(left) if c)
        first_right = next(i for i, c in enumerate(right) if c)
        # Three frames were taken before the first click.
        self.assertGreaterEqual(starts[first_left], 250, "a ring before the click")
        self.assertGreater(first_right, first_left)
        for centre, at in ((left[first_left], LEFT_AT), (right[first_right], RIGHT_AT)):
            self.assertAlmostEqual(centre[0], at[0], delta=1.5)
            self.assertAlmostEqual(centre[1], at[1], delta=1.5)
        # A click fades within a third of a second: gone half a second on.
        later = next(i for i, t in enumerate(starts) if t >= starts[first_left] + 500)
        self.assertIsNone(left[later])

        # The captions in order, each read once as it first stands whole.
        texts = []
        for frame in frames:
            box = caption_box(frame)
            text = read_text(frame.crop(box)) if box else ""
            if text and (not texts or texts[-1] != text):
                texts.append(text)
        # OCR may take one narrow upright stroke for another.
        def plain(text):
            return re.sub("[lI1|]", "i", text)

        expected = ["abc", "Ctrl+S", "Enter"]
        whole = [t for t in texts if plain(t) in map(plain, expected)]
        self.assertEqual(list(map(plain, whole)), list(map(plain, expected)), texts)

    def test_without_the_options_and_after_a_stop_nothing_is_drawn(self):
        self.start_record_target(*AROUND, period_ms=0)
        app = self.launch(settings())

        def plain(frames):
            for frame in frames:
                self.assertIsNone(centre_of(frame, LEFT_RING))
                self.assertIsNone(caption_box(frame))

        # A click after a stop: the hooks are gone, and the next recording
        # starts without it.
        self.record(app, lambda: wait_more_frames(app, 2))
        self.click_at(LEFT_AT, 1)
        plain(self.record(app, lambda: wait_more_frames(app, 3)))

        # Unticked: the frames are the plain picture, clicks and keys or not.
        for name in ("选择框显示鼠标点击", "选择框显示按键"):
            app.click(name)
            wait_until(lambda: not app.get(name)["checked"], what=f"{name} unticked")

        def act():
            self.click_at(LEFT_AT, 1)
            self.focus_target()
            xdotool("type", "--delay", "20", "abc")
            wait_more_frames(app, 3)

        plain(self.record(app, act))

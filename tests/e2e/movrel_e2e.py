"""Drives the real Movrel.exe under Wine and Xvfb, as a person would.

The probe (a small Windows program of the test tree) finds the program's
windows and controls and reads them; xdotool moves the real mouse and types on
the real keyboard. Every step waits for a state with a timeout.

Everything the test modules share lives here, so that they import only this
module and never each other: the program's life cycle and the acts of a
person (typing into edits and into the save dialog), the test windows that
are recorded, the screen and the pointer, the preview as the output probe
reads it, and the saving tests' scene and recording.
"""
import glob
import io
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
# The GIF checks of tests/output judge the end-to-end tests' files as well.
sys.path.insert(0, os.path.join(HERE, "..", "output"))
from gif_checks import all_problems, recorded_time_problems  # noqa: E402

TITLE = "Movrel v1.0.2.1"
EXE = os.environ.get("MOVREL_EXE", "")
PROBE = os.environ.get("MOVREL_PROBE", "")
ARTIFACTS = os.environ.get("MOVREL_ARTIFACTS", os.path.join(tempfile.gettempdir(), "movrel-artifacts"))
WINE = shutil.which("wine") or "wine"
TIMEOUT = float(os.environ.get("MOVREL_E2E_TIMEOUT", "60"))
GBK = "gbk"
SAVE_TITLE = "选择本次录制的动画保存到的GIF文件："
OPTIMIZE_TITLE = "正在优化动画帧，以尽可能降低GIF文件大小.."
OVERLAY = "MovrelSelectionOverlay"
RECTANGLE_EDITS = ["编辑框左边", "编辑框顶边", "编辑框宽度", "编辑框高度"]
# The test programs built beside the probe and in the output tests' folder.
RECORD_TARGET = os.path.join(os.path.dirname(PROBE), "record_target.exe")
OUTPUT_BUILD = os.path.join(os.path.dirname(os.path.dirname(PROBE)), "output")
SAVE_TARGET = os.path.join(OUTPUT_BUILD, "save_target.exe")
OUTPUT_PROBE = os.path.join(OUTPUT_BUILD, "output_probe.exe")


def wait_until(predicate, timeout=TIMEOUT, interval=0.2, what="condition"):
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        last = predicate()
        if last:
            return last
        time.sleep(interval)
    raise AssertionError(f"timed out after {timeout:.0f}s waiting for {what} (last: {last!r})")


def probe(*args, check=True, timeout=TIMEOUT):
    result = subprocess.run([WINE, PROBE, *args], capture_output=True, timeout=timeout)
    if check and result.returncode != 0:
        raise AssertionError(f"probe {args} failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
    return result


def probe_lines(*args):
    out = probe(*args).stdout.decode("utf-8")
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def output_probe(*args, check=True):
    """The reader of the preview window and the clipboard."""
    result = subprocess.run([WINE, OUTPUT_PROBE, *map(str, args)], capture_output=True, timeout=90)
    if check and result.returncode != 0:
        raise AssertionError(f"output_probe {args} failed: {result.stderr.decode(errors='replace')}")
    return result


def preview_state():
    """(window, controls by name) of the open preview, or None."""
    result = output_probe("preview", check=False)
    if result.returncode != 0:
        return None
    lines = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines() if line.strip()]
    return lines[0], {c["name"]: c for c in lines[1:]}


def wine_path(path):
    """The path as the program sees it, through Wine's Z: drive."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def settings_file(values):
    """The bytes of a Movrel.ini that stores `values` for the main window."""
    return "\r\n".join(["[主界面]"] + [f"{k}={v}" for k, v in values.items()]).encode(GBK)


def temp_folders():
    """The recordings' temporary folders in the session's Wine prefix."""
    prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
    found = set()
    for temp in ("Temp", os.path.join("AppData", "Local", "Temp")):
        for root in glob.glob(os.path.join(prefix, "drive_c", "users", "*", temp)):
            found.update(glob.glob(os.path.join(root, "KVGifRecord_*")))
    return found


class DamagedFrame(AssertionError):
    """A frame file of the store that does not hold a readable picture."""


def stored_frame_numbers(folder):
    """The numbers of the frame files `n.TMP` in a recording's folder, in
    order: the kept frames (a still frame has no file)."""
    return sorted(int(name[:-4]) for name in os.listdir(folder) if re.fullmatch(r"\d+\.TMP", name))


def read_stored_frame(path):
    """(left, top, picture) of one frame file: a whole BMP file at (0, 0), or
    "MVF1", left and top (int32), the BMP file's length and the zlib stream's
    length (uint32, all little-endian) and the zlib stream of a BMP file that
    lies at (left, top) in the whole frame."""
    with open(path, "rb") as f:
        data = f.read()
    left, top, bmp = 0, 0, data
    if data[:4] == b"MVF1":
        if len(data) < 20:
            raise DamagedFrame(f"{path}: {len(data)} bytes, shorter than the header")
        left, top, length, packed = struct.unpack_from("<iiII", data, 4)
        if len(data) != 20 + packed:
            raise DamagedFrame(f"{path}: {len(data)} bytes, the header says {20 + packed}")
        stream = zlib.decompressobj()
        try:
            bmp = stream.decompress(data[20:], length + 1)  # one more shows a stream that is too long
        except zlib.error as e:
            raise DamagedFrame(f"{path}: the zlib stream does not decompress: {e}") from None
        if len(bmp) != length or not stream.eof or stream.unused_data:
            raise DamagedFrame(f"{path}: the zlib stream does not hold exactly {length} bytes in {packed}")
    elif data[:2] != b"BM":
        raise DamagedFrame(f"{path}: starts with {data[:4]!r}, neither a frame header nor a BMP file")
    try:
        with Image.open(io.BytesIO(bmp), formats=["BMP"]) as image:
            return left, top, image.convert("RGB")
    except (OSError, ValueError) as e:
        raise DamagedFrame(f"{path}: no readable BMP picture: {e}") from None


def read_stored_frames(folder, count=None):
    """The whole picture of every frame 1..`count` (by default up to the last
    file) of a recording's folder, by frame number, or None for a still frame.
    Each file after the first kept one may hold only the part that changed,
    pasted over the whole picture of the kept frame before it."""
    numbers = set(stored_frame_numbers(folder))
    frames, whole = {}, None
    for n in range(1, (max(numbers, default=0) if count is None else count) + 1):
        if n not in numbers:
            frames[n] = None
            continue
        path = os.path.join(folder, f"{n}.TMP")
        left, top, picture = read_stored_frame(path)
        if whole is None:
            if (left, top) != (0, 0):
                raise DamagedFrame(f"{path}: the first kept frame lies at ({left}, {top}), not the whole frame")
            whole = picture
        else:
            if left < 0 or top < 0 or left + picture.width > whole.width or top + picture.height > whole.height:
                raise DamagedFrame(f"{path}: {picture.width}x{picture.height} at ({left}, {top}) reaches out of "
                                   f"the {whole.width}x{whole.height} frame")
            whole = whole.copy()
            whole.paste(picture, (left, top))
        frames[n] = whole
    return frames


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=30)


def grab_screen():
    png = subprocess.run(["import", "-window", "root", "png:-"], capture_output=True, check=True, timeout=60).stdout
    return Image.open(io.BytesIO(png)).convert("RGB")


def mouse_location():
    out = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, text=True,
                         check=True, timeout=30).stdout
    return dict(line.split("=", 1) for line in out.split() if "=" in line)


def pointer_window():
    """The X window under the pointer."""
    return mouse_location()["WINDOW"]


_first_start = True


class Movrel:
    """One running copy of the program in a fresh folder of its own."""

    def __init__(self, settings=None, folder="Movrel 運閉"):
        # A folder name with GBK trail bytes equal to "\\" and "]".
        self.root = tempfile.mkdtemp(prefix="movrel-e2e-")
        self.folder = os.path.join(self.root, folder)
        os.makedirs(self.folder)
        self.exe = os.path.join(self.folder, "Movrel.exe")
        shutil.copy(EXE, self.exe)
        self.ini = os.path.join(self.folder, "Movrel.ini")
        if settings is not None:
            with open(self.ini, "wb") as f:
                f.write(settings)
        self.process = None

    # -- life cycle
    def start(self, until_shown=True):
        """Starts the program and, unless told otherwise, waits for its main
        window (a message at start-up comes before it)."""
        # Tests must not meet a copy left by an earlier one.
        self.wait_gone(TITLE)
        self.process = subprocess.Popen([WINE, self.exe], cwd=self.folder,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if until_shown:
            self.wait_main_window()
        return self

    def wait_main_window(self):
        global _first_start
        # The first program of a session may wait for Wine's font and desktop
        # set-up on a loaded machine.
        self.wait_window(TITLE, timeout=TIMEOUT * 4 if _first_start else TIMEOUT, retries=1 if _first_start else 0)
        _first_start = False
        wait_until(lambda: self.get("链接开始录制").get("visible"), what="main window controls")
        return self

    def wait_window(self, title, timeout=TIMEOUT, retries=0):
        # A probe that does not come back within its own time limit is stuck
        # in Wine's session set-up, not waiting on the program: the first
        # start of a session asks again rather than fail.
        for attempt in range(retries + 1):
            try:
                result = probe("wait-window", title, str(timeout), check=False, timeout=timeout + 30)
                break
            except subprocess.TimeoutExpired:
                if attempt == retries:
                    raise
        if result.returncode != 0:
            raise AssertionError(f"window {title!r} did not appear; windows: {self.windows()}")

    def wait_gone(self, title, timeout=TIMEOUT):
        if probe("wait-gone", title, str(timeout), check=False, timeout=timeout + 30).returncode != 0:
            raise AssertionError(f"window {title!r} did not close")

    def tray_click(self, button="right"):
        """What the notification icon tells the main window on a click."""
        mouse = {"left": 0x201, "right": 0x204}[button]
        probe("send", TITLE, "123456", "0", str(mouse))

    def exit_through_tray(self):
        """The user right-clicks the tray icon and confirms."""
        self.tray_click("right")
        self.answer_message("确定要退出 Movrel 吗？", "确定")
        return self.wait_exit()

    def wait_exit(self, timeout=TIMEOUT):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("Movrel did not exit")

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)

    def cleanup(self):
        self.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    # -- reading
    def dump(self):
        return {c["name"]: c for c in probe_lines("dump")}

    def get(self, name):
        return probe_lines("get", name)[0]

    def windows(self):
        return probe_lines("windows")

    def children(self, title):
        return probe_lines("children", title)

    def edits(self):
        """The texts of the rectangle's four edits."""
        controls = self.dump()
        return [controls[name]["text"] for name in RECTANGLE_EDITS]

    def wait_edits(self, expected):
        wait_until(lambda: self.edits() == expected, what=f"edits {expected} (now {self.edits()})")

    def message_texts(self, title="Kelv："):
        return [c["text"] for c in self.children(title) if c["class"].lower() == "static"]

    def answer_message(self, text, button, title="Kelv："):
        self.wait_window(title)
        wait_until(lambda: any(text in t for t in self.message_texts(title)), what=f"message {text!r}")
        probe("press", title, button)
        self.wait_gone(title)

    # -- acting as a person would
    def focus(self):
        ids = subprocess.run(["xdotool", "search", "--name", TITLE], capture_output=True, text=True).stdout.split()
        for wid in ids:
            subprocess.run(["xdotool", "windowfocus", "--sync", wid], capture_output=True, timeout=30)

    def mouse_click(self, name, button=1):
        left, top, right, bottom = self.get(name)["rect"]
        # Check boxes and radios take the click on their box at the left.
        kind_x = left + min(8, (right - left) // 2) if self.get(name).get("checked") is not None else (left + right) // 2
        xdotool("mousemove", "--sync", kind_x, (top + bottom) // 2)
        xdotool("click", button)

    def click(self, name):
        probe("click", name)

    def type_text(self, text):
        xdotool("type", "--delay", "20", text)

    def key(self, *keys):
        xdotool("key", *keys)

    def type_into(self, name, text):
        """Types `text` over the text of a main-window edit, as a person would."""
        self.focus()
        self.mouse_click(name)
        self.key("ctrl+a")
        self.key("BackSpace")
        if text.startswith("-"):
            self.key("minus")  # xdotool would read "-1" as an option
        if text.lstrip("-"):
            self.type_text(text.lstrip("-"))
        wait_until(lambda: self.get(name)["text"] == text, what=f"{text!r} typed into {name}")

    def type_in_save_dialog(self, text):
        """Types `text` over the file name of the open save dialog and presses
        Enter. Without a window manager the dialog does not get the keys by
        itself: its X window is given the focus first."""
        ids = subprocess.run(["xdotool", "search", "--name", SAVE_TITLE], capture_output=True, text=True,
                             timeout=30).stdout.split()
        if not ids:
            raise AssertionError("the save dialog has no X window")
        # xdotool types a character that no key carries (the Chinese ones) by
        # remapping a key for a moment, which a loaded machine can race into
        # another character: the name is read back before it is accepted.
        for attempt in range(3):
            xdotool("windowfocus", "--sync", ids[-1])
            self.key("ctrl+a")
            self.type_text(text)
            try:
                wait_until(lambda: any(c["text"] == text for c in self.children(SAVE_TITLE)),
                           timeout=10, what=f"the file name {text!r} in the save dialog")
                break
            except AssertionError:
                if attempt == 2:
                    raise
        self.key("Return")

    def save_gif(self, path, timeout=90):
        """Saves the recording to `path` through the save link and the save
        dialog, and declines to open the file. Returns `path`."""
        self.click("链接保存动画")
        self.wait_window(SAVE_TITLE, timeout=timeout)
        self.type_in_save_dialog(wine_path(path))
        self.wait_gone(SAVE_TITLE)
        self.answer_message("是否打开该文件？", "否")
        return path

    def screenshot(self, name):
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, name)
        subprocess.run(["import", "-window", "root", path], check=True, timeout=60)
        return path


class MovrelTestCase(unittest.TestCase):
    settings = None

    def launch(self, settings=None, **where):
        app = Movrel(settings if settings is not None else self.settings, **where)
        self.addCleanup(app.cleanup)
        return app.start()

    def start_record_target(self, x, y, width, height, period_ms=100):
        """Shows record_target (a field with a block that moves every
        `period_ms`, never at all for 0) at that place, until the test ends."""
        args = [WINE, RECORD_TARGET, *map(str, (x, y, width, height, period_ms))]
        # A Wine session that is just shutting down a program can swallow
        # the next one started into it; a second try finds it ready.
        for attempt in range(3):
            target = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                if probe("wait-window", "MovrelRecordTarget", "20", check=False, timeout=60).returncode == 0:
                    break
            except subprocess.TimeoutExpired:
                pass
            target.kill()
            target.wait(timeout=30)
        else:
            self.fail("the test window did not appear")

        def stop():
            # Closed the ordinary way: a killed Wine process can leave the
            # session busy for the next program.
            probe("close", "MovrelRecordTarget", check=False)
            try:
                target.wait(timeout=30)
            except subprocess.TimeoutExpired:
                target.kill()
                target.wait(timeout=30)
        self.addCleanup(stop)
        wait_until(lambda: any(w["title"] == "MovrelRecordTarget" and w["rect"] == [x, y, x + width, y + height]
                               for w in probe_lines("windows")), what="the test window in its place")


# -- the saving tests' scene: save_target paints a picture that moves, holds
# still and changes colour inside the recorded rectangle.

SCENE_RECT = (640, 520, 200, 120)  # left, top, width, height of the target and the recording
RED, GREEN = (240, 32, 32), (32, 224, 64)


def scene_settings(**extra):
    values = {
        "选择框录制区域": "真", "矩形.左边": SCENE_RECT[0], "矩形.顶边": SCENE_RECT[1],
        "矩形.右边": SCENE_RECT[2], "矩形.底边": SCENE_RECT[3], "选择框显示鼠标": "假", "帧间隔": 200, "间隔单位": 0,
        "选择框录制倒计时": "假", "选择框缩到托盘": "假", "选择框保存帧": "假",
    }
    values.update(extra)
    return settings_file(values)


def frame_count(app):
    m = re.search(r"帧数：(\d+)", app.get("分组框1")["text"])
    return int(m.group(1)) if m else -1


def wait_more_frames(app, n):
    """Waits until the running recording has taken `n` more frames."""
    now = frame_count(app)
    wait_until(lambda: frame_count(app) >= now + n, what=f"{n} more frames")


def recorded_ms(app):
    """The recorded time the caption shows, in milliseconds (to 10 ms)."""
    m = re.search(r"时间：([\d.]+) (毫秒|秒|分)", app.get("分组框1")["text"])
    return round(float(m.group(1)) * {"毫秒": 1, "秒": 1000, "分": 60000}[m.group(2)]) if m else -1


class Scene:
    """The test window and the state file that tells it what to paint."""

    def __init__(self, test, rect=SCENE_RECT):
        self.folder = tempfile.mkdtemp(prefix="movrel-scene-")
        self.state = os.path.join(self.folder, "state.txt")
        self.show(10, 10, RED)
        self.process = subprocess.Popen([WINE, SAVE_TARGET, *map(str, rect), wine_path(self.state)],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        test.addCleanup(self.close)
        wait_until(lambda: any(w["title"] == "MovrelSaveTarget" for w in probe_lines("windows")),
                   what="the test window")

    def show(self, x, y, colour):
        # Written whole, then renamed, so the window never reads half a state.
        scratch = self.state + ".new"
        with open(scratch, "w") as f:
            f.write(f"{x} {y} {colour[0]} {colour[1]} {colour[2]}")
        os.replace(scratch, self.state)

    def count(self, x, y):
        """A numbered picture in every frame from now on (see save_target)."""
        scratch = self.state + ".new"
        with open(scratch, "w") as f:
            f.write(f"count {x} {y}")
        os.replace(scratch, self.state)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)
        shutil.rmtree(self.folder, ignore_errors=True)


class Recording:
    """What the recorder stored: its pattern of kept and still frames and the
    whole pictures of the kept ones, read before any save rewrites them, and
    the recorded time its caption showed."""

    def __init__(self, folder, pattern, frames, recorded_ms):
        self.folder = folder
        self.pattern = pattern
        self.frames = frames
        self.recorded_ms = recorded_ms

    def store_files(self):
        """Size and modification time of every frame file now in the store."""
        stats = {f"{n}.TMP": os.stat(os.path.join(self.folder, f"{n}.TMP"))
                 for n in stored_frame_numbers(self.folder)}
        return {name: (stat.st_size, stat.st_mtime_ns) for name, stat in stats.items()}

    @classmethod
    def read(cls, folder, count, recorded_ms):
        stored = read_stored_frames(folder, count)
        pattern = "".join("S" if picture is None else "K" for picture in stored.values())
        frames = {n: picture for n, picture in stored.items() if picture is not None}
        return cls(folder, pattern, frames, recorded_ms)


class SaveTestCase(MovrelTestCase):
    """Records the scene and saves it through the real save dialog."""
    settings = scene_settings()

    def record(self, app, scene, steps, still_ticks=6):
        """Records the scene going through `steps` ((x, y, colour) each, with
        None for a still period), each held until two more frames were taken."""
        before = temp_folders()
        app.click("链接开始录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="recording")
        wait_until(lambda: frame_count(app) >= 2, what="the first frames")
        for step in steps:
            count = frame_count(app)
            if step is None:
                wait_until(lambda: frame_count(app) >= count + still_ticks, what="a still period")
            else:
                scene.show(*step)
                wait_until(lambda: frame_count(app) >= count + 2, what=f"the scene {step} recorded")
        app.click("链接停止录制")
        wait_until(lambda: app.get("链接保存动画")["enabled"], what="saving enabled")
        wait_until(lambda: app.get("链接开始录制")["text"] == "开始录制(F9)", what="the idle look")
        folders = temp_folders() - before
        self.assertEqual(len(folders), 1, folders)
        return Recording.read(folders.pop(), frame_count(app), recorded_ms(app))

    def save_through_dialog(self, app, path, recording, open_answer="否",
                            message="是否打开该文件？", while_asked=None):
        """Clicks the save link, types `path` into the save dialog and gives
        `open_answer` to the `message` that follows (opening the file), after
        calling `while_asked` with the message's texts. Returns the text the
        dialog's file name held.

        A recording is cropped as it is recorded, so the changed-region pass
        has nothing to do before the dialog: no stored frame is rewritten
        and its window never opens."""
        files = recording.store_files()
        watcher = subprocess.Popen([WINE, PROBE, "wait-window", OPTIMIZE_TITLE, "8"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: watcher.poll() is None and watcher.kill())
        app.click("链接保存动画")
        app.wait_window(SAVE_TITLE)
        rewritten = {n for n, stat in recording.store_files().items() if files.get(n) != stat}
        self.assertEqual(rewritten, set(), "the changed-region pass ran")
        self.assertNotEqual(watcher.wait(timeout=90), 0, "the optimisation window opened")
        edits = [c for c in app.children(SAVE_TITLE) if c["class"].lower() == "edit" and c["visible"]]
        prefilled = edits[0]["text"] if edits else ""
        app.type_in_save_dialog(wine_path(path))
        app.wait_gone(SAVE_TITLE)
        if while_asked:
            app.wait_window("Kelv：")
            while_asked(wait_until(lambda: [t for t in app.message_texts() if message in t], what=f"{message!r}"))
        app.answer_message(message, open_answer)
        wait_until(lambda: app.get("链接保存动画")["text"] == "保存动画", what="the caption back")
        return prefilled

    def assert_gif(self, path, recording, speed_ms, wait, plays, compact=True):
        """The GIF against the recording; the capture times are not known
        here, so the delays are checked against the recorded time.
        `compact`: saved with 精简GIF ticked (exact colours)."""
        work = tempfile.mkdtemp(prefix="movrel-gif-")
        self.addCleanup(shutil.rmtree, work, True)
        problems = (all_problems(path, recording.pattern, recording.frames, plays, work, compact=compact) +
                    recorded_time_problems(path, recording.pattern, recording.recorded_ms, speed_ms, wait))
        self.assertEqual(problems, [], f"{os.path.basename(path)} of the recording {recording.pattern}")

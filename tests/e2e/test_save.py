"""Saving a recording through the real UI: a test window paints a picture
that moves, holds still and changes colour inside the recorded rectangle;
the recording is saved through the real save dialog (typed with xdotool) and
copied to the clipboard. The GIFs are decoded with Pillow, ImageMagick and
gifsicle and compared with the frames the recorder captured, which are read
from the recording's temporary folder before the first save changes them."""
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

from PIL import Image

from movrel_e2e import PROBE, TITLE, WINE, MovrelTestCase, probe, probe_lines, temp_folders, wait_until, xdotool

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "output"))
from gif_checks import COMMENT, all_problems, recorded_time_problems  # noqa: E402

GBK = "gbk"
OUTPUT_BUILD = os.path.join(os.path.dirname(os.path.dirname(PROBE)), "output")
TARGET = os.path.join(OUTPUT_BUILD, "save_target.exe")
OUTPUT_PROBE = os.path.join(OUTPUT_BUILD, "output_probe.exe")
RECT = (640, 520, 200, 120)  # left, top, width, height of the target and the recording
RED, GREEN = (240, 32, 32), (32, 224, 64)
SAVE_TITLE = "选择本次录制的动画保存到的GIF文件："
OPTIMIZE_TITLE = "正在优化动画帧，以尽可能降低GIF文件大小.."


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def settings(**extra):
    values = {
        "选择框录制区域": "真", "矩形.左边": RECT[0], "矩形.顶边": RECT[1], "矩形.右边": RECT[2],
        "矩形.底边": RECT[3], "选择框显示鼠标": "假", "帧间隔": 200, "间隔单位": 0,
        "选择框录制倒计时": "假", "选择框缩到托盘": "假", "选择框保存帧": "假",
    }
    values.update(extra)
    return "\r\n".join(["[主界面]"] + [f"{k}={v}" for k, v in values.items()]).encode(GBK)


def output_probe(*args, check=True):
    result = subprocess.run([WINE, OUTPUT_PROBE, *map(str, args)], capture_output=True, timeout=90)
    if check and result.returncode != 0:
        raise AssertionError(f"output_probe {args} failed: {result.stderr.decode(errors='replace')}")
    return result


def type_into(app, name, text):
    """Types `text` over the text of a main-window edit, as a person would."""
    app.focus()
    app.mouse_click(name)
    app.key("ctrl+a")
    app.key("BackSpace")
    if text.startswith("-"):
        app.key("minus")  # xdotool would read "-1" as an option
    if text.lstrip("-"):
        app.type_text(text.lstrip("-"))
    wait_until(lambda: app.get(name)["text"] == text, what=f"{text!r} typed into {name}")


SIZE = re.compile(r"(\d+(?:\.\d+)?) (MB|KB|B)")
UNIT_BYTES = {"MB": 1048576, "KB": 1024, "B": 1}


def shown_size(text):
    """The bytes a size as the program shows it ("9.6 MB", "850 KB") stands
    for, and half its last digit: how far the true size can be from it."""
    m = SIZE.search(text)
    if not m:
        return None
    unit = UNIT_BYTES[m.group(2)]
    step = 0.1 if "." in m.group(1) else 1
    return float(m.group(1)) * unit, step * unit / 2


def frame_count(app):
    m = re.search(r"帧数：(\d+)", app.get("分组框1")["text"])
    return int(m.group(1)) if m else -1


def recorded_ms(app):
    """The recorded time the caption shows, in milliseconds (to 10 ms)."""
    m = re.search(r"时间：([\d.]+) (毫秒|秒|分)", app.get("分组框1")["text"])
    return round(float(m.group(1)) * {"毫秒": 1, "秒": 1000, "分": 60000}[m.group(2)]) if m else -1


class Scene:
    """The test window and the state file that tells it what to paint."""

    def __init__(self, test, rect=RECT):
        self.folder = tempfile.mkdtemp(prefix="movrel-scene-")
        self.state = os.path.join(self.folder, "state.txt")
        self.show(10, 10, RED)
        self.process = subprocess.Popen([WINE, TARGET, *map(str, rect), wine_path(self.state)],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        test.addCleanup(self.close)
        wait_until(lambda: any(w["title"] == "MovrelSaveTarget" for w in visible_windows()), what="the test window")

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


def visible_windows():
    out = probe("windows").stdout.decode("utf-8")
    return [json.loads(line) for line in out.splitlines() if line.strip()]


class Recording:
    """What the recorder stored: its pattern of kept and still frames and the
    captured pictures of the kept ones, read before any save crops them, and
    the recorded time its caption showed."""

    def __init__(self, folder, pattern, frames, recorded_ms):
        self.folder = folder
        self.pattern = pattern
        self.frames = frames
        self.recorded_ms = recorded_ms

    def store_files(self):
        """Size and modification time of every frame file now in the store."""
        return {name: (os.stat(os.path.join(self.folder, name)).st_size,
                       os.stat(os.path.join(self.folder, name)).st_mtime_ns)
                for name in os.listdir(self.folder) if name.endswith(".TMP")}

    @classmethod
    def read(cls, folder, count, recorded_ms):
        pattern, frames = "", {}
        for n in range(1, count + 1):
            path = os.path.join(folder, f"{n}.TMP")
            if os.path.exists(path):
                pattern += "K"
                with open(path, "rb") as f:
                    frames[n] = Image.open(io.BytesIO(f.read())).convert("RGB")
            else:
                pattern += "S"
        return cls(folder, pattern, frames, recorded_ms)


class SaveTestCase(MovrelTestCase):
    settings = settings()

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

    def save_through_dialog(self, app, path, recording, expect_optimization, open_answer="否",
                            message="是否打开该文件？", while_asked=None):
        """Clicks the save link, types `path` into the save dialog and gives
        `open_answer` to the `message` that follows (opening the file), after
        calling `while_asked` with the message's texts. Returns the text the
        dialog's file name held.

        The changed-region pass shows in the store: it rewrites the kept
        frames after the first with their crops, and nothing else touches
        them. Its window is watched for as well, which can only prove that
        it did open (it may be too quick to be seen)."""
        files = recording.store_files()
        watcher = subprocess.Popen([WINE, PROBE, "wait-window", OPTIMIZE_TITLE, "8"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: watcher.poll() is None and watcher.kill())
        app.click("链接保存动画")
        app.wait_window(SAVE_TITLE)
        rewritten = {n for n, stat in recording.store_files().items() if files.get(n) != stat}
        if expect_optimization:
            self.assertTrue(rewritten, "the changed-region pass did not run")
            self.assertNotIn("1.TMP", rewritten)
        else:
            self.assertEqual(rewritten, set(), "the changed-region pass ran again")
            self.assertNotEqual(watcher.wait(timeout=90), 0, "the optimisation window opened again")
        edits = [c for c in app.children(SAVE_TITLE) if c["class"].lower() == "edit" and c["visible"]]
        prefilled = edits[0]["text"] if edits else ""
        ids = subprocess.run(["xdotool", "search", "--name", SAVE_TITLE], capture_output=True, text=True).stdout.split()
        self.assertTrue(ids, "the save dialog has no X window")
        xdotool("windowfocus", "--sync", ids[-1])
        app.key("ctrl+a")
        app.type_text(wine_path(path))
        app.key("Return")
        app.wait_gone(SAVE_TITLE)
        if while_asked:
            app.wait_window("Kelv：")
            while_asked(wait_until(lambda: [t for t in app.message_texts() if message in t], what=f"{message!r}"))
        app.answer_message(message, open_answer)
        wait_until(lambda: app.get("链接保存动画")["text"] == "保存动画", what="the caption back")
        return prefilled

    def open_gif_files_with(self, command):
        """Makes `command` (with %1) the session's program for opening .gif
        files, for the rest of the test."""
        def reg(*args):
            return subprocess.run([WINE, "reg", *args], capture_output=True, timeout=120)
        old = reg("query", "HKCR\\.gif", "/ve")
        m = re.search(rb"REG_SZ\s+(\S+)", old.stdout)
        reg("add", "HKCR\\MovrelTestGif\\shell\\open\\command", "/ve", "/d", command, "/f")
        self.assertEqual(reg("add", "HKCR\\.gif", "/ve", "/d", "MovrelTestGif", "/f").returncode, 0)
        if m:
            self.addCleanup(reg, "add", "HKCR\\.gif", "/ve", "/d", m.group(1).decode(), "/f")
        else:
            self.addCleanup(reg, "delete", "HKCR\\.gif", "/f")
        self.addCleanup(reg, "delete", "HKCR\\MovrelTestGif", "/f")

    def assert_gif(self, path, recording, speed_ms, wait, plays, compact=True):
        """The GIF against the recording; the capture times are not known
        here, so the delays are checked against the recorded time.
        `compact`: saved with 精简GIF ticked (exact colours)."""
        work = tempfile.mkdtemp(prefix="movrel-gif-")
        self.addCleanup(shutil.rmtree, work, True)
        problems = (all_problems(path, recording.pattern, recording.frames, plays, work, compact=compact) +
                    recorded_time_problems(path, recording.pattern, recording.recorded_ms, speed_ms, wait))
        self.assertEqual(problems, [], f"{os.path.basename(path)} of the recording {recording.pattern}")


class SaveTest(SaveTestCase):
    def test_record_save_twice_and_copy(self):
        app = self.launch()
        scene = Scene(self)
        out = tempfile.mkdtemp(prefix="movrel-save-")
        self.addCleanup(shutil.rmtree, out, True)

        # A loop count of the user's own, through the entry dialog.
        probe("select", "组合框播放次数", "8")
        app.wait_window("Kelv：")
        wait_until(lambda: any("输入GIF动画循环播放的次数：" in t for t in app.message_texts()), what="the prompt")
        edit = next(c for c in app.children("Kelv：") if c["class"].lower() == "edit")
        self.assertEqual(edit["text"], "")  # "指定次数.." holds no number yet
        l, t, r, b = edit["rect"]
        xdotool("mousemove", "--sync", (l + r) // 2, (t + b) // 2)
        xdotool("click", 1)
        app.key("ctrl+a")
        app.type_text("7")
        probe("press", "Kelv：", "确定")
        app.wait_gone("Kelv：")
        wait_until(lambda: app.get("组合框播放次数")["items"][8] == "指定次数(7)..", what="the custom loop item")
        self.assertEqual(app.get("组合框播放次数")["selected"], 8)

        # A moving block, a still period, a colour change, and a block that
        # touches the last column and row.
        recording = self.record(app, scene, [(50, 30, RED), (90, 50, RED), None, (90, 50, GREEN),
                                             (RECT[2] - 24, RECT[3] - 16, GREEN)])
        self.assertIn("KS", recording.pattern)
        self.assertEqual(recording.pattern[0], "K")

        first = os.path.join(out, "first.gif")
        self.save_through_dialog(app, first, recording, expect_optimization=True)
        self.assert_gif(first, recording, 0, wait=True, plays=7)

        # Again: no second pass, the dialog starts at the last path, and the
        # file is the same byte for byte.
        second = os.path.join(out, "second.gif")
        prefilled = self.save_through_dialog(app, second, recording, expect_optimization=False)
        self.assertIn("first.gif", prefilled)
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertEqual(a.read(), b.read())

        # Copy: a right click on the link writes a temporary GIF and offers
        # it on the clipboard as HTML; a second copy replaces the first one's
        # file, so copies do not pile up in the temporary folder.
        first_copy = None
        for _ in range(2):
            app.focus()
            app.mouse_click("链接保存动画", button=3)
            wait_until(lambda: app.get("链接保存动画")["text"] == "已复制", what="已复制")
            wait_until(lambda: app.get("链接保存动画")["text"] == "保存动画", timeout=30, what="the caption back")
            if first_copy is None:
                first_copy = self.copied_file()
        self.assertFalse(os.path.exists(first_copy), first_copy)
        clip = json.loads(output_probe("clipboard-html").stdout.decode("utf-8"))
        self.assertTrue(clip["present"] and clip["terminated"], clip)
        data = clip["data"].encode("utf-8")
        fields = dict(re.findall(rb"^(\w+):(\S+)\r$", data.split(b"<HTML>")[0], re.M))
        self.assertEqual(fields[b"Version"], b"0.9")
        start_fragment, end_fragment = int(fields[b"StartFragment"]), int(fields[b"EndFragment"])
        self.assertEqual(data[int(fields[b"StartHTML"]):int(fields[b"StartHTML"]) + 6], b"<HTML>")
        self.assertEqual(int(fields[b"EndHTML"]), len(data))
        fragment = data[start_fragment:end_fragment].decode("utf-8")
        self.assertTrue(data.endswith(b"<!--EndFragment--></BODY></HTML>"))
        unix_path = self.copied_file(fragment)
        self.assertNotEqual(unix_path, first_copy)
        self.addCleanup(lambda: os.path.exists(unix_path) and os.remove(unix_path))
        self.assert_gif(unix_path, recording, 0, wait=True, plays=7)
        with open(unix_path, "rb") as a, open(first, "rb") as b:
            self.assertEqual(a.read(), b.read())
        with open(unix_path, "rb") as f:
            self.assertIn(COMMENT.encode(), f.read())

    def copied_file(self, fragment=None):
        """The file that the clipboard's image element names (a file address
        whose bytes are percent-encoded), as a path here."""
        if fragment is None:
            data = json.loads(output_probe("clipboard-html").stdout.decode("utf-8"))["data"].encode("utf-8")
            fragment = data[data.index(b"<IMG"):data.index(b"<!--EndFragment-->")].decode("utf-8")
        m = re.fullmatch(r'<IMG src="file:///([A-Za-z]:[A-Za-z0-9%/._~-]+)">', fragment)
        self.assertTrue(m, fragment)
        windows_path = urllib.parse.unquote(m.group(1)).replace("/", "\\")
        self.assertRegex(windows_path, r"(?i)\\mvg[0-9a-f]+\.tmp$")
        unix_path = subprocess.run(["winepath", "-u", windows_path], capture_output=True, text=True).stdout.strip()
        self.assertTrue(os.path.exists(unix_path), unix_path)
        return unix_path

    def test_skipped_still_frames_faster_speed_and_cancel(self):
        # The classic layout, 精简GIF unticked.
        app = self.launch(settings(**{"静态画面": 1, "帧变速": "50", "播放次数": 3, "选择框精简GIF": "假"}))
        scene = Scene(self)
        out = tempfile.mkdtemp(prefix="movrel-save-")
        self.addCleanup(shutil.rmtree, out, True)
        recording = self.record(app, scene, [(60, 40, RED), None, (60, 40, GREEN)])

        # While a save is under way the end of the session is held off (the
        # system asks, the answer is no) and the exit waits for it.
        app.click("链接保存动画")
        app.wait_window(SAVE_TITLE)
        self.assertEqual(probe_lines("send-wait", TITLE, "17", "0", "0"), [{"result": 0}])  # WM_QUERYENDSESSION
        app.tray_click("right")
        app.answer_message("正在保存动画，请等保存完成后再退出。", "确定")
        # Cancelled: nothing is written and the caption stays.
        probe("press", SAVE_TITLE, "取消")
        app.wait_gone(SAVE_TITLE)
        self.assertEqual(probe_lines("send-wait", TITLE, "17", "0", "0"), [{"result": 1}])
        wait_until(lambda: app.get("链接保存动画")["text"] == "保存动画", what="the caption after cancelling")
        self.assertEqual(os.listdir(out), [])

        # "是" to the open question hands the file to its program.
        opened = os.path.join(out, "opened.txt")
        self.open_gif_files_with(f'cmd /c echo %1> "{wine_path(opened)}"')
        path = os.path.join(out, "skip.gif")
        self.save_through_dialog(app, path, recording, expect_optimization=False,  # the cancelled save ran the pass
                                 open_answer="是")
        def handed_over():
            if not os.path.exists(opened):
                return None
            with open(opened, "rb") as f:
                return f.read().strip()
        self.assertEqual(wait_until(handed_over, what="the GIF opened").strip(b'"').decode(), wine_path(path))
        os.remove(opened)
        # 50 ms faster per frame, still frames dropped, "4次" plays four times.
        self.assert_gif(path, recording, 50, wait=False, plays=4, compact=False)

    def test_unwritable_path_reports_the_failure(self):
        app = self.launch()
        scene = Scene(self)
        self.record(app, scene, [(30, 20, GREEN)])
        # The settings file is held open by the program itself, readable but
        # not writable by anyone else: a save there cannot succeed.
        target = wine_path(app.ini)
        app.click("链接保存动画")
        app.wait_window(SAVE_TITLE, timeout=90)
        ids = subprocess.run(["xdotool", "search", "--name", SAVE_TITLE], capture_output=True, text=True).stdout.split()
        xdotool("windowfocus", "--sync", ids[-1])
        app.key("ctrl+a")
        # The dialog opens in the program's folder; the name alone keeps the
        # typing to plain keys.
        app.type_text("Movrel.ini")
        app.key("Return")
        # The dialog asks before it lets an existing file be replaced.
        wait_until(lambda: probe("press", SAVE_TITLE, "是", check=False).returncode == 0, what="the overwrite question")
        app.wait_gone(SAVE_TITLE)
        app.answer_message("保存动画失败！请检查该路径是否可写：" + target, "确定")
        wait_until(lambda: app.get("链接保存动画")["text"] == "保存动画", what="the caption back")
        with open(app.ini, "rb") as f:
            self.assertTrue(f.read().startswith("[主界面]".encode(GBK)))

        # A size limit that is no number is refused before the save dialog.
        type_into(app, "编辑框大小上限", "-1")
        app.click("链接保存动画")
        app.answer_message("“大小上限”必须是不小于0的数", "确定")
        self.assertFalse(any(w["title"] == SAVE_TITLE for w in app.windows()))
        # A limit no GIF of the recording keeps: the old file stays, and
        # neither a save nor a copy writes anything.
        type_into(app, "编辑框大小上限", "0.0001")
        out = tempfile.mkdtemp(prefix="movrel-save-")
        self.addCleanup(shutil.rmtree, out, True)
        old = os.path.join(out, "old.gif")
        with open(old, "wb") as f:
            f.write(b"the file before")
        app.click("链接保存动画")
        app.wait_window(SAVE_TITLE)
        ids = subprocess.run(["xdotool", "search", "--name", SAVE_TITLE], capture_output=True, text=True).stdout.split()
        xdotool("windowfocus", "--sync", ids[-1])
        app.key("ctrl+a")
        app.type_text(wine_path(old))
        app.key("Return")
        wait_until(lambda: probe("press", SAVE_TITLE, "是", check=False).returncode == 0, what="the overwrite question")
        app.wait_gone(SAVE_TITLE)
        app.answer_message("保存动画失败！本次录制的动画无法压缩到大小上限 0.0001 MB 以内（最小也有 ", "确定")
        with open(old, "rb") as f:
            self.assertEqual(f.read(), b"the file before")
        self.assertEqual(os.listdir(out), ["old.gif"])
        clipboard = output_probe("clipboard-html").stdout
        app.focus()
        app.mouse_click("链接保存动画", button=3)
        app.answer_message("复制动画失败！本次录制的动画无法压缩到大小上限 0.0001 MB 以内", "确定")
        self.assertEqual(output_probe("clipboard-html").stdout, clipboard)


if __name__ == "__main__":
    unittest.main()

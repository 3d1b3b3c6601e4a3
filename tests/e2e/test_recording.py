"""Recording through the real UI: a test window paints a known, changing
picture inside the recorded rectangle; the frames are read back from the
recording's temporary folder as whole pictures and decoded with Pillow."""
import glob
import os
import re
import shutil
import subprocess
import tempfile
import time

from PIL import Image

from movrel_e2e import (GBK, PROBE, TITLE, WINE, MovrelTestCase, probe, read_stored_frames, settings_file,
                        stored_frame_numbers, temp_folders, wait_until, xdotool)

RECT = (800, 600, 160, 120)  # left, top, width, height
# The test window: 10 px around the rectangle.
AROUND = (RECT[0] - 10, RECT[1] - 10, RECT[2] + 20, RECT[3] + 20)
FIELD = (20, 40, 90)         # the test window's background
BLOCK = (250, 220, 0)        # its moving block


def settings(**extra):
    values = {
        "选择框录制区域": "真", "矩形.左边": RECT[0], "矩形.顶边": RECT[1], "矩形.右边": RECT[2],
        "矩形.底边": RECT[3], "选择框显示鼠标": "假", "帧间隔": 100, "间隔单位": 0,
        "选择框录制倒计时": "假", "选择框缩到托盘": "假",
    }
    values.update(extra)
    return settings_file(values)


def frame_count(caption):
    m = re.search(r"帧数：(\d+)", caption)
    return int(m.group(1)) if m else -1


def explorer_started(command_end):
    """The process ID of a running Wine program whose command line ends
    with `command_end`, or None."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                args = f.read().rstrip(b"\0").replace(b"\0", b" ").decode("utf-8", "replace")
        except OSError:
            continue
        if args.endswith(command_end):
            return int(pid)
    return None


class RecordingTest(MovrelTestCase):
    def start_link(self, app):
        return app.get("链接开始录制")["text"]

    def caption(self, app):
        return app.get("分组框1")["text"]

    def wait_link(self, app, text, timeout=60):
        wait_until(lambda: self.start_link(app) == text, timeout=timeout, what=f"start link {text!r}")

    def new_folder(self, before):
        return wait_until(lambda: (temp_folders() - before) and sorted(temp_folders() - before)[0],
                          what="the recording's temporary folder")

    def check_frame(self, picture):
        """The colours of a whole frame's picture of the rectangle."""
        self.assertIsNotNone(picture, "a still frame where a kept one was expected")
        self.assertEqual(picture.size, RECT[2:])
        rgb = picture.convert("RGB")
        self.assertEqual(rgb.getpixel((RECT[2] - 1, RECT[3] - 1)), FIELD)
        return {c for _, c in rgb.getcolors(RECT[2] * RECT[3])}

    def test_countdown_frames_pause_resume_and_stop(self):
        self.start_record_target(*AROUND, period_ms=50)
        before = temp_folders()
        app = self.launch(settings(选择框录制倒计时="真", 倒计时值="3"))
        watcher = subprocess.Popen([WINE, PROBE, "watch-class", "MovrelCountdown", "60"], stdout=subprocess.PIPE)
        self.addCleanup(lambda: watcher.poll() is None and watcher.kill())
        # The watcher is up before the click, so the first number is not missed.
        self.assertIn(b"watching", watcher.stdout.readline())
        app.click("链接开始录制")
        numbers = []
        for line in watcher.stdout:
            numbers += [t for t in re.findall(r'"title":"([^"]*)"', line.decode("utf-8")) if t]
            if numbers == ["3", "2"]:
                app.screenshot("countdown.png")  # the number drawn in the middle of the screen
        watcher.wait(timeout=90)
        self.assertEqual(numbers, ["3", "2", "1"])

        self.wait_link(app, "暂停录制(F9)")
        wait_until(lambda: frame_count(self.caption(app)) >= 5, what="five frames")
        app.screenshot("recording-running.png")
        controls = app.dump()
        names = list(controls)
        groups = names[names.index("分组框1"):names.index("分组框4")]  # 1.基本设置 and 2.水印设置
        self.assertEqual([n for n in groups if controls[n]["enabled"]], [])
        self.assertTrue(controls["链接停止录制"]["enabled"])
        self.assertTrue(controls["选择框停止帧数"]["enabled"])  # the third group stays usable
        # Its check boxes switch their own controls, never those of the
        # groups the recording holds.
        for checked in (True, False):
            app.click("选择框停止帧数")
            wait_until(lambda: app.get("选择框停止帧数")["checked"] == checked, what=f"停止于帧数 {checked}")
            self.assertEqual(app.get("编辑框帧数")["enabled"], checked)
            controls = app.dump()
            self.assertEqual([n for n in groups if controls[n]["enabled"]], [])
        self.assertRegex(controls["分组框1"]["text"], r"^1\.基本设置（帧数：\d+ 时间：[\d.]+ (毫秒|秒)）$")
        folder = self.new_folder(before)
        colours = self.check_frame(read_stored_frames(folder, 1)[1])
        self.assertIn(BLOCK, colours)

        # Pause: the count stays; resume: a frame at once, the store kept.
        app.click("链接开始录制")
        self.wait_link(app, "继续录制(F9)")
        paused = frame_count(self.caption(app))
        deadline = time.monotonic() + 1.5
        while time.monotonic() < deadline:
            self.assertEqual(frame_count(self.caption(app)), paused)
        app.click("链接开始录制")
        self.wait_link(app, "暂停录制(F9)")
        wait_until(lambda: frame_count(self.caption(app)) > paused + 2, what="frames after resume")
        self.assertTrue(os.path.exists(os.path.join(folder, "1.TMP")))

        app.click("链接停止录制")
        self.wait_link(app, "开始录制(F9)")
        controls = app.dump()
        self.assertFalse(controls["链接停止录制"]["enabled"])
        self.assertTrue(controls["链接保存动画"]["enabled"])
        self.assertTrue(controls["链接预览播放"]["enabled"])
        self.assertTrue(controls["编辑框帧间隔"]["enabled"])
        self.assertFalse(controls["编辑框光标文件"]["enabled"])  # 显示鼠标 is off: its rule holds again
        count = frame_count(controls["分组框1"]["text"])
        frames = read_stored_frames(folder)
        self.assertLessEqual(len(frames), count)
        kept = [n for n, picture in frames.items() if picture is not None]
        self.assertGreater(len(kept), count // 2)  # the block moves between most frames
        for n in kept[:3] + kept[-2:]:
            self.check_frame(frames[n])

    def test_stop_link_and_f10_cancel_the_countdown(self):
        app = self.launch(settings(选择框录制倒计时="真", 倒计时值="3600"))

        def counting():
            return any(w["class"] == "MovrelCountdown" for w in app.windows())
        for stop in ("link", "F10"):
            app.click("链接开始录制")
            wait_until(counting, what="the countdown")
            if stop == "link":
                app.click("链接停止录制")
            else:
                app.focus()

                def pressed():
                    if not counting():
                        return True
                    xdotool("keydown", "F10", "sleep", "0.15", "keyup", "F10")
                    return False
                wait_until(pressed, interval=1.0, what="the countdown ended by F10")
            wait_until(lambda: not counting(), what=f"the countdown cancelled by {stop}")
            self.wait_link(app, "开始录制(F9)")
            self.assertEqual(frame_count(self.caption(app)), -1, stop)  # no recording began
            self.assertTrue(app.get("编辑框帧间隔")["enabled"], stop)

    def test_unchanged_rectangle_gives_still_frames(self):
        self.start_record_target(*AROUND, period_ms=0)
        before = temp_folders()
        app = self.launch(settings())
        app.click("链接开始录制")
        wait_until(lambda: frame_count(self.caption(app)) >= 4, what="four frames")
        caption = self.caption(app)
        self.assertTrue(caption.endswith("<静止画面>"), caption)
        folder = self.new_folder(before)
        self.assertEqual(stored_frame_numbers(folder), [1])
        app.click("链接停止录制")
        self.wait_link(app, "开始录制(F9)")

    def test_stops_at_ten_frames(self):
        self.start_record_target(*AROUND, period_ms=30)
        before = temp_folders()
        app = self.launch(settings(选择框停止帧数="真", 帧数="10"))
        app.click("链接开始录制")
        self.wait_link(app, "开始录制(F9)")
        self.assertEqual(frame_count(self.caption(app)), 10)
        folder = self.new_folder(before)
        files = stored_frame_numbers(folder)
        self.assertEqual(files[0], 1)
        self.assertLessEqual(files[-1], 10)
        self.assertFalse(app.get("链接停止录制")["enabled"])

    def test_stops_by_time(self):
        self.start_record_target(*AROUND, period_ms=30)
        app = self.launch(settings(选择框停止时间="真", 时间="1", 时间单位=1, 帧间隔=200))
        app.click("链接开始录制")
        self.wait_link(app, "开始录制(F9)")
        # The recorded time follows the real ticks: the stop comes with the
        # first frame whose capture plus one interval reaches 1 s, about the
        # fifth (a tick early or late moves it by one).
        m = re.fullmatch(r"1\.基本设置（帧数：(\d+) 时间：([\d.]+) 秒）(<静止画面>)?", self.caption(app))
        self.assertTrue(m, self.caption(app))
        self.assertIn(int(m.group(1)), (4, 5, 6))
        self.assertGreaterEqual(float(m.group(2)), 1.0)

    def test_frames_saved_as_png_and_dropped_from_the_store(self):
        self.start_record_target(*AROUND, period_ms=30)
        before = temp_folders()
        # The program folder has a letter GBK lacks (한): the frame folder
        # relative to it is still found, and so is the settings file.
        app = self.launch(settings(选择框保存帧="真", 保存路径="\\帧文件夹", 保存格式=4, 选择框自动清空帧="真",
                                   选择框停止帧数="真", 帧数="6"), folder="Movrel 한 運閉")
        app.click("链接开始录制")
        self.wait_link(app, "开始录制(F9)")
        self.assertEqual(frame_count(self.caption(app)), 6)
        frames = sorted(glob.glob(os.path.join(app.folder, "帧文件夹", "*.PNG")))
        self.assertGreaterEqual(len(frames), 3)
        for path in frames:
            self.assertRegex(os.path.basename(path), r"^\d{4}-\d\d-\d\d \d\d-\d\d-\d\d(\(\d+\))?\.PNG$")
            with Image.open(path) as image:
                self.assertEqual(image.format, "PNG")
                self.check_frame(image)
        self.assertEqual(stored_frame_numbers(self.new_folder(before)), [])
        controls = app.dump()
        self.assertFalse(controls["链接保存动画"]["enabled"])
        self.assertFalse(controls["链接预览播放"]["enabled"])

    def test_fresh_start_deletes_the_previous_folder_without_following_links(self):
        self.start_record_target(*AROUND, period_ms=30)
        # What a killed copy leaves: a recording folder whose lock no one
        # holds, and beside it a link named like one, into a folder that
        # must survive the clean-up at start-up.
        outside = tempfile.mkdtemp(prefix="movrel-outside-")
        self.addCleanup(shutil.rmtree, outside, True)
        with open(os.path.join(outside, "precious"), "w") as f:
            f.write("keep me")
        open(os.path.join(outside, "KVGifRecord.lock"), "w").close()
        prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
        leftovers = []
        for temp in glob.glob(os.path.join(prefix, "drive_c", "users", "*", "Temp")):
            stale = os.path.join(temp, "KVGifRecord_1000000000")
            os.makedirs(os.path.join(stale, "sub"), exist_ok=True)
            for name in ("KVGifRecord.lock", "1.TMP", os.path.join("sub", "2.TMP")):
                open(os.path.join(stale, name), "w").close()
            link = os.path.join(temp, "KVGifRecord_1000000001")
            if not os.path.lexists(link):
                os.symlink(outside, link)
            self.addCleanup(lambda link=link: os.path.lexists(link) and os.unlink(link))
            leftovers.append(stale)
        before = temp_folders()
        app = self.launch(settings(选择框停止帧数="真", 帧数="3"))
        wait_until(lambda: not any(os.path.exists(f) for f in leftovers), what="the leftover folder removed")
        self.assertTrue(os.path.exists(os.path.join(outside, "precious")))
        self.assertTrue(os.path.exists(os.path.join(outside, "KVGifRecord.lock")))
        app.click("链接开始录制")
        self.wait_link(app, "开始录制(F9)")
        first = self.new_folder(before)
        os.symlink(outside, os.path.join(first, "link"))

        app.click("链接开始录制")
        self.wait_link(app, "开始录制(F9)")
        wait_until(lambda: not os.path.exists(first) or not stored_frame_numbers(first),
                   what="the previous frames deleted")
        self.assertTrue(os.path.exists(os.path.join(outside, "precious")))
        # Windows removes the link itself; Wine cannot remove a link to a
        # folder without looking through it, so there the link stays behind.
        wait_until(lambda: not os.path.exists(first) or os.listdir(first) == ["link"], what="only the link left")
        second = self.new_folder(before | {first})
        self.assertNotEqual(second, first)
        self.assertEqual(stored_frame_numbers(second)[0], 1)

        app.exit_through_tray()
        self.assertFalse(os.path.exists(second))

    def test_session_end_while_recording_saves_the_settings_and_removes_the_folder(self):
        self.start_record_target(*AROUND, period_ms=30)
        before = temp_folders()
        app = self.launch(settings())
        app.click("链接开始录制")
        self.wait_link(app, "暂停录制(F9)")
        wait_until(lambda: frame_count(self.caption(app)) >= 3, what="frames")
        folder = self.new_folder(before)
        # What the system sends the main window when the user logs off
        # (WM_ENDSESSION, ending), as the shutdown of a real session would.
        probe("send", TITLE, "22", "1", "0")
        self.assertEqual(app.wait_exit(), 0)
        self.assertFalse(os.path.exists(folder))
        with open(app.ini, "rb") as f:
            stored = f.read().decode(GBK)
        # Keys the starting file did not hold were written at the end.
        self.assertIn("选择框精简GIF=真", stored)
        self.assertIn("文字.粗细=400", stored)

    def test_frame_folder_browser(self):
        app = self.launch(settings(选择框保存帧="真"))
        app.click("按钮选择帧路径")
        title = '选择帧保存所在目录，"\\" 开头表示相对于程序目录下：'

        def browser():
            for w in app.windows():
                if w["title"] and w["title"] != "Movrel v1.0.2.1" and w["title"] != "MovrelRecordTarget":
                    texts = [c["text"] for c in app.children(w["title"])]
                    if title in texts:
                        return w["title"]
            return None
        name = wait_until(browser, what="the folder browser")
        app.screenshot("frame-folder-browser.png")
        probe("press", name, "取消")
        app.wait_gone(name)
        # Cancelled: the setting stays (the window may be busy for a moment
        # after the browser closes, so wait for it to answer).
        wait_until(lambda: app.get("编辑框保存路径")["text"] == "\\帧文件夹", what="the path kept")

    def test_right_click_opens_the_frame_folder(self):
        app = self.launch(settings(选择框保存帧="真", 保存路径="\\帧文件夹"))
        os.makedirs(os.path.join(app.folder, "帧文件夹"))
        app.mouse_click("按钮选择帧路径", button=3)
        # Wine's file manager reads no folder after "/n," (Windows does), so
        # the started command line is what is checked, from the process list
        # (where Wine keeps its arguments with the quotes taken off).
        # The file manager from the Windows folder, never one found by name.
        want = "C:\\windows\\explorer.exe /n,Z:" + app.folder.replace("/", "\\") + "\\帧文件夹"
        pid = wait_until(lambda: explorer_started(want), what=f"the file manager started as {want}")
        self.addCleanup(os.kill, pid, 9)
        wait_until(lambda: any(w["class"] == "ExplorerWClass" for w in app.windows()), what="its window")
        app.screenshot("frame-folder-opened.png")
        self.assertEqual(app.get("编辑框保存路径")["text"], "\\帧文件夹")
        app.kill()

        # A text naming a program (here the program itself) is no folder: it
        # is refused with a message and nothing starts.
        app = self.launch(settings(选择框保存帧="真", 保存路径="\\Movrel.exe"))
        app.mouse_click("按钮选择帧路径", button=3)
        app.answer_message("无法打开帧文件夹：", "确定")
        self.assertEqual(sum(w["title"] == TITLE for w in app.windows()), 1)

    def test_main_window_hides_while_recording_and_returns_at_stop(self):
        self.start_record_target(*AROUND, period_ms=30)
        app = self.launch(settings(选择框缩到托盘="真", 选择框停止帧数="真", 帧数="8"))
        app.click("链接开始录制")
        # Hidden right at the start, and back once the frame limit stops it.
        wait_until(lambda: not any(w["title"] == TITLE for w in app.windows()), what="main window hidden")
        wait_until(lambda: any(w["title"] == TITLE for w in app.windows()), what="main window back")
        self.wait_link(app, "开始录制(F9)")
        self.assertEqual(frame_count(self.caption(app)), 8)

    def test_unwritable_frames_stop_the_recording_with_one_message(self):
        self.start_record_target(*AROUND, period_ms=30)
        before = temp_folders()
        app = self.launch(settings())
        app.click("链接开始录制")
        wait_until(lambda: frame_count(self.caption(app)) >= 3, what="three frames")
        folder = self.new_folder(before)
        # Taken away in one step, so no frame is half gone, and the frames
        # written so far are kept aside to be put back before saving.
        aside = folder + ".aside"
        os.rename(folder, aside)
        self.addCleanup(shutil.rmtree, aside, True)
        app.wait_window("Kelv：")
        text = wait_until(lambda: next((t for t in app.message_texts() if "无法写入录制的帧" in t), None),
                          what="the message about the frames")
        app.screenshot("recording-unwritable-frames.png")
        lines = text.replace("\r\n", "\n").split("\n")
        self.assertEqual(lines[0], "无法写入录制的帧，录制已停止。", text)
        self.assertTrue(lines[1].startswith("文件夹：") and os.path.basename(folder) in lines[1], text)
        self.assertRegex(lines[2], r"^原因：\S", text)
        probe("press", "Kelv：", "确定")
        app.wait_gone("Kelv：")
        self.wait_link(app, "开始录制(F9)")
        wait_until(lambda: app.get("链接保存动画")["enabled"], what="saving enabled")
        self.assertFalse(any(w["title"] == "Kelv：" for w in app.windows()), "a second message")
        self.assertFalse(app.get("链接停止录制")["enabled"])
        count = frame_count(self.caption(app))
        self.assertFalse(self.caption(app).endswith("<静止画面>"), self.caption(app))
        self.assertFalse(os.path.exists(folder))
        kept = stored_frame_numbers(aside)
        self.assertLessEqual(max(kept), count)

        os.rename(aside, folder)
        out = tempfile.mkdtemp(prefix="movrel-unwritable-")
        self.addCleanup(shutil.rmtree, out, True)
        path = app.save_gif(os.path.join(out, "kept.gif"))
        with Image.open(path) as gif:
            self.assertEqual(gif.size, RECT[2:])
            self.assertGreaterEqual(gif.n_frames, 2)
            self.assertLessEqual(gif.n_frames, count)
            gif.seek(gif.n_frames - 1)
            gif.convert("RGB")

    def test_hotkeys_start_pause_resume_and_stop(self):
        self.start_record_target(*AROUND, period_ms=30)
        app = self.launch(settings())
        app.focus()

        def press_until(key, caption):
            # Held for a key press's time; pressed again only when a press
            # within the poller's half-second pause was not looked at.
            deadline = time.monotonic() + 60
            while True:
                xdotool("keydown", key, "sleep", "0.15", "keyup", key)
                try:
                    return self.wait_link(app, caption, timeout=5)
                except AssertionError:
                    if time.monotonic() > deadline:
                        raise
        press_until("F9", "暂停录制(F9)")
        wait_until(lambda: frame_count(self.caption(app)) >= 2, what="frames")
        press_until("F9", "继续录制(F9)")
        press_until("F9", "暂停录制(F9)")
        press_until("F10", "开始录制(F9)")
        self.assertTrue(app.get("链接保存动画")["enabled"])

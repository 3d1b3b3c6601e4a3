"""Saving a recording through the real UI: a test window paints a picture
that moves, holds still and changes colour inside the recorded rectangle;
the recording is saved through the real save dialog (typed with xdotool) and
copied to the clipboard. The GIFs are decoded with Pillow, ImageMagick and
gifsicle and compared with the frames the recorder captured, which are read
from the recording's temporary folder before the first save changes them."""
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import urllib.parse

from movrel_e2e import (GBK, GREEN, RED, SAVE_TITLE, SCENE_RECT, TITLE, WINE, SaveTestCase, Scene, output_probe,
                        probe, probe_lines, scene_settings, wait_until, wine_path, xdotool)
# tests/output, on the path the harness gives
from gif_checks import COMMENT


class SaveTest(SaveTestCase):
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
                                             (SCENE_RECT[2] - 24, SCENE_RECT[3] - 16, GREEN)])
        self.assertIn("KS", recording.pattern)
        self.assertEqual(recording.pattern[0], "K")

        first = os.path.join(out, "first.gif")
        self.save_through_dialog(app, first, recording)
        self.assert_gif(first, recording, 0, wait=True, plays=7)

        # Again: the dialog starts at the last path, and the
        # file is the same byte for byte.
        second = os.path.join(out, "second.gif")
        prefilled = self.save_through_dialog(app, second, recording)
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
        app = self.launch(scene_settings(**{"静态画面": 1, "帧变速": "50", "播放次数": 3, "选择框精简GIF": "假"}))
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
        self.save_through_dialog(app, path, recording, open_answer="是")
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
        # The dialog opens in the program's folder; the name alone keeps the
        # typing to plain keys.
        app.type_in_save_dialog("Movrel.ini")
        # The dialog asks before it lets an existing file be replaced.
        wait_until(lambda: probe("press", SAVE_TITLE, "是", check=False).returncode == 0, what="the overwrite question")
        app.wait_gone(SAVE_TITLE)
        app.answer_message("保存动画失败！请检查该路径是否可写：" + target, "确定")
        wait_until(lambda: app.get("链接保存动画")["text"] == "保存动画", what="the caption back")
        with open(app.ini, "rb") as f:
            self.assertTrue(f.read().startswith("[主界面]".encode(GBK)))

        # A size limit that is no number is refused before the save dialog.
        app.type_into("编辑框大小上限", "-1")
        app.click("链接保存动画")
        app.answer_message("“大小上限”必须是不小于0的数", "确定")
        self.assertFalse(any(w["title"] == SAVE_TITLE for w in app.windows()))
        # A limit no GIF of the recording keeps: the old file stays, and
        # neither a save nor a copy writes anything.
        app.type_into("编辑框大小上限", "0.0001")
        out = tempfile.mkdtemp(prefix="movrel-save-")
        self.addCleanup(shutil.rmtree, out, True)
        old = os.path.join(out, "old.gif")
        with open(old, "wb") as f:
            f.write(b"the file before")
        app.click("链接保存动画")
        app.wait_window(SAVE_TITLE)
        app.type_in_save_dialog(wine_path(old))
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

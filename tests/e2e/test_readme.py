"""The README's pictures, made by a real run: Movrel records Notepad while
xdotool clicks and types into it, the still ends are trimmed in the
preview, and the GIF is saved within 300 KB; beside it, a picture of the
main window. scripts/readme_media.sh runs this module with
MOVREL_README_MEDIA set to docs/, so the README never shows an older
program; in the test suite the pictures go to the artifacts folder and are
checked."""
import os
import subprocess

from PIL import Image

from movrel_e2e import (ARTIFACTS, OVERLAY, TITLE, WINE, MovrelTestCase, grab_screen, output_probe, pointer_window,
                        preview_state, probe, probe_lines, settings_file, wait_more_frames, wait_until,
                        xdotool)

MEDIA = os.environ.get("MOVREL_README_MEDIA", ARTIFACTS)
NOTEPAD = (660, 60, 560, 400)  # left, top, width, height
RECORDED = (670, 100, 520, 330)  # inside Notepad's text area
LIMIT_BYTES = 300 * 1024


class ReadmeMediaTest(MovrelTestCase):
    def setUp(self):
        devnull = subprocess.DEVNULL
        # A session whose first program has no output to keep open.
        subprocess.run([WINE, "cmd", "/c", "exit"], stdin=devnull, stdout=devnull, stderr=devnull, timeout=300)
        self.notepad = subprocess.Popen([WINE, "notepad"], stdin=devnull, stdout=devnull, stderr=devnull)
        self.addCleanup(self.close_notepad)
        wait_until(lambda: any(w["class"] == "Notepad" for w in probe_lines("windows")), what="Notepad")
        probe("move", "Notepad", *map(str, NOTEPAD))
        wait_until(lambda: any(w["class"] == "Notepad" and w["rect"][:2] == list(NOTEPAD[:2])
                               for w in probe_lines("windows")), what="Notepad in its place")

    def close_notepad(self):
        if self.notepad.poll() is None:
            self.notepad.kill()
            self.notepad.wait(timeout=30)

    def select(self, app, start, end):
        """The rectangle as a person marks it: the button, a drag on the
        frozen overlay, Enter."""
        left, top, right, bottom = app.get("超级按钮矩形")["rect"]
        app.focus()
        xdotool("mousemove", "--sync", (left + right) // 2, (top + bottom) // 2)
        xdotool("click", "1")
        wait_until(lambda: any(w["class"] == OVERLAY for w in app.windows()), what="the selection overlay")
        xdotool("mousemove", "--sync", *start)
        xdotool("windowfocus", "--sync", pointer_window())
        xdotool("mousedown", "1")
        xdotool("mousemove", "--sync", (start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
        xdotool("mousemove", "--sync", *end)
        xdotool("mouseup", "1")
        xdotool("key", "Return")
        wait_until(lambda: not any(w["class"] == OVERLAY for w in app.windows()), what="the overlay to close")

    def test_a_recording_of_clicks_and_keys_and_the_main_window(self):
        os.makedirs(MEDIA, exist_ok=True)
        app = self.launch(settings_file({
            "选择框显示鼠标": "真", "帧间隔": 100, "间隔单位": 0, "选择框录制倒计时": "假", "选择框缩到托盘": "假",
            "选择框显示鼠标点击": "真", "选择框显示按键": "真", "大小上限": "0.29",
        }))
        x, y, w, h = RECORDED
        self.select(app, (x, y), (x + w - 1, y + h - 1))
        app.wait_edits([str(x), str(y), str(w), str(h)])
        # The main window with the options ticked and the sample frame of
        # the rectangle just marked.
        wait_until(lambda: "单帧大小" in app.get("分组框1")["text"], what="the sample frame")
        wait_until(lambda: not any(win["class"] == OVERLAY for win in app.windows()), what="the overlay gone")
        main = next(win for win in app.windows() if win["title"] == TITLE)
        left, top, right, bottom = main["rect"]
        grab_screen().crop((left, top, right, bottom)).save(os.path.join(MEDIA, "main-window.png"), optimize=True)

        app.click("链接开始录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="the recording")
        wait_more_frames(app, 8)  # the still start that the trim takes off
        xdotool("mousemove", "--sync", x + 60, y + 40)
        xdotool("click", "1")
        xdotool("type", "--delay", "90", "Hello, Movrel!")
        xdotool("key", "Return")
        wait_more_frames(app, 5)
        xdotool("type", "--delay", "90", "Clicks and keys show up.")
        wait_more_frames(app, 12)
        xdotool("key", "ctrl+a")
        wait_more_frames(app, 8)
        xdotool("mousemove", "--sync", x + 300, y + 160)
        xdotool("click", "3")
        wait_more_frames(app, 10)
        xdotool("key", "Escape")
        wait_more_frames(app, 20)  # the still end
        app.click("链接停止录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "开始录制(F9)", what="the recording's end")

        # The preview trims the still ends in one step.
        app.click("链接预览播放")
        window = wait_until(preview_state, what="the preview")
        total = int(window[0]["title"].split("总 ")[1].split(" ")[0])
        output_probe("preview-click", "按钮裁掉首尾")
        wait_until(lambda: int(preview_state()[0]["title"].split("总 ")[1].split(" ")[0]) < total,
                   what="the trim")
        output_probe("preview-click", "按钮退出")
        wait_until(lambda: preview_state() is None, what="the preview to close")

        gif = os.path.join(MEDIA, "movrel-demo.gif")
        if os.path.exists(gif):
            os.remove(gif)  # the save dialog would ask before replacing it
        app.save_gif(gif)
        self.assertLessEqual(os.path.getsize(gif), LIMIT_BYTES)
        with Image.open(gif) as image:
            self.assertEqual(image.size, (w, h))
            self.assertGreater(image.n_frames, 10)
            # The ring of the first click, around its point; the trim may
            # have kept it only once it had begun to fade over the white.
            rings = 0
            for n in range(image.n_frames):
                image.seek(n)
                around = image.convert("RGB").crop((60 - 20, 40 - 20, 60 + 20, 40 + 20))
                rings += sum(1 for r, g, b in around.getdata() if r > 230 and 190 <= g <= 240 and b < 150) > 20
            self.assertGreater(rings, 0, "no click ring in the demo")

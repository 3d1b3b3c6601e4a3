"""The preview window through the real UI: after a recording of the test
window (a moving block, a still period, a colour change) is saved, the
preview must show on its canvas the same pictures as the GIF's composited
frames (screenshots against the frames Pillow decodes), keep its own speed
change and hand it back to the main window on closing, toggle full screen,
show and hide its control bar by the mouse, show the size a save would
have (with a size limit too, which the save then keeps), open maximised
when the recording is larger than the screen, and hand its settings back
when the program ends with it open. Cut in the preview (start, end, dropped frames,
undo) by mouse and keys, the saved GIF holds exactly the kept frames; with
the still ends trimmed at once it holds the changing frames, as the same
cut made by hand."""
import io
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from PIL import Image, ImageChops

from movrel_e2e import (ARTIFACTS, GREEN, RED, SCENE_RECT, SaveTestCase, Scene, frame_count, output_probe,
                        preview_state, scene_settings, wait_until, xdotool)
# tests/output, on the path the harness gives
from gif_checks import all_problems, composites, gif_delays, recorded_time_problems

CAPTION = re.compile(r"总 (\d+) 帧，当前播放第 (\d+) 帧(（静止画面）)?")
UNITS = ["毫", "秒", "分", "时"]
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


def wait_for_bounds(want, what):
    seen = []

    def there():
        seen.append(preview_state()[0]["rect"])
        return seen[-1] == want
    try:
        wait_until(there, timeout=20, what=what)
    except AssertionError:
        raise AssertionError(f"{what}: the window stays at {seen[-1]}, not {want}") from None


def screen_size():
    out = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    w, h = re.search(r"dimensions:\s+(\d+)x(\d+)", out).groups()
    return int(w), int(h)


def screen_picture(rect):
    left, top, right, bottom = rect
    png = subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                          "png:-"], capture_output=True, check=True, timeout=60).stdout
    return Image.open(io.BytesIO(png)).convert("RGB")


def quantised(picture):
    return picture.point(lambda v: v & 0xF0)


COUNTED_AT = (60, 40)  # the numbered block's corner in the recording


def picture_number(picture):
    """The number a counting scene's picture shows (see save_target)."""
    r, g, b = picture.getpixel((COUNTED_AT[0] + 12, COUNTED_AT[1] + 8))
    return (r >> 4) | (g >> 4) << 4 | ((b >> 4) - 8) << 8


class PreviewTest(SaveTestCase):
    def open_preview(self, app):
        app.click("链接预览播放")

        def shown():
            state = preview_state()
            return state if state and state[0]["visible"] else None
        # The window exists a moment before it is shown.
        return wait_until(shown, what="the preview window shown")

    def assert_estimate(self, path, what):
        """The estimate the open preview settles on is the size of the file
        at `path`, within a tenth; returns the label's text."""
        text = wait_until(lambda: (lambda t: t if t.startswith("预计大小 ≈") else None)(
            preview_state()[1]["标签预计大小"]["text"]), what=f"the size estimate ({what})")
        estimate, rounding = shown_size(text)
        size = os.path.getsize(path)
        self.assertLessEqual(abs(estimate - size), size * 0.1 + rounding, f"{what}: {text} for {size} bytes")
        return text

    def close_preview(self):
        output_probe("preview-click", "按钮退出")
        wait_until(lambda: preview_state() is None, what="the preview closed")

    def assert_canvas_shows(self, expected, what):
        def shown():
            _, controls = preview_state()
            return not ImageChops.difference(quantised(screen_picture(controls["画板"]["rect"])),
                                             quantised(expected)).getbbox()
        try:
            wait_until(shown, timeout=20, what=what)
        except AssertionError:
            _, controls = preview_state()
            os.makedirs(ARTIFACTS, exist_ok=True)
            screen_picture(controls["画板"]["rect"]).save(os.path.join(ARTIFACTS, "preview_canvas_failed.png"))
            expected.save(os.path.join(ARTIFACTS, "preview_canvas_expected.png"))
            raise

    def test_preview_shows_the_gif_and_hands_back_its_speed_change(self):
        app = self.launch()
        scene = Scene(self)
        out = tempfile.mkdtemp(prefix="movrel-preview-")
        self.addCleanup(shutil.rmtree, out, True)
        recording = self.record(app, scene, [(60, 30, RED), None, (60, 30, GREEN), (SCENE_RECT[2] - 24, SCENE_RECT[3] - 16, GREEN),
                                             (20, 70, RED)])
        scene.close()  # nothing may cover the preview's canvas on the screen
        first = os.path.join(out, "first.gif")
        self.save_through_dialog(app, first, recording)
        gif_frames = composites(first)
        count = frame_count(app)

        window, controls = self.open_preview(app)
        # The same settings: the estimate is the file just saved.
        self.assert_estimate(first, "the settings of the first save")
        m = CAPTION.fullmatch(window["title"])
        self.assertTrue(m, window["title"])
        self.assertEqual(int(m.group(1)), count)
        self.assertTrue(window["owner_is_main"])
        self.assertFalse(window["maximized"])
        self.assertEqual(controls["标签每帧变速"]["text"], "每帧变速：")
        self.assertEqual(controls["标签静态画面"]["text"], "静止画面：")
        self.assertEqual(controls["按钮播放"]["text"], "播放\\暂停")
        self.assertEqual(controls["组合框静态画面"]["items"], ["时间等待", "直接跳过"])
        self.assertEqual(controls["组合框静态画面"]["selected"], 0)
        self.assertEqual(controls["组合框变速单位"]["items"], UNITS)
        self.assertEqual(controls["编辑框每帧变速"]["text"], "0")
        self.assertEqual((controls["滑块条"]["minimum"], controls["滑块条"]["maximum"]), (1, count))
        # Opening states: playing, looping, the bar not pinned.
        self.assertEqual([controls[n]["on"] for n in ("按钮播放", "按钮循环", "按钮钉住", "按钮全屏")],
                         [True, True, False, False])
        l, t, r, b = controls["画板"]["rect"]
        self.assertEqual((r - l, b - t), (SCENE_RECT[2], SCENE_RECT[3]))
        # The bar lies below the canvas.
        self.assertGreaterEqual(controls["外形框"]["rect"][1], b)

        # Playing: the caption runs through the frames and marks the still ones.
        wait_until(lambda: "（静止画面）" in preview_state()[0]["title"], timeout=60, interval=0.05,
                   what="a still frame in the caption")

        # Paused, the slider shows each group's picture as the GIF composes it,
        # forwards and then backwards over cropped frames.
        output_probe("preview-click", "按钮播放")
        wait_until(lambda: not preview_state()[1]["按钮播放"]["on"], what="paused")
        firsts = [i for i, kind in enumerate(recording.pattern, start=1) if kind == "K"]
        self.assertEqual(len(firsts), len(gif_frames))
        order = list(range(len(firsts))) + list(range(len(firsts) - 2, -1, -2))
        for k in order:
            output_probe("preview-slide", firsts[k])
            self.assert_canvas_shows(gif_frames[k], f"GIF frame {k} (stored frame {firsts[k]}) on the canvas")
        # A picture for a person: the bar shown under the mouse.
        bar = preview_state()[1]["外形框"]["rect"]
        xdotool("mousemove", "--sync", bar[0] + 300, bar[1] + 8)
        wait_until(lambda: preview_state()[1]["外形框"]["visible"], what="the bar under the mouse")
        app.screenshot("preview.png")

        # The preview's own speed change, typed, goes back to the main window.
        edit = preview_state()[1]["编辑框每帧变速"]["rect"]
        xdotool("mousemove", "--sync", (edit[0] + edit[2]) // 2, (edit[1] + edit[3]) // 2)
        xdotool("click", 1)
        app.key("ctrl+a")
        app.key("minus")  # xdotool would read "-100" as an option
        app.type_text("100")
        wait_until(lambda: preview_state()[1]["编辑框每帧变速"]["text"] == "-100", what="the speed change typed")
        output_probe("preview-select", "组合框变速单位", "0")
        self.close_preview()
        wait_until(lambda: app.get("编辑框每帧变速")["text"] == "-100", what="the speed change handed back")
        second = os.path.join(out, "second.gif")
        self.save_through_dialog(app, second, recording)
        self.assertEqual(all_problems(second, recording.pattern, recording.frames, 0, out, compact=True) +
                         recorded_time_problems(second, recording.pattern, recording.recorded_ms, -100, True), [])

        # A size limit below the lossless file: the estimate is of the file
        # reduced to fit.
        limit = f"{os.path.getsize(second) / 2 / 1048576:.6f}"
        app.type_into("编辑框大小上限", limit)

        # Full screen covers the screen and goes back to the same bounds.
        window, controls = self.open_preview(app)
        self.assertEqual(controls["编辑框每帧变速"]["text"], "-100")
        # The bounds once the new window has settled (two reads agree).
        reads = [window["rect"]]
        before = wait_until(lambda: reads.append(preview_state()[0]["rect"]) or (reads[-1] == reads[-2] and reads[-1]),
                            what="the preview settled")
        output_probe("preview-click", "按钮全屏")
        width, height = screen_size()
        wait_for_bounds([0, 0, width, height], "full screen")
        window, controls = preview_state()
        self.assertFalse(window["caption"])
        self.assertTrue(controls["按钮全屏"]["on"])
        output_probe("preview-click", "按钮全屏")
        wait_for_bounds(before, "the bounds before full screen")
        self.assertTrue(preview_state()[0]["caption"])

        # The control bar follows the mouse unless it is pinned.
        canvas = preview_state()[1]["画板"]["rect"]
        xdotool("mousemove", "--sync", canvas[0] + 20, canvas[1] + 10)
        wait_until(lambda: not preview_state()[1]["外形框"]["visible"], what="the bar hidden")
        bar = preview_state()[1]["外形框"]["rect"]
        xdotool("mousemove", "--sync", bar[0] + 200, bar[1] + 10)
        wait_until(lambda: preview_state()[1]["外形框"]["visible"], what="the bar shown")
        output_probe("preview-click", "按钮钉住")
        wait_until(lambda: preview_state()[1]["按钮钉住"]["on"], what="pinned")
        xdotool("mousemove", "--sync", canvas[0] + 20, canvas[1] + 10)
        xdotool("mousemove", "--sync", canvas[0] + 30, canvas[1] + 12)
        self.assertTrue(preview_state()[1]["外形框"]["visible"])
        estimated = wait_until(lambda: (lambda t: t if "已压缩" in t else None)(
            preview_state()[1]["标签预计大小"]["text"]), what="the estimate within the limit")
        self.close_preview()

        # The save keeps the limit and says what it took, in its message and
        # in the save link's caption meanwhile.
        fitted = os.path.join(out, "fitted.gif")
        said = []
        self.save_through_dialog(app, fitted, recording, while_asked=lambda texts: said.extend(
            texts + [app.get("链接保存动画")["text"]]))
        self.assertTrue(said[0].startswith("已保存到GIF文件：") and "\r\n已压缩到 " in said[0], said)
        self.assertTrue(said[-1].startswith("已压缩到 "), said)
        self.assertLessEqual(os.path.getsize(fitted), int(float(limit) * 1048576))
        with Image.open(fitted) as gif:
            for n in range(gif.n_frames):
                gif.seek(n)
                gif.convert("RGB").load()
        self.assertLessEqual(abs(shown_size(estimated)[0] - os.path.getsize(fitted)),
                             os.path.getsize(fitted) * 0.1 + shown_size(estimated)[1], estimated)

    # -- the cut
    def caption(self):
        m = CAPTION.fullmatch(preview_state()[0]["title"])
        return (int(m.group(1)), int(m.group(2))) if m else None

    def wait_caption(self, total, index, what):
        """`index` None: any frame shown."""
        def there():
            shown = self.caption()
            return shown is not None and shown[0] == total and index in (None, shown[1])
        wait_until(there, what=f"{what}: 总 {total} 帧，第 {index} 帧")

    def mouse_on(self, name):
        """A real click on a button of the preview."""
        l, t, r, b = preview_state()[1][name]["rect"]
        xdotool("mousemove", "--sync", (l + r) // 2, (t + b) // 2)
        xdotool("click", 1)

    def open_for_cutting(self, app, total):
        """Opens the preview, pins its bar by a click (which gives the window
        the keys) and pauses it."""
        self.open_preview(app)
        self.mouse_on("按钮钉住")
        wait_until(lambda: preview_state()[1]["按钮钉住"]["on"], what="pinned")
        output_probe("preview-click", "按钮播放")
        wait_until(lambda: not preview_state()[1]["按钮播放"]["on"], what="paused")
        self.assertEqual(self.caption()[0], total)

    def wait_kept(self, first, last, what):
        """The slider marks store frames first..last as kept and the caption
        counts them (no frame dropped)."""
        def there():
            window, controls = preview_state()
            m = CAPTION.fullmatch(window["title"])
            return (m is not None and int(m.group(1)) == last - first + 1 and
                    controls["滑块条"]["selection"] == [first, last])
        wait_until(there, what=f"{what}: frames {first}..{last} kept")

    def undo_all(self, app, count, keys):
        """Undoes every step, `keys` of them by Ctrl+Z and the rest by 撤销."""
        for _ in range(keys):
            app.key("ctrl+z")
        for _ in range(keys, count):
            wait_until(lambda: preview_state()[1]["按钮撤销"]["enabled"], what="撤销 enabled")
            before = self.caption()[0]
            self.mouse_on("按钮撤销")
            wait_until(lambda: self.caption()[0] > before, what="a step undone")
        wait_until(lambda: not preview_state()[1]["按钮撤销"]["enabled"], what="nothing left to undo")

    def assert_kept(self, path, recording, kept, full=None):
        """The GIF shows the captured picture of each kept frame, in order,
        and lasts as long as those frames did: the delays of the whole
        recording's GIF `full` over the kept frames, each run of them
        rounded once."""
        numbers = {n: picture_number(recording.frames[n]) for n in kept}
        shown = composites(path)
        self.assertEqual([picture_number(p) for p in shown], [numbers[n] for n in kept], path)
        for n, picture in zip(kept, shown):
            self.assertIsNone(ImageChops.difference(picture, recording.frames[n]).getbbox(), f"{path}: frame {n}")
        if full is not None:
            runs = 1 + sum(1 for a, b in zip(kept, kept[1:]) if b != a + 1)
            kept_cs = sum(full[n - 1] for n in kept)
            self.assertLessEqual(abs(sum(gif_delays(path)) - kept_cs), runs + 1, (gif_delays(path), full))

    def test_cut_by_mouse_and_keys_saves_the_kept_frames_and_undo_brings_all_back(self):
        app = self.launch()
        scene = Scene(self)
        out = tempfile.mkdtemp(prefix="movrel-cut-")
        self.addCleanup(shutil.rmtree, out, True)
        scene.count(*COUNTED_AT)
        recording = self.record(app, scene, [None], still_ticks=14)
        scene.close()  # nothing may cover the preview's bar
        n = len(recording.pattern)
        # Each capture saw a number of its own.
        self.assertNotIn("S", recording.pattern)
        self.assertEqual(len({picture_number(p) for p in recording.frames.values()}), n)

        # Before the first save: the start and the end by the mouse, a frame
        # in the middle by 删除本帧 and another by Delete.
        self.open_for_cutting(app, n)
        controls = preview_state()[1]
        self.assertFalse(controls["按钮撤销"]["enabled"])
        self.assertFalse(controls["按钮裁掉首尾"]["enabled"])  # every frame changed: no still ends
        app.key("Home", "Right", "Right")
        self.wait_caption(n, 3, "two frames on")
        self.mouse_on("按钮设为起点")
        self.wait_caption(n - 2, 1, "the start set")
        app.key("End", "Left")
        self.wait_caption(n - 2, n - 3, "one before the end")
        self.mouse_on("按钮设为终点")
        self.wait_caption(n - 3, n - 3, "the end set")
        app.key("Home", "Right", "Right", "Right")
        self.wait_caption(n - 3, 4, "frame 6")
        self.mouse_on("按钮删除本帧")
        self.wait_caption(n - 4, 4, "frame 6 dropped, frame 7 shown")
        app.key("Right", "Delete")
        self.wait_caption(n - 5, 5, "frame 8 dropped, frame 9 shown")
        self.assertTrue(preview_state()[1]["按钮撤销"]["enabled"])
        app.screenshot("preview_cut.png")
        self.close_preview()
        cut = os.path.join(out, "cut.gif")
        self.save_through_dialog(app, cut, recording)
        kept = [3, 4, 5, 7] + list(range(9, n))
        self.assert_kept(cut, recording, kept)

        # The cut outlives the window; undone, every frame is saved again.
        self.open_for_cutting(app, n - 5)
        self.undo_all(app, 4, keys=1)
        self.wait_caption(n, None, "all frames back")
        self.close_preview()
        whole = os.path.join(out, "whole.gif")
        self.save_through_dialog(app, whole, recording)
        self.assert_kept(whole, recording, list(range(1, n + 1)))
        self.assertEqual(recorded_time_problems(whole, recording.pattern, recording.recorded_ms, 0, True), [])
        full = gif_delays(whole)
        self.assert_kept(cut, recording, kept, full)

        # After the first save (the stored frames are now crops): the start
        # by "[", a drop by the mouse, the last frame by Delete, the end by "]".
        self.open_for_cutting(app, n)
        app.key("Home", "Right", "bracketleft")
        self.wait_caption(n - 1, 1, "the start set by [")
        app.key("Right", "Right")
        self.wait_caption(n - 1, 3, "frame 4")
        self.mouse_on("按钮删除本帧")
        self.wait_caption(n - 2, 3, "frame 4 dropped")
        app.key("End", "Delete")
        self.wait_caption(n - 3, n - 3, "the last frame dropped, the one before shown")
        app.key("Left", "bracketright")
        self.wait_caption(n - 4, n - 4, "the end set by ]")
        self.close_preview()
        cut2 = os.path.join(out, "cut2.gif")
        self.save_through_dialog(app, cut2, recording)
        self.assert_kept(cut2, recording, [2, 3] + list(range(5, n - 1)), full)

        self.open_for_cutting(app, n - 4)
        self.undo_all(app, 4, keys=4)
        self.assertEqual(self.caption()[0], n)
        self.close_preview()
        whole2 = os.path.join(out, "whole2.gif")
        self.save_through_dialog(app, whole2, recording)
        with open(whole, "rb") as a, open(whole2, "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_trim_keeps_the_changing_frames_as_a_cut_by_hand_would(self):
        app = self.launch()
        scene = Scene(self)
        out = tempfile.mkdtemp(prefix="movrel-trim-")
        self.addCleanup(shutil.rmtree, out, True)
        # Still for a while after the start and before the stop.
        recording = self.record(app, scene, [None, (50, 30, GREEN), (90, 50, RED), (130, 70, GREEN), None])
        scene.close()  # nothing may cover the preview's bar
        pattern, n = recording.pattern, len(recording.pattern)
        changes = [i for i, kind in enumerate(pattern, start=1) if i >= 2 and kind == "K"]
        first, last = changes[0] - 1, changes[-1]
        self.assertTrue(first > 1 and last < n, f"no still ends in {pattern}")

        self.open_for_cutting(app, n)
        self.assertTrue(preview_state()[1]["按钮裁掉首尾"]["enabled"])
        app.key("t")
        self.wait_kept(first, last, "trimmed by T")
        controls = preview_state()[1]
        self.assertFalse(controls["按钮裁掉首尾"]["enabled"])
        self.assertTrue(controls["按钮撤销"]["enabled"])
        app.key("ctrl+z")
        self.wait_kept(1, n, "one undo")
        self.assertFalse(preview_state()[1]["按钮撤销"]["enabled"])
        self.mouse_on("按钮裁掉首尾")
        self.wait_kept(first, last, "trimmed by 裁掉首尾")
        self.close_preview()
        trimmed = os.path.join(out, "trimmed.gif")
        self.save_through_dialog(app, trimmed, recording)

        # The same cut by hand, after which nothing is left to trim.
        self.open_for_cutting(app, last - first + 1)
        app.key("ctrl+z")
        self.wait_kept(1, n, "undone")
        # A slider move leaves the caption while paused; the click after it
        # comes to the window after the move.
        output_probe("preview-slide", first)
        output_probe("preview-click", "按钮设为起点")
        self.wait_kept(first, n, "the start set")
        output_probe("preview-slide", last)
        output_probe("preview-click", "按钮设为终点")
        self.wait_kept(first, last, "the end set")
        self.assertFalse(preview_state()[1]["按钮裁掉首尾"]["enabled"])
        self.close_preview()
        by_hand = os.path.join(out, "by_hand.gif")
        self.save_through_dialog(app, by_hand, recording)

        # The first frame shows the picture before the first change, then
        # each change in turn; every frame lasts as long as in the cut by hand.
        before = recording.frames[max(k for k in recording.frames if k <= first)]
        expected = [before] + [recording.frames[k] for k in changes]
        shown = composites(trimmed)
        self.assertEqual(len(shown), len(expected), pattern)
        for k, (picture, want) in enumerate(zip(shown, expected)):
            self.assertIsNone(ImageChops.difference(picture, want).getbbox(), f"frame {k} of {pattern}")
        self.assertEqual([p.tobytes() for p in composites(by_hand)], [p.tobytes() for p in shown])
        self.assertEqual(gif_delays(trimmed), gif_delays(by_hand))

    def test_recording_larger_than_the_screen_opens_maximised(self):
        width, height = screen_size()
        # Frames as wide as the screen: with its borders the window cannot fit.
        app = self.launch(scene_settings(**{"矩形.左边": 0, "矩形.顶边": 0, "矩形.右边": width, "矩形.底边": height - 24}))
        scene = Scene(self)
        self.record(app, scene, [(40, 40, GREEN)])
        window, controls = self.open_preview(app)
        self.assertTrue(window["maximized"], window)
        l, t, r, b = controls["画板"]["rect"]
        self.assertEqual((r - l, b - t), (width, height - 24))
        # A fresh start empties the store the preview plays: it closes first.
        app.click("链接开始录制")
        wait_until(lambda: preview_state() is None, what="the preview closed by a fresh start")
        wait_until(lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="recording")
        app.click("链接停止录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "开始录制(F9)", what="stopped")
        # The program ends with the preview open: its settings still go back
        # to the main window and into Movrel.ini.
        self.open_preview(app)
        output_probe("preview-select", "组合框静态画面", "1")
        wait_until(lambda: preview_state()[1]["组合框静态画面"]["selected"] == 1, what="直接跳过 chosen")
        self.assertEqual(app.exit_through_tray(), 0)
        with open(app.ini, "rb") as f:
            self.assertIn("静态画面=1", f.read().decode("gbk"))


if __name__ == "__main__":
    unittest.main()

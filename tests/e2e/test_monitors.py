"""A desktop of two monitors: Xorg's dummy driver with a 1920x1080 primary
and a 1280x1024 monitor to its left (negative x), which Wine sees through
Xinerama. The test script starts that server and a Wine prefix for it; these
tests run the real Movrel.exe there, drive it with xdotool and read the
recordings back with Pillow."""
import os
import shutil
import subprocess
import tempfile
import unittest

from PIL import Image

from movrel_e2e import (OVERLAY, TITLE, MovrelTestCase, grab_screen, pointer_window, preview_state, probe_lines,
                        read_stored_frames, settings_file, temp_folders, wait_until, xdotool)

FIELD = (20, 40, 90)      # the test window's background
BLOCK = (250, 220, 0)     # its moving block, 20x20 at 10 px from its top
PRIMARY = [0, 0, 1920, 1080]
SECOND = [-1280, 0, 0, 1024]


def setUpModule():
    display = os.environ.get("MOVREL_TWO_MONITOR_DISPLAY")
    prefix = os.environ.get("MOVREL_TWO_MONITOR_PREFIX")
    if not display or not prefix:
        raise RuntimeError("no two-monitor display: run these tests through scripts/test.sh, which starts it")
    os.environ["DISPLAY"] = display
    os.environ["WINEPREFIX"] = prefix


def settings(**extra):
    values = {
        "选择框录制区域": "真", "选择框显示鼠标": "假", "帧间隔": 100, "间隔单位": 0,
        "选择框录制倒计时": "假", "选择框缩到托盘": "假", "选择框停止帧数": "真", "帧数": 5,
    }
    values.update(extra)
    return settings_file(values)


def rectangle(left, top, width, height):
    return {"矩形.左边": left, "矩形.顶边": top, "矩形.右边": width, "矩形.底边": height}


class TwoMonitorTest(MovrelTestCase):
    @classmethod
    def setUpClass(cls):
        lines = probe_lines("monitors")
        cls.virtual = lines[0]["virtual"]
        monitors = {tuple(m["monitor"]): m["primary"] for m in lines[1:]}
        # What the rest relies on: the server's two heads as Wine shows them.
        assert monitors == {tuple(PRIMARY): True, tuple(SECOND): False}, lines
        assert cls.virtual == [-1280, 0, 3200, 1080], lines

    def to_x(self, x, y):
        """X's root window starts at the virtual screen's top left."""
        return x - self.virtual[0], y - self.virtual[1]

    def move(self, x, y):
        xdotool("mousemove", "--sync", *self.to_x(x, y))

    def drag(self, start, end):
        self.move(*start)
        xdotool("mousedown", 1)
        self.move((start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
        self.move(*end)
        xdotool("mouseup", 1)

    def click_control(self, app, name):
        """A click in the middle of a main-window control, as a person would."""
        left, top, right, bottom = app.get(name)["rect"]
        self.move((left + right) // 2, (top + bottom) // 2)
        xdotool("click", 1)

    def overlays(self, app):
        return [w for w in app.windows() if w["class"] == OVERLAY]

    def select(self, app, start, end):
        """Opens the overlay with the rectangle button, drags from `start` to
        `end` (desktop coordinates) and accepts with Enter. Returns the
        overlay's window and the screen grabbed while it was open."""
        app.focus()
        self.click_control(app, "超级按钮矩形")
        overlay = wait_until(lambda: self.overlays(app), what="the selection overlay")[0]
        self.move(*start)
        # Without a window manager X may keep the keys on the window that
        # had them: the focus goes to the overlay under the pointer.
        xdotool("windowfocus", "--sync", pointer_window())
        screen = grab_screen()
        self.drag(start, end)
        xdotool("key", "Return")
        wait_until(lambda: not self.overlays(app), what="the overlay to close")
        return overlay, screen

    def record(self, app):
        """Records until the frame limit stops it; returns the whole pictures
        of the store's kept frames in order."""
        before = temp_folders()
        app.click("链接开始录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="the recording")
        wait_until(lambda: app.get("链接开始录制")["text"] == "开始录制(F9)", what="the recording's end")
        folder = wait_until(lambda: sorted(temp_folders() - before), what="the recording's folder")[0]
        return [picture for picture in read_stored_frames(folder).values() if picture is not None]

    def save(self, app):
        out = tempfile.mkdtemp(prefix="movrel-monitors-")
        self.addCleanup(shutil.rmtree, out, True)
        return app.save_gif(os.path.join(out, "左边.gif"))

    def test_overlay_covers_both_monitors_and_a_rectangle_on_the_left_one_records_its_picture(self):
        # The test window on the left monitor; the rectangle 10 px inside it.
        self.start_record_target(-1000, 300, 200, 140)
        app = self.launch(settings())
        # A corner dragged into the part of the desktop's box that no monitor
        # shows (below the shorter left monitor) stops at that monitor's edge.
        overlay, screen = self.select(app, (-1100, 1000), (-1050, 1070))
        self.assertEqual(overlay["rect"], [-1280, 0, 1920, 1080])
        self.assertEqual(screen.size, (3200, 1080))
        gap = screen.getpixel(self.to_x(-1200, 1060))
        self.assertLessEqual(max(gap), 40, f"the gap is shown as {gap}")
        app.wait_edits(["-1100", "1000", "51", "24"])

        self.select(app, (-990, 310), (-811, 429))
        app.wait_edits(["-990", "310", "180", "120"])
        self.assertEqual(len(self.record(app)), 5)  # the block moves at every tick
        with Image.open(self.save(app)) as gif:
            self.assertEqual(gif.size, (180, 120))
            self.assertEqual(gif.n_frames, 5)
            for n in range(gif.n_frames):
                gif.seek(n)
                rgb = gif.convert("RGB")
                colours = {c for _, c in rgb.getcolors(180 * 120)}
                self.assertEqual(colours, {FIELD, BLOCK}, f"frame {n}")
                # The block lies in the top 20 rows, the field below it.
                self.assertEqual(rgb.crop((0, 20, 180, 120)).getcolors(), [(180 * 100, FIELD)], f"frame {n}")
                box = Image.new("L", rgb.size)
                box.putdata([255 if p == BLOCK else 0 for p in rgb.getdata()])
                left, top, right, bottom = box.getbbox()
                self.assertEqual((top, bottom), (0, 20), f"frame {n}")
                if 0 < left and right < 180:  # whole where it does not reach out of the rectangle
                    self.assertEqual(right - left, 20, f"frame {n}")

    def test_a_rectangle_across_both_monitors_and_the_gap_records_the_gap_black(self):
        # The window straddles the monitors' border; the rectangle too, and
        # reaches below the left monitor into the gap.
        self.start_record_target(-120, 960, 240, 120)
        app = self.launch(settings(**rectangle(-100, 980, 200, 90)))
        self.assertEqual(app.edits(), ["-100", "980", "200", "90"])
        frames = self.record(app)
        self.assertTrue(frames)
        rgb = frames[0]
        self.assertEqual(rgb.size, (200, 90))
        self.assertEqual(rgb.getpixel((10, 80)), (0, 0, 0))   # (-90, 1060): no monitor
        self.assertEqual(rgb.getpixel((10, 30)), FIELD)       # (-90, 1010): the left monitor
        self.assertEqual(rgb.getpixel((190, 30)), FIELD)      # (90, 1010): the primary
        self.assertEqual(rgb.getpixel((190, 80)), FIELD)      # (90, 1060): the primary

    def test_full_screen_records_the_monitor_of_the_main_window_and_the_preview_opens_there(self):
        app = self.launch(settings(选择框录制区域="假", 帧数=3))
        # Without a window manager there is no title bar to drag; the move is
        # what a window manager makes of the user's drag: the X window moves.
        main = subprocess.run(["xdotool", "search", "--name", TITLE], capture_output=True, text=True).stdout.split()
        self.assertTrue(main, "the main window has no X window")
        xdotool("windowmove", "--sync", main[0], *self.to_x(-1200, 60))
        wait_until(lambda: next(w for w in app.windows() if w["title"] == TITLE)["rect"][2] <= 0,
                   what="the main window on the left monitor")
        self.assertEqual(self.record(app)[0].size, (1280, 1024))
        app.click("链接预览播放")
        # Too large for the monitor with its borders and bar: maximised there.
        window = wait_until(lambda: (lambda s: s and s[0]["visible"] and s[0])(preview_state()),
                            what="the preview shown")
        self.assertTrue(window["maximized"], window)
        # At the monitor's corner (with the frame's borders beyond it when
        # maximised) and over it. Without a window manager Wine may put the
        # normal size back after the maximised one, so the far edges are not
        # looked at.
        left, top, right, bottom = window["rect"]
        self.assertLessEqual(abs(left - SECOND[0]) + abs(top - SECOND[1]), 10, window)
        self.assertTrue(SECOND[0] < (left + right) // 2 < SECOND[2] and SECOND[1] < (top + bottom) // 2 < SECOND[3],
                        window)

    def test_a_rectangle_on_no_monitor_moves_onto_the_primary_at_start(self):
        # Right of the left monitor's left edge it stays where it is.
        app = self.launch(settings(**rectangle(-1000, 300, 200, 150)))
        self.assertEqual(app.edits(), ["-1000", "300", "200", "150"])
        app.kill()
        app = self.launch(settings(**rectangle(-3000, 200, 300, 200)))
        self.assertEqual(app.edits(), ["0", "200", "300", "200"])


if __name__ == "__main__":
    unittest.main()

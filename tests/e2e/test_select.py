"""The rectangle selection overlay and the frame window, used as a person
would: the real mouse and keyboard through xdotool, the screen read back from
the X server with ImageMagick and Pillow."""
import os
import re
import subprocess
import unittest

from movrel_e2e import (ARTIFACTS, OVERLAY, WINE, MovrelTestCase, grab_screen, mouse_location, pointer_window,
                        read_stored_frames, temp_folders, wait_until, xdotool)

FRAME = "MovrelFrameWindow"
RED = (255, 0, 0)
HANDLE = (144, 0, 255)  # also the frame window's transparent colour
OUTLINE = (255, 32, 32)
OUTLINE_DARK = (32, 32, 32)
HELP_START = "当选定矩形后，你可以："
keeper = None


def setUpModule():
    # A Wine process that lives as long as the tests, with its output going
    # nowhere: the session's Wine server is started by it, not by a probe
    # whose output pipe the server would then keep open.
    global keeper
    quiet = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    subprocess.run([WINE, "cmd", "/c", "exit"], timeout=300, **quiet)
    keeper = subprocess.Popen([WINE, "cmd"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)


def tearDownModule():
    if keeper and keeper.poll() is None:
        keeper.stdin.close()
        try:
            keeper.wait(timeout=30)
        except subprocess.TimeoutExpired:
            keeper.kill()


def move(x, y):
    xdotool("mousemove", "--sync", x, y)


def pointer():
    values = mouse_location()
    return int(values["X"]), int(values["Y"])


def hold(*keys):
    """Holds keys together as long as a person's key press (a hotkey poll
    every 10 ms must see it), then lets go."""
    args = []
    for key in keys:
        args += ["keydown", key]
    args += ["sleep", "0.15"]
    for key in reversed(keys):
        args += ["keyup", key]
    xdotool(*args)


def drag(points):
    """Press at the first point, move through the rest, release at the last."""
    move(*points[0])
    xdotool("mousedown", 1)
    for p in points[1:]:
        move(*p)
    xdotool("mouseup", 1)


PRESET = "[主界面]\r\n矩形.左边=100\r\n矩形.顶边=80\r\n矩形.右边=300\r\n矩形.底边=200".encode("gbk")


class SelectTest(MovrelTestCase):
    """The edits start at 0, 0, 500, 500 unless a test stores PRESET."""

    def windows_of_class(self, app, cls):
        return [w for w in app.windows() if w["class"] == cls]

    def open_overlay(self, app, ctrl=False):
        app.focus()
        if ctrl:
            xdotool("keydown", "ctrl")
        try:
            app.mouse_click("超级按钮矩形")
        finally:
            if ctrl:
                xdotool("keyup", "ctrl")
        return self.wait_overlay(app)

    def open_by_hotkey(self, app, *keys):
        """Presses the hotkey until the overlay is there. Under Wine a press
        that the program's thread takes in late comes and goes between two
        polls and is missed, as a person's quick tap can be; they press
        again. A press while the overlay is opening does nothing more."""
        def pressed():
            if self.windows_of_class(app, OVERLAY):
                return True
            app.focus()  # without a window manager the X focus does not come back by itself
            hold(*keys)
            return False
        wait_until(pressed, interval=2.0, what=f"the overlay after {'+'.join(keys)}")
        self.wait_overlay(app)

    def wait_overlay(self, app, refocus=True):
        overlay = wait_until(lambda: self.windows_of_class(app, OVERLAY), what="the selection overlay")[0]
        if refocus:
            # The overlay asks for the focus when it opens, but without a
            # window manager X may still give the keys to the window that had
            # it: hand the focus to the window under the pointer, the
            # full-screen overlay.
            xdotool("windowfocus", "--sync", pointer_window())
        return overlay

    def wait_overlay_gone(self, app):
        wait_until(lambda: not self.windows_of_class(app, OVERLAY), what="the overlay to close")

    def wait_screen(self, check, what):
        """Waits until a grab of the screen passes `check`; returns that grab.
        On a timeout the last grab is kept as an artefact."""
        grabs = []

        def passes():
            grabs[:] = [grab_screen()]
            return grabs[0] if check(grabs[0]) else None
        try:
            return wait_until(passes, what=what)
        except AssertionError:
            if grabs:
                os.makedirs(ARTIFACTS, exist_ok=True)
                grabs[0].save(os.path.join(ARTIFACTS, f"select-timeout-{self._testMethodName}.png"))
            raise

    def wait_outline(self, x1, y1, x2, y2):
        """The overlay shows the rectangle's red outline and its top handles.

        Only the top of the rectangle is looked at: the size label and the
        hint are drawn over its middle and may cover the bottom edge."""
        red = [(x1 + 2, y1), (x1, y1 + 2), (x2 - 2, y1), (x2, y1 + 2)]
        handles = [(x1 - 4, y1 - 4), (x2 + 4, y1 - 4)]

        def shown(img):
            w, h = img.size
            inside = lambda p: 0 <= p[0] < w and 0 <= p[1] < h
            return (all(img.getpixel(p) == RED for p in red if inside(p)) and
                    all(img.getpixel(p) == HANDLE for p in handles if inside(p)))
        return self.wait_screen(shown, f"outline {x1},{y1}-{x2},{y2}")

    # -- selecting

    def test_drag_then_enter_writes_the_edits(self):
        app = self.launch()
        self.open_overlay(app)
        # F9 under the open overlay starts no recording (checked once the
        # selection below has taken well over the poller's pause).
        hold("F9")
        drag([(100, 100), (80, 75), (50, 40)])
        img = self.wait_outline(50, 40, 100, 100)
        # The handle squares of a stage-2 rectangle are outlined, hollow.
        self.assertEqual(img.getpixel((46, 36)), HANDLE)
        self.assertNotEqual(img.getpixel((48, 38)), HANDLE)
        xdotool("key", "Return")
        self.wait_overlay_gone(app)
        app.wait_edits(["50", "40", "51", "61"])
        self.assertEqual(app.get("链接开始录制")["text"], "开始录制(F9)")

    def test_stage_zero_cross_label_and_magnifier(self):
        app = self.launch()
        overlay = self.open_overlay(app)
        left, top, right, bottom = overlay["rect"]
        self.assertEqual((left, top), (0, 0))
        self.assertEqual((right, bottom), tuple(grab_screen().size))
        move(400, 300)

        def magnified(img):
            # Cross lines through the pointer across the whole screen, the
            # magnifier's box at (270, 170) with its own cross at 52.
            return (img.getpixel((400, bottom - 2)) == RED and img.getpixel((right - 2, 300)) == RED and
                    img.getpixel((270, 170)) == (0, 0, 0) and img.getpixel((271 + 52, 171 + 5)) == RED and
                    img.getpixel((271 + 5, 171 + 52)) == RED)
        img = self.wait_screen(magnified, "the stage-0 cross and magnifier")
        # The label box below right of the pointer, with dark text in it.
        label = [img.getpixel((x, y)) for x in range(412, 520) for y in range(312, 322)]
        self.assertGreater(sum(1 for p in label if sum(p) < 200), 20)
        app.screenshot("select-stage0-magnifier.png")
        # Esc, even after a complete selection, leaves the edits alone.
        drag([(30, 30), (90, 90)])
        self.wait_outline(30, 30, 90, 90)
        xdotool("key", "Escape")
        self.wait_overlay_gone(app)
        self.assertEqual(app.edits(), ["0", "0", "500", "500"])

    def test_two_clicks_then_double_click_accepts(self):
        app = self.launch()
        self.open_overlay(app)
        move(200, 150)
        xdotool("click", 1)
        move(260, 230)
        xdotool("click", 1)
        self.wait_outline(200, 150, 260, 230)
        move(230, 190)
        xdotool("click", "--repeat", 2, "--delay", 80, 1)
        self.wait_overlay_gone(app)
        app.wait_edits(["200", "150", "61", "81"])

    def test_space_points_then_handle_and_move(self):
        app = self.launch()
        self.open_overlay(app)
        move(300, 300)
        xdotool("key", "space")
        move(700, 600)
        xdotool("key", "space")
        self.wait_outline(300, 300, 700, 600)
        # The bottom-right handle resizes...
        drag([(700, 600), (730, 630), (750, 650)])
        self.wait_outline(300, 300, 750, 650)
        # ...and a drag inside moves, keeping the size.
        drag([(400, 400), (390, 395), (380, 390)])
        self.wait_outline(280, 290, 730, 640)
        app.screenshot("select-stage2-handles.png")
        xdotool("key", "Return")
        self.wait_overlay_gone(app)
        app.wait_edits(["280", "290", "451", "351"])

    # -- the preset rectangle

    def test_ctrl_opens_on_the_edits_rectangle(self):
        app = self.launch(settings=PRESET)
        self.open_overlay(app, ctrl=True)
        self.wait_outline(100, 80, 399, 279)
        # Straight to adjusting: the bottom-right handle takes the drag (from
        # stage 0 the same drag would make a new small rectangle).
        drag([(399, 279), (420, 300), (450, 330)])
        self.wait_outline(100, 80, 450, 330)
        xdotool("key", "Return")
        self.wait_overlay_gone(app)
        app.wait_edits(["100", "80", "351", "251"])

    def test_keyboard_move_with_ctrl_and_shift_steps_nine_pixels(self):
        app = self.launch(settings=PRESET)
        self.open_overlay(app, ctrl=True)
        self.wait_outline(100, 80, 399, 279)
        xdotool("key", "ctrl+shift+Right")
        self.wait_outline(109, 80, 408, 279)
        xdotool("key", "Down")  # a plain arrow: one pixel
        self.wait_outline(109, 81, 408, 280)
        xdotool("key", "Return")
        self.wait_overlay_gone(app)
        app.wait_edits(["109", "81", "300", "200"])

    def test_release_outside_shows_the_help_once(self):
        app = self.launch()
        self.open_overlay(app, ctrl=True)
        self.wait_outline(0, 0, 499, 499)
        move(800, 700)
        xdotool("click", 1)
        app.answer_message(HELP_START, "确定")
        # The overlay is still there, in stage 2, and has taken the focus
        # back by itself: Esc reaches it.
        self.wait_overlay(app, refocus=False)
        self.wait_outline(0, 0, 499, 499)
        xdotool("key", "Escape")
        self.wait_overlay_gone(app)
        self.assertEqual(app.edits(), ["0", "0", "500", "500"])

    def test_f8_opens_the_overlay_with_and_without_ctrl(self):
        app = self.launch(settings=PRESET)
        self.open_by_hotkey(app, "F8")
        # Without Ctrl: stage 0, the cross follows the pointer.
        move(600, 500)
        self.wait_screen(lambda img: img.getpixel((600, 5)) == RED, "the stage-0 cross")
        drag([(200, 150), (300, 200), (400, 300)])
        self.wait_outline(200, 150, 400, 300)
        xdotool("key", "Return")
        app.wait_edits(["200", "150", "201", "151"])
        # With Ctrl: on that rectangle, where Enter accepts at once (in stage
        # 0 it would only set a first point); letting go of Ctrl does nothing.
        self.open_by_hotkey(app, "ctrl", "F8")
        self.wait_outline(200, 150, 400, 300)
        xdotool("key", "Return")
        self.wait_overlay_gone(app)
        self.assertEqual(app.edits(), ["200", "150", "201", "151"])

    # -- the frame window

    def test_frame_window_follows_the_check_boxes(self):
        app = self.launch(settings=PRESET)
        app.focus()
        self.assertEqual(self.windows_of_class(app, FRAME), [])  # created hidden
        app.mouse_click("选择框显示外框")
        frame = wait_until(lambda: self.windows_of_class(app, FRAME), what="the frame window")[0]
        self.assertEqual(frame["rect"], [95, 75, 405, 285])
        # Only the border shows: the screen inside is what lies below.
        img = self.wait_screen(lambda img: img.getpixel((97, 150)) == OUTLINE, "the outline on screen")
        self.assertNotEqual(img.getpixel((150, 150)), HANDLE)
        app.screenshot("select-frame-window.png")
        # Following the mouse centres it on the pointer.
        app.mouse_click("选择框跟随鼠标")
        x, y = pointer()
        wait_until(lambda: self.windows_of_class(app, FRAME)[0]["rect"][:2] == [max(0, x - 150) - 5,
                                                                               max(0, y - 100) - 5],
                   what="the frame around the pointer")
        app.mouse_click("选择框跟随鼠标")
        app.mouse_click("选择框显示外框")
        wait_until(lambda: not self.windows_of_class(app, FRAME), what="the frame hidden")

    def test_recorded_frames_hold_nothing_of_the_outline(self):
        left, top, width, height = 800, 600, 160, 120
        settings = ("[主界面]\r\n选择框录制区域=真\r\n选择框显示外框=真\r\n选择框显示鼠标=假\r\n"
                    f"矩形.左边={left}\r\n矩形.顶边={top}\r\n矩形.右边={width}\r\n矩形.底边={height}\r\n"
                    "帧间隔=100\r\n间隔单位=0\r\n选择框录制倒计时=假\r\n选择框缩到托盘=假").encode("gbk")
        before = temp_folders()
        app = self.launch(settings=settings)
        move(20, 1000)  # the pointer well away from the rectangle
        frame = wait_until(lambda: self.windows_of_class(app, FRAME), what="the frame window")[0]
        self.assertEqual(frame["rect"], [left - 5, top - 5, left + width + 5, top + height + 5])
        # The outline is on the screen around the rectangle.
        screen = self.wait_screen(lambda img: img.getpixel((left - 3, top + 50)) == OUTLINE, "the outline")
        inside = screen.crop((left, top, left + width, top + height))
        app.click("链接开始录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="the recording")
        wait_until(lambda: (m := re.search(r"帧数：(\d+)", app.get("分组框1")["text"])) and int(m.group(1)) >= 3,
                   what="three frames")
        app.click("链接停止录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "开始录制(F9)", what="the recording stopped")
        folder = wait_until(lambda: sorted(temp_folders() - before), what="the recording's folder")[0]
        frames = {n: rgb for n, rgb in read_stored_frames(folder).items() if rgb is not None}
        self.assertTrue(frames)
        for n, rgb in frames.items():
            self.assertEqual(rgb.size, (width, height))
            colours = {c for _, c in rgb.getcolors(width * height)}
            self.assertFalse(colours & {OUTLINE, OUTLINE_DARK, HANDLE}, f"frame {n}")
            # Exactly what the screen shows inside the outline.
            self.assertEqual(list(rgb.getdata()), list(inside.getdata()), f"frame {n}")

    def test_recording_follows_the_mouse(self):
        width, height = 160, 120
        settings = ("[主界面]\r\n选择框录制区域=真\r\n选择框显示外框=真\r\n选择框跟随鼠标=真\r\n选择框显示鼠标=假\r\n"
                    f"矩形.左边=0\r\n矩形.顶边=0\r\n矩形.右边={width}\r\n矩形.底边={height}\r\n"
                    "帧间隔=100\r\n间隔单位=0\r\n选择框录制倒计时=假\r\n选择框缩到托盘=假").encode("gbk")
        before = temp_folders()
        app = self.launch(settings=settings)
        caption = app.get("分组框1")["rect"]  # the pointer over the main window: its controls are recorded
        over_window = ((caption[0] + caption[2]) // 2, caption[1] + 100)
        move(*over_window)
        app.click("链接开始录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="the recording")

        def frames():
            return (m := re.search(r"帧数：(\d+)", app.get("分组框1")["text"])) and int(m.group(1))
        wait_until(lambda: frames() >= 3, what="three frames over the main window")
        # Over the empty desktop the rectangle, and the outline, go with it.
        move(1000, 700)
        want = [1000 - width // 2 - 5, 700 - height // 2 - 5, 1000 + width // 2 + 5, 700 + height // 2 + 5]
        wait_until(lambda: self.windows_of_class(app, FRAME)[0]["rect"] == want, what="the frame at the pointer")
        moved_at = frames()
        wait_until(lambda: frames() >= moved_at + 3, what="three frames over the desktop")
        app.click("链接停止录制")
        wait_until(lambda: app.get("链接开始录制")["text"] == "开始录制(F9)", what="the recording stopped")
        folder = wait_until(lambda: sorted(temp_folders() - before), what="the recording's folder")[0]
        stored = [rgb for rgb in read_stored_frames(folder).values() if rgb is not None]
        first, last = stored[0], stored[-1]
        self.assertEqual(first.size, (width, height))
        self.assertGreater(len(first.getcolors(width * height)), 1)  # the window's controls
        self.assertEqual(last.getcolors(width * height), [(width * height, (0, 0, 0))])


if __name__ == "__main__":
    unittest.main()

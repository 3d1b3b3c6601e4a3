"""The notification-area icon and the global hotkeys of the real program.

Wine, without a desktop taskbar, shows a session's notification-area icons
in a small window of its own, "Wine System Tray", with one child window per
icon; the shell's tool tip for an icon is a tool-tip window of its own. So
the icon is clicked with the real mouse and its tip read from the screen's
tip window, and the hotkeys are pressed on the real keyboard while another
program (Notepad) is in front.
"""
import json
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from PIL import Image

from movrel_e2e import (ARTIFACTS, OVERLAY, TIMEOUT, TITLE, WINE, MovrelTestCase, probe, probe_lines, settings_file,
                        wait_until, xdotool)

TRAY_TITLE = "Wine System Tray"
EXIT_QUESTION = "确定要退出 Movrel 吗？"
# Where the tray window is moved: clear of the main window, which opens at
# the top left where Wine puts the tray window too (there is no window
# manager to keep them apart).
TRAY_PLACE = (1000, 900)
# How long a hotkey is held down, as a person's key press lasts: long enough
# to be seen by a poll every 10 ms, shorter than the half second after which
# a held key fires again.
KEY_PRESS_SECONDS = "0.15"

notepad = None


def setUpModule():
    global notepad
    devnull = subprocess.DEVNULL
    # Start the session with a program whose output goes nowhere: a Wine
    # server started by the probe would keep the probe's output pipe open,
    # and reading the probe's answer would never end.
    subprocess.run([WINE, "cmd", "/c", "exit"], stdin=devnull, stdout=devnull, stderr=devnull, timeout=300)
    # The other program in front while the hotkeys are pressed; it also
    # keeps the session alive between the tests.
    notepad = subprocess.Popen([WINE, "notepad"], stdin=devnull, stdout=devnull, stderr=devnull)
    wait_until(lambda: any(w["class"] == "Notepad" for w in probe_lines("windows")), what="Notepad")


def tearDownModule():
    if notepad and notepad.poll() is None:
        notepad.kill()
        notepad.wait(timeout=30)


def tray_icons():
    """The icon windows in Wine's tray window, left to right."""
    result = probe("children", TRAY_TITLE, check=False)
    if result.returncode != 0:
        return []
    icons = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines() if line.strip()]
    return sorted((c for c in icons if c["class"] == "__winex11_tray_icon" and c["visible"]),
                  key=lambda c: c["rect"][0])


def main_visible():
    return any(w["title"] == TITLE for w in probe_lines("windows"))


def foreground():
    return probe_lines("foreground")[0]


def shown_tips():
    return [t["text"] for t in probe_lines("tips") if t["text"]]


def press(*keys):
    """Holds the keys down together for a key press's time, then lets go."""
    args = []
    for key in keys:
        args += ["keydown", key]
    args += ["sleep", KEY_PRESS_SECONDS]
    for key in reversed(keys):
        args += ["keyup", key]
    xdotool(*args)


def press_until(keys, done, what):
    """Presses the keys until `done` answers true. A press within half a
    second after the previous hotkey fired is not looked at (that is how a
    held key repeats only twice a second), so, as a person would, press again
    when nothing happened; each press gets time to show its effect first, so
    that a press that did act is never followed by another."""
    deadline = time.monotonic() + TIMEOUT
    while True:
        press(*keys)
        try:
            return wait_until(done, timeout=5, what=what)
        except AssertionError:
            if time.monotonic() > deadline:
                raise


class TrayTestCase(MovrelTestCase):
    def icon_rect(self):
        """Our icon, the newest one, once Wine shows it clear of the main window."""
        wait_until(tray_icons, what="the tray icon")
        tray = next(w for w in probe_lines("windows") if w["title"] == TRAY_TITLE)
        if tray["rect"][0] < TRAY_PLACE[0] - 50:
            window_ids = subprocess.run(["xdotool", "search", "--name", TRAY_TITLE], capture_output=True,
                                        text=True, timeout=30).stdout.split()
            for wid in window_ids:
                xdotool("windowmove", "--sync", wid, *TRAY_PLACE)
            wait_until(lambda: tray_icons() and tray_icons()[-1]["rect"][0] >= TRAY_PLACE[0], what="tray moved")
        return tray_icons()[-1]["rect"]

    def click_icon(self, button=1, side=0):
        # Two clicks on the same spot within the double-click time would be
        # a double click; alternating sides of the icon keeps them apart.
        left, top, right, bottom = self.icon_rect()
        x = (left + right) // 2 + (-5 if side % 2 == 0 else 5)
        xdotool("mousemove", "--sync", x, (top + bottom) // 2)
        xdotool("click", button)

    def icon_tip(self):
        """The icon's tip as the shell shows it when the pointer comes onto the icon."""
        left, top, right, bottom = self.icon_rect()
        tray = next(w["rect"] for w in probe_lines("windows") if w["title"] == TRAY_TITLE)
        x, y = (left + right) // 2, (top + bottom) // 2
        # Off the icon but still over the tray window: the shell only shows
        # the tip again after the pointer was seen leaving the icon.
        xdotool("mousemove", "--sync", tray[2] - 12, y, "mousemove", "--sync", tray[2] - 10, y + 1)
        wait_until(lambda: not shown_tips(), what="the last tip to go")
        xdotool("mousemove", "--sync", x - 2, y, "mousemove", "--sync", x, y + 1)
        return wait_until(shown_tips, what="the icon's tip")

    def icon_inks(self, app, name):
        """How many pixels of each ink the icon shows on the screen."""
        shot = Image.open(app.screenshot(name)).convert("RGB").crop(self.icon_rect())
        counts = {"red": 0, "blue": 0, "black": 0}
        for r, g, b in shot.getdata():
            if r > 180 and g < 80 and b < 80:
                counts["red"] += 1
            elif b > 100 and r < 80:
                counts["blue"] += 1
            elif max(r, g, b) < 40:
                counts["black"] += 1
        return counts

    def exit_through_tray(self, app):
        self.click_icon(button=3)
        app.answer_message(EXIT_QUESTION, "确定")
        return app.wait_exit()

    def bring_notepad_to_front(self):
        """Clicks into Notepad where no window of ours covers it, as a person would."""
        windows = probe_lines("windows")
        pad = next(w["rect"] for w in windows if w["class"] == "Notepad")
        covered = [w["rect"] for w in windows if w["class"] != "Notepad"]
        spot = next(((x, y) for y in range(pad[3] - 40, pad[1] + 60, -40) for x in range(pad[2] - 40, pad[0], -40)
                     if not any(r[0] <= x < r[2] and r[1] <= y < r[3] for r in covered)), None)
        self.assertIsNotNone(spot, f"Notepad is covered: {windows}")
        xdotool("mousemove", "--sync", *spot)
        xdotool("click", 1)
        wait_until(lambda: foreground()["class"] == "Notepad", what="Notepad in front")


class TrayIconTest(TrayTestCase):
    def test_idle_icon_shows_the_program_icon_and_its_tip(self):
        app = self.launch()
        self.assertEqual(self.icon_tip(), ["Movrel"])
        inks = self.icon_inks(app, "tray_idle.png")
        # The film frame is blue around a red dot.
        self.assertGreater(inks["red"], 4, inks)
        self.assertGreater(inks["blue"], inks["red"], inks)
        self.assertEqual(self.exit_through_tray(app), 0)

    def test_left_clicks_hide_and_show_the_main_window(self):
        app = self.launch()
        self.click_icon(side=0)
        app.wait_gone(TITLE)
        self.assertIsNone(app.process.poll())
        self.bring_notepad_to_front()
        self.click_icon(side=1)
        app.wait_window(TITLE)
        wait_until(lambda: foreground()["title"] == TITLE, what="main window in front")
        self.assertEqual(self.exit_through_tray(app), 0)

    def test_close_box_hides_the_window_into_the_tray(self):
        app = self.launch()
        probe("close", TITLE)
        app.wait_gone(TITLE)
        self.assertIsNone(app.process.poll())
        self.assertNotIn("Kelv：", [w["title"] for w in app.windows()])
        self.assertEqual(len(tray_icons()), 1)
        self.click_icon()
        app.wait_window(TITLE)
        self.assertEqual(self.exit_through_tray(app), 0)

    def test_right_click_then_cancel_changes_nothing(self):
        app = self.launch()

        def state():
            return {name: (c.get("checked"), c.get("selected"), c["enabled"], c["visible"])
                    for name, c in app.dump().items()}
        before = state()
        self.click_icon(button=3)
        app.answer_message(EXIT_QUESTION, "取消")
        self.assertIsNone(app.process.poll())
        self.assertTrue(main_visible())
        self.assertEqual(len(tray_icons()), 1)
        self.assertEqual(state(), before)
        self.assertEqual(self.exit_through_tray(app), 0)

    def test_right_click_then_ok_saves_the_settings_and_ends_the_program(self):
        app = self.launch()
        app.mouse_click("选择框显示鼠标")
        wait_until(lambda: app.get("选择框显示鼠标")["checked"] is False, what="check box cleared")
        self.assertEqual(self.exit_through_tray(app), 0)
        with open(app.ini, "rb") as f:
            self.assertIn("选择框显示鼠标=假", f.read().decode("gbk"))
        # The icon left with the program.
        wait_until(lambda: not tray_icons(), what="icon removed")


class HotkeyTest(TrayTestCase):
    def test_f11_toggles_the_outline_while_another_program_has_focus(self):
        app = self.launch()
        before = app.get("选择框显示外框")["checked"]
        for expected in (not before, before):
            self.bring_notepad_to_front()
            press_until(["F11"], lambda: app.get("选择框显示外框")["checked"] == expected, what=f"显示外框 {expected}")
            # The key acted without taking the focus away.
            self.assertEqual(foreground()["class"], "Notepad")
        self.assertEqual(self.exit_through_tray(app), 0)

    def test_f12_without_alt_does_nothing(self):
        app = self.launch()
        before = app.get("选择框显示外框")["checked"]
        self.bring_notepad_to_front()
        press("F12")
        # F11 pressed after F12 is polled after it: once F11 has acted, F12
        # has been seen, and it changed nothing.
        press_until(["F11"], lambda: app.get("选择框显示外框")["checked"] != before, what="F11 after F12")
        self.assertTrue(main_visible())
        self.assertEqual(len(tray_icons()), 1)
        self.assertEqual(self.exit_through_tray(app), 0)

    def test_alt_f12_hides_and_shows_the_icon_and_the_main_window(self):
        app = self.launch()
        self.icon_rect()
        self.bring_notepad_to_front()
        press_until(["alt", "F12"], lambda: not main_visible(), what="main window hidden")
        wait_until(lambda: not tray_icons(), what="icon hidden")
        self.assertIsNone(app.process.poll())
        press_until(["alt", "F12"], main_visible, what="main window shown")
        wait_until(lambda: foreground()["title"] == TITLE, what="main window in front")
        # The icon is back with the current state's tip.
        self.assertEqual(self.icon_tip(), ["Movrel"])
        self.assertEqual(self.exit_through_tray(app), 0)


    def test_icon_and_tip_follow_the_recording_and_f8_waits_while_recording(self):
        # A small rectangle of Notepad's still page, no countdown, and the
        # main window stays up while recording.
        values = {"选择框录制区域": "真", "矩形.左边": 700, "矩形.顶边": 600, "矩形.右边": 80, "矩形.底边": 60,
                  "选择框显示鼠标": "假", "帧间隔": 100, "间隔单位": 0, "选择框录制倒计时": "假", "选择框缩到托盘": "假"}
        app = self.launch(settings_file(values))

        def link():
            return app.get("链接开始录制")["text"]
        self.icon_rect()
        self.bring_notepad_to_front()
        press_until(["F9"], lambda: link() == "暂停录制(F9)", what="recording")
        # Recording: the first frame is new, the ones after it are still.
        self.assertIn(self.icon_tip()[0], ["Movrel\r\n(正在录制中..按F9键暂停或F10键停止)",
                                           "Movrel\r\n(正在录制中但出现静止画面..按F9键暂停或F10键停止)"])
        inks = self.icon_inks(app, "tray_recording.png")
        self.assertGreater(inks["red"], 20, inks)
        self.assertEqual(inks["blue"], 0, inks)
        # Alt+F12 twice: the icon comes back with the recording's picture,
        # not the program's own.
        self.bring_notepad_to_front()
        press_until(["alt", "F12"], lambda: not main_visible(), what="main window hidden")
        wait_until(lambda: not tray_icons(), what="icon hidden")
        # Without a window manager the keyboard focus stays with the hidden
        # window; the keys reach the session again through Notepad.
        self.bring_notepad_to_front()
        press_until(["alt", "F12"], main_visible, what="main window shown")
        wait_until(tray_icons, what="icon shown")
        inks = self.icon_inks(app, "tray_recording_back.png")
        self.assertGreater(inks["red"], 20, inks)
        self.assertEqual(inks["blue"], 0, inks)
        self.assertEqual(link(), "暂停录制(F9)")
        # F8 while recording (the rectangle button is disabled) opens
        # nothing; F9 after it shows that the poller has been past it.
        press("F8")
        press_until(["F9"], lambda: link() == "继续录制(F9)", what="paused")
        self.assertNotIn(OVERLAY, [w["class"] for w in app.windows()])
        self.assertEqual(self.icon_tip(), ["Movrel\r\n(录制暂停中，按F9键继续录制)"])
        inks = self.icon_inks(app, "tray_paused.png")
        self.assertGreater(inks["black"], 10, inks)
        self.assertEqual(inks["blue"], 0, inks)
        press_until(["F10"], lambda: link() == "开始录制(F9)", what="stopped")
        self.assertEqual(self.icon_tip(), ["Movrel"])
        self.assertGreater(self.icon_inks(app, "tray_stopped.png")["blue"], 20)
        self.assertEqual(self.exit_through_tray(app), 0)


    def test_the_whole_road_by_hotkeys_select_record_stop_then_save(self):
        values = {"选择框显示鼠标": "假", "帧间隔": 100, "间隔单位": 0, "选择框录制倒计时": "假",
                  "选择框缩到托盘": "假", "选择框保存帧": "假"}
        app = self.launch(settings_file(values))
        self.icon_rect()
        # F8: the overlay; the rectangle is dragged over the top of the main
        # window, where the group's caption counts the frames, and taken
        # with Enter.
        app.focus()
        press_until(["F8"], lambda: OVERLAY in [w["class"] for w in app.windows()], what="the selection overlay")
        xdotool("mousemove", "--sync", 0, 0)
        xdotool("mousedown", 1)
        xdotool("mousemove", "--sync", 160, 30)
        xdotool("mousemove", "--sync", 319, 59)
        xdotool("mouseup", 1)
        xdotool("key", "Return")
        wait_until(lambda: OVERLAY not in [w["class"] for w in app.windows()], what="the overlay to close")
        app.wait_edits(["0", "0", "320", "60"])
        # F9 records a few frames, F10 stops.
        app.focus()
        press_until(["F9"], lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="recording")
        wait_until(lambda: re.search(r"帧数：([5-9]|\d\d)", app.get("分组框1")["text"]), what="five frames")
        press_until(["F10"], lambda: app.get("链接开始录制")["text"] == "开始录制(F9)", what="stopped")
        # The save link, then the save dialog.
        gif = os.path.join(tempfile.mkdtemp(prefix="movrel-road-"), "road.gif")
        self.addCleanup(shutil.rmtree, os.path.dirname(gif), True)
        app.save_gif(gif, timeout=120)
        os.makedirs(ARTIFACTS, exist_ok=True)
        shutil.copy(gif, os.path.join(ARTIFACTS, "tray_hotkey_road.gif"))
        # The GIF decodes, at the rectangle's size, with the counting caption.
        with Image.open(gif) as image:
            self.assertEqual(image.size, (320, 60))
            frames = []
            for index in range(image.n_frames):
                image.seek(index)
                frames.append(image.convert("RGB").tobytes())
        self.assertGreaterEqual(len(frames), 3)
        self.assertGreater(len(set(frames)), 2, "the frames do not change with the caption")
        info = subprocess.run(["gifsicle", "--info", gif], capture_output=True, text=True, timeout=60)
        self.assertEqual(info.returncode, 0, info.stderr)
        self.assertIn(f"{len(frames)} image", info.stdout)
        self.assertEqual(self.exit_through_tray(app), 0)


if __name__ == "__main__":
    unittest.main()

"""The sample frame and its caption follow the settings, through the real UI.

The caption "1.基本设置（单帧大小：…）" is checked against the size a BMP
frame of those dimensions and that depth has; the sample frame is read back
from a screenshot of 显示画板 with Pillow.
"""
import subprocess

from PIL import Image

from movrel_e2e import PROBE, TITLE, WINE, MovrelTestCase, probe, wait_until, xdotool

SCALE_50 = 13  # "50%" in 组合框缩放
SCALE_100 = 8


def byte_size_text(n):
    """The caption's byte size: B below 1024, else KB, MB ... with 2 decimals."""
    if n < 1024:
        return f"{n} B"
    value = float(n)
    for unit in ["KB", "MB", "GB", "TB"]:
        value /= 1024
        if value < 1024:
            break
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return f"{text} {unit}"


def bmp_bytes(width, height, depth):
    stride = (width * depth + 31) // 32 * 4
    return (1078 if depth == 8 else 54) + stride * height


def caption(width, height, depth=24):
    return f"1.基本设置（单帧大小：{byte_size_text(bmp_bytes(width, height, depth))} {width}×{height}）"


def blue_pixels(image):
    """Pixels of the watermark's blue text, also where it is smoothed."""
    return sum(1 for r, g, b in image.getdata() if b > 140 and b > r + 80 and b > g + 80)


def screen_size(app, name):
    with Image.open(app.screenshot(name)) as shot:
        return shot.size


def empty_spot(app, screen, width, height):
    """The top-left corner of a width x height piece of the bare desktop,
    clear of every window on show (an earlier test may have left Wine's
    tray window somewhere)."""
    windows = [w["rect"] for w in app.windows()]
    for top in range(screen[1] - height - 60, 0, -40):
        for left in range(screen[0] - width - 60, 0, -40):
            if all(left + width <= l or r <= left or top + height <= t or b <= top for l, t, r, b in windows):
                return left, top
    raise AssertionError(f"no bare {width}x{height} piece of the desktop among {windows}")


class ComposerTest(MovrelTestCase):
    def setUp(self):
        # The first Wine program of a session starts the session's helper
        # processes, and they inherit its output pipes: started by a probe
        # whose output is read, they would keep that read waiting until the
        # session ends. A first program without pipes starts them instead.
        subprocess.run([WINE, PROBE, "windows"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120, check=False)

    def caption(self, app):
        return app.get("分组框1")["text"]

    def wait_caption(self, app, expected):
        wait_until(lambda: self.caption(app) == expected, what=f"caption {expected!r}")

    def canvas_image(self, app, name):
        path = app.screenshot(name)
        left, top, right, bottom = app.get("显示画板")["rect"]
        with Image.open(path) as shot:
            # Inside the canvas's edge.
            return shot.convert("RGB").crop((left + 2, top + 2, right - 2, bottom - 2))

    def test_caption_follows_rectangle_scale_quality_and_full_screen(self):
        app = self.launch()
        app.focus()
        # At start: the 500 x 500 rectangle at 24 bits.
        self.wait_caption(app, caption(500, 500))
        self.assertEqual(self.caption(app), "1.基本设置（单帧大小：732.47 KB 500×500）")
        # Typing a width re-composes at once.
        app.type_into("编辑框宽度", "321")
        self.wait_caption(app, caption(321, 500))
        # Scale 50%: both sides halved, truncated.
        probe("select", "组合框缩放", str(SCALE_50))
        self.wait_caption(app, caption(160, 250))
        # "稍逊": 8-bit frames with their colour table.
        app.mouse_click("单选框稍逊")
        self.wait_caption(app, caption(160, 250, 8))
        # The whole screen, whatever the edits say.
        probe("select", "组合框缩放", str(SCALE_100))
        self.wait_caption(app, caption(321, 500, 8))
        app.mouse_click("选择框录制区域")
        wait_until(lambda: not app.get("选择框录制区域")["checked"], what="录制区域 unchecked")
        screen = screen_size(app, "composer-full-screen.png")
        self.wait_caption(app, caption(screen[0], screen[1], 8))
        # And back to the rectangle.
        app.mouse_click("选择框录制区域")
        self.wait_caption(app, caption(321, 500, 8))

    def test_text_watermark_shows_in_the_sample_frame(self):
        app = self.launch()
        app.focus()
        # A small rectangle of the empty desktop, shown unscaled in the canvas.
        screen = screen_size(app, "composer-desktop.png")
        left, top = empty_spot(app, screen, 330, 100)  # wide enough for the whole text later
        for name, text in [("编辑框左边", str(left)), ("编辑框顶边", str(top)), ("编辑框宽度", "180"),
                           ("编辑框高度", "100")]:
            app.type_into(name, text)
        self.wait_caption(app, caption(180, 100))
        before = self.canvas_image(app, "composer-no-watermark.png")
        self.assertEqual(blue_pixels(before), 0)

        app.mouse_click("选择框文字水印")
        wait_until(lambda: app.get("选择框文字水印")["checked"], what="文字水印 checked")
        wait_until(lambda: blue_pixels(self.canvas_image(app, "composer-text-watermark.png")) > 30,
                   what="blue watermark text in the sample frame")
        self.assertEqual(self.caption(app), caption(180, 100))
        # The watermark's white background, centred ("中间") in the frame.
        after = self.canvas_image(app, "composer-text-watermark.png")
        self.assertGreater(sum(1 for p in after.getdata() if p == (255, 255, 255)), 500)

        # Wide enough for the whole text with today's date, the frame is
        # shrunk to fit the canvas; the click on the canvas opens it at full
        # size (the screenshot kept), and a click closes it.
        app.type_into("编辑框宽度", "330")
        self.wait_caption(app, caption(330, 100))
        app.mouse_click("显示画板")

        def full_size_view():
            return [w for w in app.windows() if w["title"] == "" and w["rect"][2] - w["rect"][0] == 330 + 2]
        view = wait_until(full_size_view, what="full-size view")[0]
        app.screenshot("composer-full-size-view.png")
        l, t, r, b = view["rect"]
        xdotool("mousemove", "--sync", (l + r) // 2, (t + b) // 2)
        xdotool("click", 1)
        wait_until(lambda: not full_size_view(), what="full-size view closed")

    def dialog_with(self, app, text):
        """The title of the dialog with a child that shows `text`."""
        def find():
            for w in app.windows():
                if w["title"] and w["title"] != TITLE and any(c["text"] == text for c in app.children(w["title"])):
                    return w["title"]
            return None
        return wait_until(find, what=f"the dialog showing {text!r}")

    def type_in_child(self, app, dialog, wanted, text):
        """Clicks the first child of `dialog` that `wanted` accepts and types
        `text` over what it holds."""
        child = next(c for c in app.children(dialog) if wanted(c))
        l, t, r, b = child["rect"]
        xdotool("mousemove", "--sync", (l + r) // 2, (t + b) // 2)
        xdotool("click", 1)
        # Not every edit takes Ctrl+A: the old text is deleted key by key.
        app.key("End", *["BackSpace"] * len(child["text"]))
        app.type_text(text)
        wait_until(lambda: any(wanted(c) and c["text"] == text for c in app.children(dialog)),
                   what=f"{text!r} typed in {dialog}")

    def test_text_font_and_background_dialogs_change_the_sample_frame(self):
        app = self.launch()
        app.focus()
        screen = screen_size(app, "composer-dialogs-desktop.png")
        left, top = empty_spot(app, screen, 330, 100)
        for name, text in [("编辑框左边", str(left)), ("编辑框顶边", str(top)), ("编辑框宽度", "330"),
                           ("编辑框高度", "100")]:
            app.type_into(name, text)
        app.mouse_click("选择框文字水印")
        wait_until(lambda: blue_pixels(self.canvas_image(app, "composer-dialogs.png")) > 30, what="the watermark")

        # "输入..": the text typed in its dialog becomes the watermark.
        app.mouse_click("按钮输入文字")
        entry = self.dialog_with(app, "请输入水印的文字内容，可以引用 #年、#月、#日、#时、#分、#秒")
        self.type_in_child(app, entry, lambda c: c["class"] == "Edit", "WW")
        probe("press", entry, "确定")
        wait_until(lambda: app.get("编辑框文字内容")["text"] == "WW", what="the text from the dialog")
        small = wait_until(lambda: blue_pixels(self.canvas_image(app, "composer-dialogs.png")),
                           what="the new text drawn")

        # "字体..": a bigger size in the system's font dialog draws more text.
        app.mouse_click("按钮设置字体")
        font = self.dialog_with(app, "确定")
        sizes = next(c for c in app.children(font) if c["id"] == 1138)  # the size box of the font dialog
        self.type_in_child(app, font, lambda c: c["class"] == "Edit" and c["rect"][0] >= sizes["rect"][0]
                           and c["rect"][2] <= sizes["rect"][2], "36")
        probe("press", font, "确定")
        app.wait_gone(font)
        wait_until(lambda: blue_pixels(self.canvas_image(app, "composer-dialogs.png")) > 3 * small,
                   what="the text drawn bigger")

        # The background picker's menu: "透明色" leaves the desktop under the text.
        def whites():
            return sum(1 for p in self.canvas_image(app, "composer-dialogs.png").getdata() if p == (255, 255, 255))
        self.assertGreater(whites(), 500)
        app.mouse_click("颜色选择器文字水印背景色")
        menu = wait_until(lambda: next((w for w in app.windows() if w["class"] == "#32768"), None),
                          what="the picker's menu")
        # Two items of one height: "选择颜色.." above, "透明色" below.
        l, t, r, b = menu["rect"]
        xdotool("mousemove", "--sync", (l + r) // 2, t + (b - t) * 3 // 4)
        xdotool("click", 1)
        wait_until(lambda: whites() < 50, what="the background made transparent")
        app.screenshot("composer-dialogs-transparent.png")


if __name__ == "__main__":
    import unittest
    unittest.main()

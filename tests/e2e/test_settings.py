"""Settings persist in Movrel.ini beside the program, through the real UI."""

import os

from movrel_e2e import GBK, MovrelTestCase, Movrel, probe, probe_lines, wait_until, wine_path, xdotool


def ini_text(app):
    with open(app.ini, "rb") as f:
        return f.read().decode(GBK)


class SettingsTest(MovrelTestCase):
    def test_one_stored_key_and_initial_values_for_the_rest(self):
        app = self.launch(settings="[主界面]\r\n矩形.右边=800".encode(GBK))
        controls = app.dump()
        self.assertEqual(controls["编辑框宽度"]["text"], "800")
        self.assertEqual(controls["编辑框高度"]["text"], "500")
        self.assertEqual(controls["编辑框帧间隔"]["text"], "200")
        self.assertTrue(controls["选择框录制区域"]["checked"])
        self.assertEqual(controls["组合框缩放"]["selected"], 8)
        # Loading put the stored text background (white) into its picker.
        self.assertEqual(controls["颜色选择器文字水印背景色"]["text"], "#FFFFFF")

    def test_garbage_file_starts_with_initial_values(self):
        junk = bytes(range(256)) * 40 + "[主界面]\n帧缩放=abc\n选择框录制区域=1".encode(GBK)
        app = self.launch(settings=junk)
        controls = app.dump()
        self.assertEqual(controls["编辑框宽度"]["text"], "500")
        self.assertTrue(controls["选择框录制区域"]["checked"])

    def test_a_settings_file_that_cannot_be_written_is_never_reported_saved(self):
        app = Movrel()
        self.addCleanup(app.cleanup)
        # A folder where the file should be: it can be neither opened nor
        # written, whoever runs the program (even root, whom no file mode
        # keeps out).
        os.makedirs(app.ini)
        app.start()
        app.mouse_click("链接保存配置")
        app.wait_window("Kelv：")
        texts = wait_until(lambda: [t for t in app.message_texts() if "配置保存失败！" in t], what="the failure")
        self.assertIn("Movrel.ini", texts[0])
        self.assertIn("（错误代码 5）", texts[0])  # the system's "access denied"
        self.assertNotIn("保存完毕", " ".join(app.message_texts()))
        probe("press", "Kelv：", "确定")
        app.wait_gone("Kelv：")
        # The exit saves too and says so once, then ends.
        app.tray_click("right")
        app.answer_message("确定要退出 Movrel 吗？", "确定")
        app.answer_message("配置保存失败！", "确定")
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(os.listdir(app.ini), [])

    def test_a_huge_cursor_file_named_in_the_file_is_refused_and_the_program_starts(self):
        app = Movrel()
        self.addCleanup(app.cleanup)
        # 2.5 GiB that take no room on the disk; the file picker's size limit
        # never saw it.
        huge = os.path.join(app.root, "huge.cur")
        with open(huge, "wb") as f:
            f.truncate(5 << 29)
        with open(app.ini, "wb") as f:
            f.write(f"[主界面]\r\n选择框显示鼠标=真\r\n光标文件={wine_path(huge)}".encode(GBK))
        app.start(until_shown=False)
        app.wait_window("Kelv：", timeout=240)  # the first program of a session may wait for Wine's set-up
        app.answer_message("无法使用鼠标指针文件：", "确定")
        app.wait_main_window()
        self.assertEqual(app.get("编辑框光标文件")["text"], wine_path(huge))
        # Typing in the rectangle's edits prepares the sample frame again,
        # without reading the file again or telling it again.
        app.focus()
        app.mouse_click("编辑框宽度")
        app.key("End")
        app.type_text("1")
        wait_until(lambda: app.get("编辑框宽度")["text"] == "5001", what="the width typed")
        self.assertFalse(any(w["title"] == "Kelv：" for w in app.windows()))
        self.assertEqual(app.exit_through_tray(), 0)

    def test_changes_made_in_the_window_come_back_after_a_restart(self):
        app = self.launch()
        app.focus()
        # Check boxes and a radio, with the mouse.
        for name in ["选择框跟随鼠标", "选择框停止帧数", "选择框缩到托盘", "单选框稍逊", "选择框文字水印", "选择框精简GIF"]:
            before = app.get(name)["checked"]
            app.mouse_click(name)
            wait_until(lambda: app.get(name)["checked"] != before, what=f"{name} clicked")
        # Edits, typed.
        for name, text in [("编辑框左边", "17"), ("编辑框帧间隔", "150"), ("编辑框保存路径", "D:\\frames\\run1")]:
            if not app.get(name)["enabled"]:
                app.mouse_click("选择框保存帧")
                wait_until(lambda: app.get(name)["enabled"], what=f"{name} enabled")
            app.type_into(name, text)
        # Lists, chosen.
        probe("select", "组合框缩放", "12")
        probe("select", "组合框水印方位", "3")
        wait_until(lambda: app.get("组合框缩放")["selected"] == 12, what="scale chosen")
        # The watermark text, two lines, through the text-entry dialog.
        app.mouse_click("按钮输入文字")
        app.wait_window("Kelv：")
        probe("press", "Kelv：", "清空")
        edit = next(c for c in app.children("Kelv：") if c["class"].lower() == "edit")
        l, t, r, b = edit["rect"]
        xdotool("mousemove", "--sync", (l + r) // 2, (t + b) // 2)
        xdotool("click", 1)
        app.type_text("line one")
        app.key("Return")
        app.type_text("line two 2026")
        probe("press", "Kelv：", "确定")
        app.wait_gone("Kelv：")
        wait_until(lambda: app.get("编辑框文字内容")["text"] == "line one\r\nline two 2026", what="watermark text")
        before = app.dump()

        app.mouse_click("链接保存配置")
        app.answer_message("保存完毕！", "确定")
        stored = ini_text(app)
        self.assertIn("文字内容=line one┊*┊line two 2026", stored)
        self.assertTrue(stored.startswith("[主界面]\r\n"))
        self.assertIn("选择框精简GIF=假", stored)

        # While the program runs, others may read the file but not write it.
        access = probe_lines("try-open", wine_path(app.ini))[0]
        self.assertEqual(access, {"read": True, "write": False})

        self.assertEqual(app.exit_through_tray(), 0)
        app.process = None
        again = Movrel.__new__(Movrel)
        again.__dict__.update(app.__dict__)
        self.addCleanup(again.kill)
        again.start()
        after = again.dump()
        for name, state in before.items():
            for key in ("text", "checked", "selected", "enabled"):
                self.assertEqual(after[name].get(key), state.get(key), f"{name}.{key}")
        self.assertEqual(again.exit_through_tray(), 0)

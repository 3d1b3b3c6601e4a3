"""The main window as a user first meets it: initial values, enabling rules,
the feature notes, the text-entry dialog, the exit path and the layout."""
import unittest

from movrel_e2e import TITLE, MovrelTestCase, probe, wait_until

UNITS = ["毫", "秒", "分", "时"]
SCALES = ["5000%", "2000%", "1000%", "400%", "200%", "150%", "130%", "110%", "100%"] + \
         [f"{p}%" for p in range(90, 0, -10)]

INITIAL_CHECKS = {
    "选择框录制区域": True, "选择框跟随鼠标": False, "选择框显示外框": False,
    "单选框标准": True, "单选框稍逊": False, "选择框显示鼠标": True, "选择框图像水印": False,
    "选择框文字水印": False, "选择框停止帧数": False, "选择框停止时间": False,
    "选择框录制倒计时": True, "选择框缩到托盘": True, "选择框保存帧": False, "选择框自动清空帧": True,
    "选择框精简GIF": True, "选择框抖动": False, "选择框显示鼠标点击": False, "选择框显示按键": False,
}
INITIAL_TEXTS = {
    "编辑框左边": "0", "编辑框顶边": "0", "编辑框宽度": "500", "编辑框高度": "500",
    "编辑框帧间隔": "200", "编辑框每帧变速": "0", "编辑框光标文件": "指定一个鼠标指针文件",
    "编辑框图像文件": "指定一个图像文件", "编辑框边缘距离": "5", "编辑框帧数": "200",
    "编辑框时间": "1.5", "编辑框倒计时值": "3", "编辑框保存路径": "\\帧文件夹",
    "选择框录制区域": "录制区域(否则全屏幕)", "选择框跟随鼠标": "跟随鼠标", "选择框显示外框": "显示外框",
    "选择框停止帧数": "停止于帧数", "选择框停止时间": "停止于时间",
    "选择框录制倒计时": "开始录制时启动倒计时（单位：秒）", "选择框缩到托盘": "缩到托盘",
    "选择框保存帧": "保存每帧图到", "选择框自动清空帧": "自动清空帧（避免储存空间占满，但这将不能保存动画）",
    "选择框精简GIF": "精简GIF（颜色准确、体积更小）",
    "按钮选择光标": "..", "按钮选择图像": "..", "按钮选择帧路径": "..", "按钮输入文字": "输入..",
    "按钮设置字体": "字体..", "分组框3": "2.水印设置", "分组框4": "3.增强设置",
    "链接开始录制": "开始录制(F9)", "链接停止录制": "停止录制(F10)", "链接预览播放": "预览播放",
    "链接保存动画": "保存动画", "链接保存配置": "保存配置", "链接疑点说明": "疑点说明", "链接软件主页": "软件主页",
    "单选框标准": "标准", "单选框稍逊": "稍逊", "标签边缘距离": "边缘距离(像素)",
    "选择框抖动": "抖动（渐变更平滑）", "标签有损压缩": "有损压缩(0-100)", "编辑框有损压缩": "0",
    "标签大小上限": "大小上限", "编辑框大小上限": "", "标签大小单位": "MB（空为不限）",
    "选择框显示鼠标点击": "显示鼠标点击", "选择框显示按键": "显示按键",
}
INITIAL_LISTS = {
    "组合框间隔单位": (UNITS, 0), "组合框变速单位": (UNITS, 0), "组合框时间单位": (UNITS, 2),
    "组合框缩放": (SCALES, 8), "组合框静态画面": (["时间等待", "直接跳过"], 0),
    "组合框播放次数": (["无限循环", "1次", "2次", "4次", "8次", "16次", "32次", "64次", "指定次数.."], 0),
    "组合框水印方位": (["左上", "左下", "右上", "右下", "中上", "中下", "中左", "中右", "中间"], 8),
    "组合框保存格式": (["BMP", "JPG", "GIF", "TIFF", "PNG"], 4),
}
DEPENDENTS = {
    "选择框录制区域": ["编辑框左边", "编辑框顶边", "编辑框宽度", "编辑框高度", "选择框跟随鼠标", "选择框显示外框", "超级按钮矩形"],
    "选择框显示鼠标": ["编辑框光标文件", "按钮选择光标"],
    "选择框图像水印": ["编辑框图像文件", "按钮选择图像", "颜色选择器图像水印透明色"],
    "选择框文字水印": ["编辑框文字内容", "按钮输入文字", "按钮设置字体", "颜色选择器文字水印背景色"],
    "选择框停止帧数": ["编辑框帧数"],
    "选择框停止时间": ["编辑框时间", "组合框时间单位"],
    "选择框录制倒计时": ["编辑框倒计时值"],
    "选择框保存帧": ["编辑框保存路径", "组合框保存格式", "选择框自动清空帧", "按钮选择帧路径"],
    "选择框精简GIF": ["选择框抖动", "编辑框有损压缩"],
}


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def inside(inner, outer):
    return outer[0] <= inner[0] and outer[1] <= inner[1] and inner[2] <= outer[2] and inner[3] <= outer[3]


class MainWindowTest(MovrelTestCase):
    def test_initial_values_and_idle_look(self):
        app = self.launch()
        controls = app.dump()
        self.assertFalse([c for c in controls.values() if c.get("missing")])
        for name, checked in INITIAL_CHECKS.items():
            self.assertEqual(controls[name]["checked"], checked, name)
        for name, text in INITIAL_TEXTS.items():
            self.assertEqual(controls[name]["text"], text, name)
        for name, (items, selected) in INITIAL_LISTS.items():
            self.assertEqual(controls[name]["items"], items, name)
            self.assertEqual(controls[name]["selected"], selected, name)
        self.assertTrue(controls["分组框1"]["text"].startswith("1.基本设置"))
        self.assertEqual(controls["编辑框文字内容"]["text"].split("\r\n")[1], "现在时间(#年-#月-#日 #时:#分:#秒)")
        self.assertEqual(controls["颜色选择器图像水印透明色"]["text"], "#FFFFFF")
        # Idle, nothing recorded: only the start command is available.
        self.assertTrue(controls["链接开始录制"]["enabled"])
        self.assertTrue(controls["图片框开始录制"]["enabled"])
        for name in ["链接停止录制", "图片框停止录制", "链接预览播放", "图片框预览播放", "链接保存动画", "图片框保存动画"]:
            self.assertFalse(controls[name]["enabled"], name)
        # The hidden work canvas never shows.
        self.assertFalse(controls["处理画板"]["visible"])
        self.assertTrue(controls["显示画板"]["visible"])
        # Every dependent control follows its check box from the start.
        for box, dependents in DEPENDENTS.items():
            for d in dependents:
                self.assertEqual(controls[d]["enabled"], INITIAL_CHECKS[box], d)
        app.screenshot("main-window.png")

    def test_check_boxes_enable_their_dependents(self):
        app = self.launch()
        app.focus()
        for box, dependents in DEPENDENTS.items():
            for _ in range(2):
                before = app.get(box)["checked"]
                app.mouse_click(box)
                wait_until(lambda: app.get(box)["checked"] != before, what=f"{box} toggled")
                states = app.dump()
                for d in dependents:
                    self.assertEqual(states[d]["enabled"], not before, f"{d} after clicking {box}")

    def test_feature_notes_open_read_only(self):
        app = self.launch()
        app.focus()
        app.mouse_click("链接疑点说明")
        app.wait_window("疑点说明")
        children = app.children("疑点说明")
        texts = [c["text"] for c in children]
        self.assertIn("以下为信息详情：", texts)
        notes = next(c["text"] for c in children if c["class"].lower() == "edit")
        for topic in ["静止画面", "动态区域定位", "F8", "F9", "F10", "F11", "Alt+F12", "托盘", "画质", "帧间隔",
                      "缩放", "每帧变速", "#年", "抖动", "有损压缩", "大小上限"]:
            self.assertIn(topic, notes)
        buttons = [c["text"] for c in children if c["class"].lower() == "button" and c["visible"]]
        self.assertEqual(buttons, ["关闭(&G)"])
        # The main window waits while the dialog is open.
        main = next(w for w in app.windows() if w["title"] == TITLE)
        self.assertFalse(main["enabled"])
        probe("press", "疑点说明", "关闭")
        app.wait_gone("疑点说明")

    def test_text_entry_dialog_edits_the_watermark_text(self):
        app = self.launch()
        app.focus()
        app.mouse_click("选择框文字水印")
        wait_until(lambda: app.get("按钮输入文字")["enabled"], what="输入.. enabled")
        app.mouse_click("按钮输入文字")
        app.wait_window("Kelv：")
        children = app.children("Kelv：")
        self.assertIn("请输入水印的文字内容，可以引用 #年、#月、#日、#时、#分、#秒", [c["text"] for c in children])
        buttons = {c["text"] for c in children if c["class"].lower() == "button"}
        self.assertTrue({"确定(&O)", "关闭(&C)", "清空(&L)", "粘贴(&V)", "还原(&R)", "导入文件内容(&I)",
                         "导入文件路径(&P)"} <= buttons, buttons)
        # Clear, type a new text, then try to close: the change guard asks.
        probe("press", "Kelv：", "清空")
        edit_text = lambda: next(c["text"] for c in app.children("Kelv：") if c["class"].lower() == "edit")
        wait_until(lambda: edit_text() == "", what="cleared text")
        edit = next(c for c in app.children("Kelv：") if c["class"].lower() == "edit")
        left, top, right, bottom = edit["rect"]
        from movrel_e2e import xdotool
        xdotool("mousemove", "--sync", (left + right) // 2, (top + bottom) // 2)
        xdotool("click", 1)
        app.type_text("hello 2026")
        wait_until(lambda: edit_text() == "hello 2026", what="typed text")
        probe("press", "Kelv：", "关闭")
        # The guard is a second window of the same caption, above the dialog.
        wait_until(lambda: sum(w["title"] == "Kelv：" for w in app.windows()) == 2, what="change guard")
        # "No" keeps the dialog with the edited text.
        probe("press", "Kelv：", "否")
        wait_until(lambda: edit_text() == "hello 2026", what="dialog kept")
        probe("press", "Kelv：", "确定")
        app.wait_gone("Kelv：")
        wait_until(lambda: app.get("编辑框文字内容")["text"] == "hello 2026", what="text written back")

    def test_close_box_hides_and_the_tray_exit_asks(self):
        app = self.launch()
        probe("close", TITLE)
        wait_until(lambda: not any(w["title"] == TITLE for w in app.windows()), what="main window hidden")
        self.assertIsNone(app.process.poll())
        # Cancel keeps the program running; OK ends it with code 0.
        app.tray_click("right")
        app.answer_message("确定要退出 Movrel 吗？", "取消")
        self.assertIsNone(app.process.poll())
        self.assertEqual(app.exit_through_tray(), 0)


class LayoutTest(MovrelTestCase):
    """No control overlaps another or leaves its group, as the window really
    lays them out (the table's places are checked at other DPIs on the host)."""

    def test_layout(self):
        app = self.launch()
        controls = [c for c in app.dump().values() if c["visible"]]
        groups = {c["name"]: c["rect"] for c in controls if c["name"].startswith("分组框")}
        plain = [c for c in controls if not c["name"].startswith("分组框")]
        for i, a in enumerate(plain):
            for b in plain[i + 1:]:
                self.assertFalse(overlaps(a["rect"], b["rect"]), f"{a['name']} overlaps {b['name']}")
        for c in plain:
            for g in groups.values():
                if overlaps(c["rect"], g):
                    self.assertTrue(inside(c["rect"], g), f"{c['name']} crosses a group edge")


if __name__ == "__main__":
    unittest.main()

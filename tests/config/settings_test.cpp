#include "config/settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <tuple>
#include <vector>

#include "common/file_io.h"
#include "support/temp_folder.h"

namespace movrel {

bool operator==(const WatermarkFont& a, const WatermarkFont& b) {
  return std::tie(a.faceName, a.heightPx, a.bold, a.italic, a.strikeOut, a.underline, a.charSet, a.weight) ==
         std::tie(b.faceName, b.heightPx, b.bold, b.italic, b.strikeOut, b.underline, b.charSet, b.weight);
}

namespace {

const char kInitialWatermark[] = "Movrel 录制\r\n现在时间(#年-#月-#日 #时:#分:#秒)";

// The main window's settings controls with their initial values, and a log
// of every change made to them.
struct FakeControls : SettingsControls {
  struct List {
    std::vector<std::string> items;
    int index;
    bool operator==(const List& o) const { return items == o.items && index == o.index; }
  };
  struct State {
    std::map<std::string, std::string> texts;
    std::map<std::string, bool> checks;
    std::map<std::string, List> lists;
    std::map<std::string, uint32_t> pickers;
    uint32_t textColour = 0x00FF0000;
    uint32_t backgroundColour = 0x00FFFFFF;
    // GB2312_CHARSET, normal weight, as the window's edit starts.
    WatermarkFont font{"宋体", 15, false, false, false, false, 134, 400};
    WatermarkFont dialogFont{"宋体", 0, false, false, false, false, 134, 400};
    uint32_t dialogColour = 0;
    std::string saveDialogPath;
    auto Tie() const {
      return std::tie(texts, checks, lists, pickers, textColour, backgroundColour, font, dialogFont, dialogColour,
                      saveDialogPath);
    }
    bool operator==(const State& o) const { return Tie() == o.Tie(); }
  };
  struct Call {
    std::string what;
    std::string control;
    bool loading;
  };

  FakeControls() {
    s.texts = {{"编辑框左边", "0"},     {"编辑框顶边", "0"},
               {"编辑框宽度", "500"},   {"编辑框高度", "500"},
               {"编辑框帧间隔", "200"}, {"编辑框每帧变速", "0"},
               {"编辑框光标文件", "指定一个鼠标指针文件"},
               {"编辑框图像文件", "指定一个图像文件"},
               {"编辑框文字内容", kInitialWatermark},
               {"编辑框边缘距离", "5"}, {"编辑框帧数", "200"},
               {"编辑框时间", "1.5"},   {"编辑框倒计时值", "3"},
               {"编辑框保存路径", "\\帧文件夹"}, {"编辑框有损压缩", "0"},
               {"编辑框大小上限", ""}};
    for (const char* name : {"选择框录制区域", "单选框标准", "选择框显示鼠标", "选择框录制倒计时", "选择框缩到托盘",
                             "选择框自动清空帧", "选择框精简GIF"}) {
      s.checks[name] = true;
    }
    for (const char* name : {"选择框跟随鼠标", "选择框显示外框", "单选框稍逊", "选择框图像水印", "选择框文字水印",
                             "选择框停止帧数", "选择框停止时间", "选择框保存帧", "选择框抖动", "选择框显示鼠标点击",
                             "选择框显示按键"}) {
      s.checks[name] = false;
    }
    const std::vector<std::string> units = {"毫", "秒", "分", "时"};
    std::vector<std::string> scales = {"5000%", "2000%", "1000%", "400%", "200%", "150%", "130%", "110%", "100%"};
    for (int percent = 90; percent >= 10; percent -= 10) scales.push_back(std::to_string(percent) + "%");
    s.lists = {{"组合框间隔单位", {units, 0}},
               {"组合框缩放", {scales, 8}},
               {"组合框变速单位", {units, 0}},
               {"组合框静态画面", {{"时间等待", "直接跳过"}, 0}},
               {"组合框播放次数",
                {{"无限循环", "1次", "2次", "4次", "8次", "16次", "32次", "64次", "指定次数.."}, 0}},
               {"组合框水印方位", {{"左上", "左下", "右上", "右下", "中上", "中下", "中左", "中右", "中间"}, 8}},
               {"组合框时间单位", {units, 2}},
               {"组合框保存格式", {{"BMP", "JPG", "GIF", "TIFF", "PNG"}, 4}}};
    s.pickers = {{"颜色选择器图像水印透明色", 0x00FFFFFF}, {"颜色选择器文字水印背景色", 0xFF000000}};
  }

  void Log(const char* what, const std::string& control) { calls.push_back({what, control, loading}); }

  std::string GetText(const std::string& c) const override { return s.texts.at(c); }
  void SetText(const std::string& c, const std::string& t) override { s.texts.at(c) = t; Log("text", c); }
  bool GetChecked(const std::string& c) const override { return s.checks.at(c); }
  void SetChecked(const std::string& c, bool v) override { s.checks.at(c) = v; Log("checked", c); }
  int GetListCount(const std::string& c) const override { return static_cast<int>(s.lists.at(c).items.size()); }
  int GetListIndex(const std::string& c) const override { return s.lists.at(c).index; }
  void SetListIndex(const std::string& c, int i) override {
    EXPECT_TRUE(i >= 0 && i < GetListCount(c)) << c << " " << i;
    s.lists.at(c).index = i;
    Log("index", c);
  }
  std::string GetListItemText(const std::string& c, int i) const override { return s.lists.at(c).items.at(i); }
  void SetListItemText(const std::string& c, int i, const std::string& t) override {
    s.lists.at(c).items.at(i) = t, Log("item", c);
  }
  uint32_t GetPickerColour(const std::string& c) const override { return s.pickers.at(c); }
  void SetPickerColour(const std::string& c, uint32_t v) override { s.pickers.at(c) = v; Log("picker", c); }
  uint32_t GetTextColour(const std::string&) const override { return s.textColour; }
  void SetTextColour(const std::string& c, uint32_t v) override { s.textColour = v; Log("textColour", c); }
  uint32_t GetBackgroundColour(const std::string&) const override { return s.backgroundColour; }
  void SetBackgroundColour(const std::string& c, uint32_t v) override {
    s.backgroundColour = v, Log("backgroundColour", c);
  }
  WatermarkFont GetFont(const std::string&) const override { return s.font; }
  void SetFont(const std::string& c, const WatermarkFont& f) override { s.font = f; Log("font", c); }
  void SetFontDialog(const std::string& d, const WatermarkFont& f, uint32_t colour) override {
    s.dialogFont = f, s.dialogColour = colour, Log("fontDialog", d);
  }
  std::string GetDialogFileName(const std::string&) const override { return s.saveDialogPath; }
  void SetDialogFileName(const std::string& d, const std::string& p) override {
    s.saveDialogPath = p, Log("dialogFile", d);
  }
  void SetSettingsLoading(bool v) override { loading = v; Log(v ? "loading on" : "loading off", ""); }
  void RefreshDependentControls(bool preview) override { Log(preview ? "refresh+preview" : "refresh", ""); }

  State s;
  bool loading = false;
  std::vector<Call> calls;
};

class SettingsTest : public ::testing::Test {
 protected:
  // Loads a settings file holding `content` into fresh controls.
  void LoadFrom(const std::string& content) {
    store_.Close();
    ASSERT_TRUE(WriteWholeFile(path_, content));
    ASSERT_TRUE(store_.Open(FilePath::FromGbk(path_)));
    LoadSettings(store_, loaded_, desktop_);
  }
  std::string FileText() {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path_, &bytes));
    return bytes;
  }

  test::TempFolder dir_;
  std::string path_ = dir_ / "Movrel.ini";
  ConfigStore store_;
  FakeControls loaded_;
  // The primary and a monitor left of it.
  Desktop desktop_{{{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}}};
};

// Golden bytes: the file the program writes from its initial values.
TEST_F(SettingsTest, SavedFileHoldsExactlyTheKeyLines) {
  const char* const lines[] = {
      "选择框录制区域=真", "矩形.左边=0", "矩形.顶边=0", "矩形.右边=500", "矩形.底边=500",
      "选择框跟随鼠标=假", "选择框显示外框=假", "单选框标准=真", "单选框稍逊=假", "帧间隔=200",
      "间隔单位=0", "帧缩放=8", "帧变速=0", "变速单位=0", "静态画面=0", "播放次数=0",
      "播放次数指定值=指定次数..", "选择框显示鼠标=真", "光标文件=指定一个鼠标指针文件", "选择框图像水印=假",
      "图像文件=指定一个图像文件", "透明颜色=16777215", "选择框文字水印=假",
      "文字内容=Movrel 录制┊*┊现在时间(#年-#月-#日 #时:#分:#秒)", "水印方位=8", "边缘距离=5",
      "文字.背景色=16777215", "文字.字色=16711680", "文字.加粗=假", "文字.倾斜=假", "文字.删除线=假",
      "文字.下划线=假", "文字.字体名称=宋体", "文字.字体大小=15", "选择框停止帧数=假", "帧数=200",
      "选择框停止时间=假", "时间=1.5", "时间单位=2", "选择框录制倒计时=真", "倒计时值=3", "选择框缩到托盘=真",
      "选择框保存帧=假", "保存路径=\\帧文件夹", "保存格式=4", "选择框自动清空帧=真", "合成路径=", "选择框精简GIF=真",
      "文字.字符集=134", "文字.粗细=400", "选择框抖动=假", "有损压缩=0", "大小上限=",
      "选择框显示鼠标点击=假", "选择框显示按键=假",
  };
  static_assert(sizeof lines / sizeof lines[0] == kSettingsKeyCount, "one line per key");
  // Each new key goes directly behind the header, so the first key written
  // ends up last.
  std::string expected = "\x5B\xD6\xF7\xBD\xE7\xC3\xE6\x5D";  // "[主界面]" in GBK
  for (size_t i = kSettingsKeyCount; i-- > 0;) expected += std::string("\r\n") + lines[i];

  ASSERT_TRUE(store_.Open(FilePath::FromGbk(path_)));
  // The window events handled between the keys see the file as it was: a
  // save reaches it whole, once, at its end.
  std::string before;
  int changedDuringSave = 0;
  store_.SetMessagePump([&] { changedDuringSave += FileText() == before ? 0 : 1; });
  FakeControls controls;
  EXPECT_TRUE(SaveSettings(store_, controls));
  EXPECT_EQ(FileText(), expected);
  EXPECT_EQ(changedDuringSave, 0);
  // Saving again rewrites values in place: the same bytes.
  before = expected;
  EXPECT_TRUE(SaveSettings(store_, controls));
  EXPECT_EQ(FileText(), expected);
  // A changed save keeps the file before it beside it, byte for byte.
  controls.s.texts["编辑框帧间隔"] = "150";
  EXPECT_TRUE(SaveSettings(store_, controls));
  EXPECT_EQ(changedDuringSave, 0);
  std::string backup;
  ASSERT_TRUE(ReadWholeFile(path_ + ".bak", &backup));
  EXPECT_EQ(backup, expected);
  // The "┊*┊" of the watermark text is A9 AE 2A A9 AE.
  EXPECT_NE(expected.find("Movrel \xC2\xBC\xD6\xC6\xA9\xAE*\xA9\xAE"), std::string::npos);
}

TEST_F(SettingsTest, MissingKeysKeepInitialValues) {
  LoadFrom("[主界面]\r\n矩形.右边=800");
  FakeControls expected;
  expected.s.texts["编辑框宽度"] = "800";
  // The copy after the font key puts the edit's colour and font where the
  // user edits them.
  expected.s.pickers["颜色选择器文字水印背景色"] = 0x00FFFFFF;
  expected.s.dialogFont = expected.s.font;
  expected.s.dialogColour = expected.s.textColour;
  EXPECT_TRUE(loaded_.s == expected.s);
  EXPECT_EQ(loaded_.s.texts["编辑框宽度"], "800");
  // Files written before 选择框精简GIF existed lack its key.
  EXPECT_TRUE(loaded_.s.checks["选择框精简GIF"]);
}

TEST_F(SettingsTest, ARectangleOnAMonitorThatIsGoneMovesOntoThePrimary) {
  LoadFrom("[主界面]\r\n矩形.左边=5000\r\n矩形.顶边=3000\r\n矩形.右边=400\r\n矩形.底边=300");
  EXPECT_EQ(loaded_.s.texts["编辑框左边"], "1520");
  EXPECT_EQ(loaded_.s.texts["编辑框顶边"], "780");
  EXPECT_EQ(loaded_.s.texts["编辑框宽度"], "400");
  EXPECT_EQ(loaded_.s.texts["编辑框高度"], "300");
  // Written while loading, so no change handler reacts before the refresh.
  for (const auto& call : loaded_.calls) {
    if (call.what == "text" && call.control == "编辑框左边") {
      EXPECT_TRUE(call.loading);
    }
  }
  EXPECT_EQ(loaded_.calls.back().what, "refresh+preview");
  // One on the monitor left of the primary stays where it is.
  LoadFrom("[主界面]\r\n矩形.左边=-1000\r\n矩形.顶边=-20\r\n矩形.右边=400\r\n矩形.底边=300");
  EXPECT_EQ(loaded_.s.texts["编辑框左边"], "-1000");
  EXPECT_EQ(loaded_.s.texts["编辑框顶边"], "-20");
}

TEST_F(SettingsTest, AFileWithoutTheFileOptionsLoadsThemAsDefaults) {
  // A file of the version before dithering, the lossy level and the size
  // limit: its last keys load, the new ones stay lossless, undithered and
  // unlimited.
  LoadFrom("[主界面]\r\n选择框精简GIF=假\r\n文字.字符集=0\r\n文字.粗细=700\r\n帧间隔=150");
  EXPECT_FALSE(loaded_.s.checks["选择框精简GIF"]);
  EXPECT_EQ(loaded_.s.font.weight, 700);
  EXPECT_EQ(loaded_.s.texts["编辑框帧间隔"], "150");
  EXPECT_FALSE(loaded_.s.checks["选择框抖动"]);
  EXPECT_EQ(loaded_.s.texts["编辑框有损压缩"], "0");
  EXPECT_EQ(loaded_.s.texts["编辑框大小上限"], "");
  // Saved again, the file gains the three keys at their defaults.
  EXPECT_TRUE(SaveSettings(store_, loaded_));
  const std::string text = FileText();
  for (const char* line : {"选择框抖动=假", "有损压缩=0", "大小上限=", "选择框精简GIF=假"}) {
    EXPECT_NE(text.find(std::string("\r\n") + line), std::string::npos) << line;
  }
}

TEST_F(SettingsTest, EveryKindOfSettingRoundTrips) {
  FakeControls changed;
  changed.s.checks["选择框录制区域"] = false;
  changed.s.checks["选择框跟随鼠标"] = true;
  changed.s.checks["单选框标准"] = false;
  changed.s.checks["单选框稍逊"] = true;
  changed.s.checks["选择框保存帧"] = true;
  changed.s.texts["编辑框左边"] = "-12";
  changed.s.texts["编辑框文字内容"] = "第一行\r\n\r\n第三行 #年";
  changed.s.texts["编辑框保存路径"] = "D:\\運閉[x]\\帧";
  changed.s.lists["组合框缩放"].index = 17;
  changed.s.lists["组合框播放次数"].index = 8;
  changed.s.lists["组合框播放次数"].items[8] = "指定次数(5)..";
  changed.s.lists["组合框保存格式"].index = 0;
  changed.s.pickers["颜色选择器图像水印透明色"] = 0x0000FF00;
  changed.s.textColour = 0x000000FF;
  changed.s.backgroundColour = 0;
  // A Latin face with its own character set (ANSI_CHARSET) and a weight
  // between bold and black.
  changed.s.font = {"Arial", 21, true, true, true, true, 0, 800};
  changed.s.saveDialogPath = "C:\\录像\\a.gif";
  changed.s.checks["选择框抖动"] = true;
  changed.s.texts["编辑框有损压缩"] = "35";
  changed.s.texts["编辑框大小上限"] = "9.5";
  ASSERT_TRUE(store_.Open(FilePath::FromGbk(path_)));
  EXPECT_TRUE(SaveSettings(store_, changed));

  LoadFrom(FileText());
  // Loading copies the font and colours to the font dialog and the picker.
  changed.s.dialogFont = changed.s.font;
  changed.s.dialogColour = changed.s.textColour;
  changed.s.pickers["颜色选择器文字水印背景色"] = 0;
  EXPECT_TRUE(loaded_.s == changed.s);
  EXPECT_EQ(loaded_.s.texts["编辑框文字内容"], "第一行\r\n\r\n第三行 #年");
  EXPECT_EQ(loaded_.s.lists["组合框播放次数"].items[8], "指定次数(5)..");
  EXPECT_EQ(loaded_.s.font.heightPx, 21);
}

TEST_F(SettingsTest, NoColourRoundTrips) {
  // "透明色" (0xFF000000) is a valid choice for the image's transparent
  // colour and the text background; it must survive a restart.
  FakeControls changed;
  changed.s.pickers["颜色选择器图像水印透明色"] = 0xFF000000;
  changed.s.backgroundColour = 0xFF000000;
  ASSERT_TRUE(store_.Open(FilePath::FromGbk(path_)));
  EXPECT_TRUE(SaveSettings(store_, changed));
  LoadFrom(FileText());
  EXPECT_EQ(loaded_.s.pickers["颜色选择器图像水印透明色"], 0xFF000000u);
  EXPECT_EQ(loaded_.s.backgroundColour, 0xFF000000u);
  EXPECT_EQ(loaded_.s.pickers["颜色选择器文字水印背景色"], 0xFF000000u);
}

TEST_F(SettingsTest, StoredValuesAsRead) {
  struct Case {
    const char* line;
    std::function<bool(const FakeControls::State&)> holds;
  };
  const FakeControls::State initial = FakeControls().s;
  const Case cases[] = {
      {"选择框录制区域=1", [](auto& s) { return !s.checks.at("选择框录制区域"); }},
      {"选择框录制区域=", [](auto& s) { return !s.checks.at("选择框录制区域"); }},
      {"选择框图像水印=真", [](auto& s) { return s.checks.at("选择框图像水印"); }},
      {"选择框精简GIF=假", [](auto& s) { return !s.checks.at("选择框精简GIF"); }},
      {"选择框抖动=真", [](auto& s) { return s.checks.at("选择框抖动"); }},
      // The edits keep what the file says; a save checks it.
      {"有损压缩=abc", [](auto& s) { return s.texts.at("编辑框有损压缩") == "abc"; }},
      {"大小上限=9.5", [](auto& s) { return s.texts.at("编辑框大小上限") == "9.5"; }},
      {"帧缩放=8.9", [](auto& s) { return s.lists.at("组合框缩放").index == 8; }},
      {"帧缩放=17", [](auto& s) { return s.lists.at("组合框缩放").index == 17; }},
      {"帧缩放=abc", [](auto& s) { return s.lists.at("组合框缩放").index == 0; }},
      {"帧缩放=18", [](auto& s) { return s.lists.at("组合框缩放").index == 8; }},  // beyond the list
      {"帧缩放=-1", [](auto& s) { return s.lists.at("组合框缩放").index == 8; }},
      {"播放次数指定值=指定次数(5)..",
       [](auto& s) { return s.lists.at("组合框播放次数").items.at(8) == "指定次数(5).."; }},
      {"文字内容=a┊*┊b", [](auto& s) { return s.texts.at("编辑框文字内容") == "a\r\nb"; }},
      {"透明颜色=255", [](auto& s) { return s.pickers.at("颜色选择器图像水印透明色") == 255u; }},
      {"透明颜色=-1", [](auto& s) { return s.pickers.at("颜色选择器图像水印透明色") == 0xFFFFFFu; }},
      {"透明颜色=16777216", [](auto& s) { return s.pickers.at("颜色选择器图像水印透明色") == 0xFFFFFFu; }},
      {"文字.字色=junk", [](auto& s) { return s.textColour == 0u; }},
      {"文字.字体大小=21.7", [](auto& s) { return s.font.heightPx == 21 && s.dialogFont.heightPx == 21; }},
      {"文字.字体大小=0", [](auto& s) { return s.font.heightPx == 15; }},
      {"文字.字体大小=1001", [](auto& s) { return s.font.heightPx == 15; }},
      {"文字.字体名称=", [](auto& s) { return s.font.faceName == "宋体"; }},
      {"文字.字体名称=黑体", [](auto& s) { return s.font.faceName == "黑体" && s.dialogFont.faceName == "黑体"; }},
      {"文字.背景色=0", [](auto& s) { return s.pickers.at("颜色选择器文字水印背景色") == 0u; }},
      {"文字.字符集=0", [](auto& s) { return s.font.charSet == 0 && s.dialogFont.charSet == 0; }},
      {"文字.字符集=256", [](auto& s) { return s.font.charSet == 134; }},
      {"文字.粗细=600", [](auto& s) { return s.font.weight == 600 && !s.font.bold && s.dialogFont.weight == 600; }},
      {"文字.粗细=900", [](auto& s) { return s.font.weight == 900 && s.font.bold && s.dialogFont.bold; }},
      {"文字.粗细=0", [](auto& s) { return s.font.weight == 400; }},
      // Files written before the weight was stored: the bold flag gives it.
      {"文字.加粗=真", [](auto& s) { return s.font.bold && s.font.weight == 700 && s.dialogFont.weight == 700; }},
      {"编辑框宽度=800", [&](auto& s) { return s.texts == initial.texts; }},  // a control name is no key
  };
  for (const Case& c : cases) {
    loaded_ = FakeControls();
    LoadFrom(std::string("[主界面]\r\n") + c.line);
    EXPECT_TRUE(c.holds(loaded_.s)) << c.line;
  }
}

TEST_F(SettingsTest, RadioGroupStaysConsistent) {
  struct Case {
    const char* lines;
    bool standard, coarse;
  };
  const Case cases[] = {
      {"单选框标准=假\r\n单选框稍逊=真", false, true},
      {"单选框标准=真\r\n单选框稍逊=真", true, false},
      {"单选框标准=假\r\n单选框稍逊=假", true, false},
      {"单选框稍逊=真", true, false},
  };
  for (const Case& c : cases) {
    loaded_ = FakeControls();
    LoadFrom(std::string("[主界面]\r\n") + c.lines);
    EXPECT_EQ(loaded_.s.checks["单选框标准"], c.standard) << c.lines;
    EXPECT_EQ(loaded_.s.checks["单选框稍逊"], c.coarse) << c.lines;
  }
}

TEST_F(SettingsTest, LoadOrderAndLoadingFlag) {
  LoadFrom("[主界面]\r\n合成路径=C:\\a.gif\r\n文字.字色=255\r\n文字.背景色=0\r\n文字.加粗=真");
  const auto& calls = loaded_.calls;
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls.front().what, "loading on");
  EXPECT_EQ(calls.back().what, "refresh+preview");

  // Keys 1..46 reach their controls in table order while the flag is set.
  std::vector<std::string> touched;
  size_t i = 1;
  for (; i < calls.size() && calls[i].what != "fontDialog"; ++i) {
    EXPECT_TRUE(calls[i].loading) << calls[i].what << " " << calls[i].control;
    if (touched.empty() || touched.back() != calls[i].control) touched.push_back(calls[i].control);
  }
  // The copy follows the font size, with the values just loaded.
  ASSERT_LT(i + 1, calls.size());
  EXPECT_EQ(calls[i - 1].what, "font");
  EXPECT_EQ(calls[i + 1].what, "picker");
  EXPECT_EQ(calls[i + 1].control, "颜色选择器文字水印背景色");
  EXPECT_TRUE(calls[i + 1].loading);
  EXPECT_EQ(loaded_.s.dialogColour, 255u);
  EXPECT_TRUE(loaded_.s.dialogFont.bold);
  EXPECT_EQ(loaded_.s.pickers["颜色选择器文字水印背景色"], 0u);

  std::vector<std::string> expected;
  for (size_t k = 0; k <= 33; ++k) {
    if (expected.empty() || expected.back() != kSettingsKeys[k].control) expected.push_back(kSettingsKeys[k].control);
  }
  EXPECT_EQ(touched, expected);

  // The flag is cleared just before the save dialog's path is read and
  // stays cleared for the keys behind it; the font dialog is given the
  // font once more after the last keys.
  size_t n = calls.size();
  EXPECT_EQ(calls[n - 12].what, "loading off");
  EXPECT_EQ(calls[n - 11].what, "dialogFile");
  EXPECT_FALSE(calls[n - 11].loading);
  EXPECT_EQ(calls[n - 10].control, "选择框精简GIF");
  EXPECT_FALSE(calls[n - 10].loading);
  EXPECT_EQ(calls[n - 9].what, "font");
  EXPECT_EQ(calls[n - 8].what, "font");
  EXPECT_EQ(calls[n - 7].control, "选择框抖动");
  EXPECT_EQ(calls[n - 6].control, "编辑框有损压缩");
  EXPECT_EQ(calls[n - 5].control, "编辑框大小上限");
  EXPECT_FALSE(calls[n - 5].loading);
  EXPECT_EQ(calls[n - 4].control, "选择框显示鼠标点击");
  EXPECT_EQ(calls[n - 3].control, "选择框显示按键");
  EXPECT_EQ(calls[n - 2].what, "fontDialog");
  EXPECT_EQ(calls[n - 13].control, "选择框自动清空帧");
  EXPECT_EQ(loaded_.s.saveDialogPath, "C:\\a.gif");
}

}  // namespace
}  // namespace movrel

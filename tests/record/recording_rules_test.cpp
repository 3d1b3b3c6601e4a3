#include "record/recording_rules.h"

#include <gtest/gtest.h>

#include <climits>

namespace movrel {
namespace {

TEST(FormatDurationTest, PicksTheUnitAndRoundsToTwoDecimals) {
  struct Case {
    int64_t ms;
    const char* text;
  } cases[] = {
      {0, "0 毫秒"},
      {200, "200 毫秒"},
      {999, "999 毫秒"},
      {1000, "1 秒"},
      {1500, "1.5 秒"},
      {1234, "1.23 秒"},
      {59999, "60 秒"},  // below the limit, rounded for display
      {60000, "1 分"},
      {90000, "1.5 分"},
      {3600000, "1 时"},
      {5400000, "1.5 时"},
      {86400000, "1 天"},
      {2592000000LL, "1 月"},
      {31104000000LL, "1 年"},
      {77760000000LL, "2.5 年"},
      // Within 1e-7 of a limit counts as reaching it.
      {2592000000LL - 5, "1 月"},
      {2592000000LL - 9, "30 天"},
      {31104000000LL - 100, "1 年"},
      {31104000000LL - 300, "12 月"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDuration(c.ms), c.text) << c.ms;
}

TEST(RecordingCaptionTest, CaptionsTipsAndCountdown) {
  EXPECT_EQ(RunningCaption(12, 2400, false), "1.基本设置（帧数：12 时间：2.4 秒）");
  EXPECT_EQ(RunningCaption(3, 600, true), "1.基本设置（帧数：3 时间：600 毫秒）<静止画面>");
  EXPECT_STREQ(StartCaption(RecorderPhase::kIdle), "开始录制(F9)");
  EXPECT_STREQ(StartCaption(RecorderPhase::kRecording), "暂停录制(F9)");
  EXPECT_STREQ(StartCaption(RecorderPhase::kPaused), "继续录制(F9)");
  EXPECT_STREQ(TrayTip(RecorderTrayState::kIdle), "Movrel");
  EXPECT_STREQ(TrayTip(RecorderTrayState::kRecordingStill), "Movrel\r\n(正在录制中但出现静止画面..按F9键暂停或F10键停止)");
  EXPECT_EQ(CountdownStartSeconds(0), 3);
  EXPECT_EQ(CountdownStartSeconds(-2), 3);
  EXPECT_EQ(CountdownStartSeconds(5), 5);
}

// A program folder with a letter GBK lacks (Hangul 한) stays as it is.
const FilePath kProgramPath = FilePath(u"C:\\Movrel \uD55C\\");

TEST(FramePathsTest, FrameFolderFromTheSetting) {
  struct Case {
    const char* text;
    std::u16string folder;
  } cases[] = {
      {"\\帧文件夹", u"C:\\Movrel \uD55C\\帧文件夹\\"},
      {"\\帧文件夹\\", u"C:\\Movrel \uD55C\\帧文件夹\\"},
      {"D:\\frames", u"D:\\frames\\"},
      {"D:\\運", u"D:\\運\\"},  // the trail byte is no separator
      {"\\\\server\\share\\f", u"\\\\server\\share\\f\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveFrameFolder(c.text, kProgramPath).Units(), c.folder) << c.text;
}

TEST(FramePathsTest, ChosenFolderBelowTheProgramBecomesRelative) {
  struct Case {
    std::u16string program, chosen;
    const char* setting;  // null: refused
  } cases[] = {
      // 運 is DF 5C in GBK: its second byte is "\".
      {u"C:\\Movrel 運\\", u"C:\\Movrel 運\\帧文件夹", "\\帧文件夹"},
      {u"C:\\Movrel 運\\", u"C:\\Movrel 運\\a\\b", "\\a\\b"},
      {u"C:\\Movrel 運\\", u"C:\\Movrel 運", "\\"},
      {u"C:\\Movrel 運\\", u"C:\\Movrel 運2\\x", "C:\\Movrel 運2\\x"},  // a sibling, not the program folder
      {u"C:\\Movrel 運\\", u"c:\\movrel 運\\x", "c:\\movrel 運\\x"},    // case-sensitive
      {u"C:\\Movrel 運\\", u"E:\\out", "E:\\out"},
      // Letters GBK lacks: below such a program folder the relative text
      // holds the frame folder; any other such folder has no GBK text that
      // names it, least of all one that reads as the program folder.
      {kProgramPath.Units(), u"C:\\Movrel \uD55C\\帧", "\\帧"},
      {kProgramPath.Units(), u"C:\\Movrel \uAD6D\\帧", nullptr},
      {kProgramPath.Units(), u"C:\\Movrel \uD55C\\\uAD6D", nullptr},
      {u"C:\\Movrel 運\\", u"D:\\\u00C0", nullptr},  // GBK has only a look-alike
  };
  for (const Case& c : cases) {
    std::string setting = "unchanged";
    EXPECT_EQ(FrameFolderSetting(FilePath(c.chosen), FilePath(c.program), &setting), c.setting != nullptr)
        << FilePath(c.chosen).Utf8();
    EXPECT_EQ(setting, c.setting ? c.setting : "unchanged") << FilePath(c.chosen).Utf8();
  }
}

TEST(FramePathsTest, Clock) {
  EXPECT_EQ(SecondsSince19700101At8(1970, 1, 1, 8, 0, 0), 0);
  EXPECT_EQ(SecondsSince19700101At8(1970, 1, 1, 7, 59, 59), -1);
  EXPECT_EQ(SecondsSince19700101At8(2000, 3, 1, 8, 0, 1), 951868801);
  EXPECT_EQ(SecondsSince19700101At8(2026, 12, 6, 17, 46, 14), 1796550374);
}

TEST(FramePathsTest, DirectoryChainPrefixes) {
  using V = std::vector<std::string>;
  struct Case {
    const char* path;
    V prefixes;
  } cases[] = {
      {"C:\\a\\b\\", V{"C:\\a", "C:\\a\\b"}},
      {"C:\\a\\b", V{"C:\\a"}},
      {"C:\\", V{}},
      {"\\a\\", V{"\\a"}},
      {"C:\\運\\b\\", V{"C:\\運", "C:\\運\\b"}},
      {"運\\b\\", V{"運", "運\\b"}},  // two bytes but no drive
      {"C:\\a\\\\b\\", V{"C:\\a", "C:\\a\\\\b"}},
      {"\\\\server\\share\\a\\b\\", V{"\\\\server\\share\\a", "\\\\server\\share\\a\\b"}},
      {"\\\\server\\share", V{}},
      {"name", V{}},
  };
  for (const Case& c : cases) {
    V prefixes;
    for (const FilePath& prefix : DirectoryChainPrefixes(FilePath::FromGbk(c.path))) prefixes.push_back(prefix.Gbk());
    EXPECT_EQ(prefixes, c.prefixes) << c.path;
  }
}

TEST(FramePathsTest, DeletionRefusesRootsAndBlanks) {
  const char* refused[] = {"", "   ", "\t", "C:", "C:\\", "  C:\\", "c:/", "\\", "\\\\", "\\\\server",
                           "\\\\server\\share", "\\\\server\\share\\", "//server/share/", "\\\\?\\C:\\"};
  for (const char* p : refused) EXPECT_TRUE(IsProtectedDeletePath(p)) << "[" << p << "]";
  const char* allowed[] = {"C:\\a", "C:\\a\\", " C:\\temp\\KVGifRecord_1\\", "\\\\server\\share\\dir", "運\\",
                           "C:\\運"};
  for (const char* p : allowed) EXPECT_FALSE(IsProtectedDeletePath(p)) << "[" << p << "]";
  EXPECT_EQ(SkipLeadingBlanks("  C:\\x"), "C:\\x");
}

TEST(FramePathsTest, FrameFileNames) {
  std::string stem = FrameFileStem(2026, 12, 6, 17, 46, 14);
  EXPECT_EQ(stem, "2026-12-06 17-46-14");
  EXPECT_EQ(FrameFileName("D:\\f\\", stem, 0, "BMP"), "D:\\f\\2026-12-06 17-46-14.BMP");
  EXPECT_EQ(FrameFileName("D:\\f\\", stem, 1, "BMP"), "D:\\f\\2026-12-06 17-46-14(1).BMP");
  EXPECT_EQ(FrameFileStem(987, 1, 2, 3, 4, 5), "0987-01-02 03-04-05");
}

}  // namespace
}  // namespace movrel

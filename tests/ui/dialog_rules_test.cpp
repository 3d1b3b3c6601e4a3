#include "ui/dialog_rules.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

TEST(MessageBoxStyle, AddsInformationIconOnlyWhenNoIconIsNamed) {
  struct Case {
    unsigned flags, style;
  } cases[] = {
      {kMbOk, 0x40 | 0x1000},
      {kMbOkCancel, 0x1 | 0x40 | 0x1000},
      {kMbYesNo | kMbIconQuestion, 0x4 | 0x20 | 0x1000},
      {kMbIconError, 0x10 | 0x1000},
      {kMbIconExclamation, 0x30 | 0x1000},
      {kMbIconInformation | kMbSystemModal, 0x40 | 0x1000},
      {0x100 /* default button 2 */, 0x100 | 0x40 | 0x1000},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageBoxStyle(c.flags), c.style) << std::hex << c.flags;
}

TEST(MessageBoxStyle, ResultCodes) {
  // IDOK .. IDNO answer 0 .. 6.
  for (int id = 1; id <= 7; ++id) EXPECT_EQ(MessageResultFromId(id), id - 1);
  EXPECT_EQ(MessageResultFromId(0), kResultCancel);  // the box could not be shown
  EXPECT_EQ(MessageResultFromId(11), kResultCancel);
}

TEST(DialogTexts, Defaults) {
  EXPECT_EQ(MessageCaption(""), "Kelv：");
  EXPECT_EQ(MessageCaption("疑点说明"), "疑点说明");
  EXPECT_EQ(TextEntryPrompt("", false), "请输入数据：");
  EXPECT_EQ(TextEntryPrompt("", true), "以下为信息详情：");
  EXPECT_EQ(TextEntryPrompt("说明", true), "说明");
}

TEST(DialogTexts, ImportedItemsGoOnLinesOfTheirOwn) {
  std::string text;
  AppendImportedItem(&text, "C:\\a.txt");
  AppendImportedItem(&text, "C:\\運\\b.txt");
  EXPECT_EQ(text, "C:\\a.txt\r\nC:\\運\\b.txt");
  std::string ended = "x\r\n";
  AppendImportedItem(&ended, "y");
  EXPECT_EQ(ended, "x\r\ny");
}

TEST(DialogTexts, ImportedFileKeepsEveryLineAroundZeroBytes) {
  // A zero byte would end the edit's text there, and every later line and
  // file with it.
  const char file[] = "第一行\r\n\0\0第二行\0";
  std::string text;
  AppendImportedItem(&text, ImportedFileText(std::string(file, sizeof file - 1)));
  AppendImportedItem(&text, ImportedFileText("下一个文件"));
  EXPECT_EQ(text, "第一行\r\n第二行\r\n下一个文件");
  EXPECT_EQ(text.find('\0'), std::string::npos);
  // UTF-16 text keeps its Latin letters.
  EXPECT_EQ(ImportedFileText(std::string("a\0b\0", 4)), "ab");
}

TEST(DialogTexts, RefusedFilesAndFailedSavesNameFileAndReason) {
  EXPECT_EQ(ImportRefusedText("D:\\運\\big.txt", true, kMaxImportedTextBytes),
            "无法导入文件：D:\\運\\big.txt\r\n原因：文件太大（最多16 MiB）");
  EXPECT_EQ(ImportRefusedText("a.cur", false, 4u * 1024u * 1024u), "无法导入文件：a.cur\r\n原因：无法读取该文件");
  EXPECT_EQ(SettingsSaveFailedText("C:\\閉\\Movrel.ini", "拒绝访问。"),
            "配置保存失败！\r\n\r\n文件：C:\\閉\\Movrel.ini\r\n原因：拒绝访问。");
}

}  // namespace
}  // namespace movrel

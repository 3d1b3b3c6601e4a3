#include "common/gbk.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

// "運" is DF 5C and "閉" is E9 5D in GBK: their trail bytes are '\\' and ']'.
const std::string kYun = "運";
const std::string kBi = "閉";

TEST(GbkLiterals, SourcesAreCompiledToGbk) {
  ASSERT_EQ(kYun.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(kYun[0]), 0xDF);
  EXPECT_EQ(kYun[1], '\\');
  EXPECT_EQ(kBi, std::string("\xE9\x5D"));
}

TEST(GbkFind, StepsOverTrailBytes) {
  std::string path = "C:\\" + kYun + "\\a.gif";
  // The trail byte of 運 at index 4 must not be taken for the separator.
  EXPECT_EQ(GbkFind(path, '\\'), 2u);
  EXPECT_EQ(GbkFind(path, '\\', 3), 5u);
  EXPECT_EQ(GbkFindLast(path, '\\'), 5u);
  EXPECT_EQ(GbkFind(kYun, '\\'), std::string::npos);
  EXPECT_EQ(GbkFindLast(kYun + kYun, '\\'), std::string::npos);
  EXPECT_EQ(GbkFind("[" + kBi + "]", ']'), 3u);
}

TEST(GbkFind, TextSearchStartsOnBoundaries) {
  std::string text = kYun + "\\x";
  EXPECT_EQ(GbkFindText(text, "\\x"), 2u);
  EXPECT_EQ(GbkFindText(kBi + "]", "]"), 2u);
  EXPECT_EQ(GbkFindText("abc", "zz"), std::string::npos);
}

// A lead byte pairs only with a real trail byte: before "\r" or at the end
// it stands alone, so the line break behind it is still found (the settings
// store's escaping and its search walk text the same way), while "\\" is a
// trail byte and stays inside its character.
TEST(GbkFind, DamagedTextStepsByTheSameRule) {
  EXPECT_EQ(GbkReplaceAll("a\xB0\r\nb", "\r\n", "|"), "a\xB0|b");
  EXPECT_EQ(GbkFindText("\xB0\r\n[", "\r\n["), 1u);
  EXPECT_EQ(GbkFind("\xB0\\", '\\'), std::string::npos);
  EXPECT_EQ(GbkCharLength("a\xB0", 1), 1u);
  EXPECT_EQ(GbkTruncate("a\xB0\x7F", 2), "a\xB0");  // 0x7F is no trail byte
}

TEST(GbkEndsWith, TrailByteIsNoSeparator) {
  EXPECT_TRUE(GbkEndsWith("C:\\temp\\", '\\'));
  EXPECT_FALSE(GbkEndsWith("C:\\" + kYun, '\\'));
  EXPECT_FALSE(GbkEndsWith("", '\\'));
}

TEST(GbkReplaceAll, ReplacesAlignedOccurrences) {
  EXPECT_EQ(GbkReplaceAll("a\r\nb\r\n", "\r\n", "|"), "a|b|");
  EXPECT_EQ(GbkReplaceAll(kBi + "]", "]", "-"), kBi + "-");
  EXPECT_EQ(GbkReplaceAll("abc", "", "x"), "abc");
}

TEST(SplitLines, AllLineEnds) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(GbkTruncate, KeepsWholeCharacters) {
  std::string text = "ab" + kYun + kYun;  // 6 bytes
  EXPECT_EQ(GbkTruncate(text, 3), "ab");
  EXPECT_EQ(GbkTruncate(text, 4), "ab" + kYun);
  EXPECT_EQ(GbkTruncate(text, 10), text);
  EXPECT_EQ(GbkTruncate(text, 0), "");
}

}  // namespace
}  // namespace movrel

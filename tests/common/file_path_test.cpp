// The path type's conversions and the path arithmetic on UTF-16 units.
#include "common/file_path.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

TEST(FilePathTest, GbkTextsEnterAndLeaveAsTheSameLetters) {
  struct Case {
    const char* gbk;
    std::u16string units;
  } cases[] = {
      {"C:\\運閉\\a.gif", u"C:\\運閉\\a.gif"},  // trail bytes equal to '\' and ']'
      {"帧文件夹\\", u"帧文件夹\\"},
      {"plain", u"plain"},
      {"", u""},
  };
  for (const Case& c : cases) {
    const FilePath path = FilePath::FromGbk(c.gbk);
    EXPECT_EQ(path.Units(), c.units) << c.gbk;
    EXPECT_EQ(path.Gbk(), c.gbk);
    EXPECT_TRUE(path.FitsGbk()) << c.gbk;
    EXPECT_EQ(FilePath::FromUtf8(path.Utf8()), path) << c.gbk;
  }
  // Letters GBK lacks survive in the path; only its shown form loses them.
  const FilePath hangul(u"C:\\Users\\녹화\\Temp\\");
  EXPECT_EQ(hangul.Gbk(), "C:\\Users\\??\\Temp\\");
  EXPECT_EQ(hangul.Utf8(), "C:\\Users\\\xEB\x85\xB9\xED\x99\x94\\Temp\\");
  EXPECT_EQ(FilePath::FromUtf8(hangul.Utf8()), hangul);
  // Such a path has no GBK text to be stored as: "?", or a look-alike (the
  // Windows table turns À into à), names another file.
  EXPECT_FALSE(hangul.FitsGbk());
  EXPECT_FALSE(FilePath(u"D:\\\u00C0.cur").FitsGbk());
}

TEST(FilePathTest, Utf8OfMalformedTextGivesReplacementCharacters) {
  EXPECT_EQ(FilePath(u"\U0001F600").Utf8(), "\xF0\x9F\x98\x80");  // a surrogate pair
  EXPECT_EQ(FilePath(std::u16string(1, u'\xD800') + u"a").Utf8(), "\xEF\xBF\xBD" "a");
  EXPECT_EQ(FilePath::FromUtf8("\xF0\x9F\x98\x80").Units(), u"\U0001F600");
  for (const char* bad : {"\xC0\xAF", "\xE2\x82", "\xED\xA0\x80", "\xFF", "\xF4\x90\x80\x80"}) {
    const std::u16string units = FilePath::FromUtf8(std::string(bad) + "/").Units();
    EXPECT_EQ(units.back(), u'/') << bad;
    EXPECT_EQ(units.find_first_not_of(u"\xFFFD/"), std::u16string::npos) << bad;
  }
}

TEST(FilePathTest, FolderAndNameParts) {
  const FilePath path = FilePath::FromGbk("D:\\录像\\運\\frame 1.TMP");
  EXPECT_EQ(path.FolderPart(), FilePath::FromGbk("D:\\录像\\運\\"));
  EXPECT_EQ(FilePath(u"C:a.gif").FolderPart(), FilePath(u"C:"));
  EXPECT_EQ(FilePath(u"/tmp/x/a").FolderPart(), FilePath(u"/tmp/x/"));
  EXPECT_TRUE(FilePath(u"bare").FolderPart().empty());
  EXPECT_EQ(FilePath(u"C:\\a\\\\/").WithoutTrailingSeparators(), FilePath(u"C:\\a"));
  EXPECT_TRUE(FilePath(u"C:\\a\\").EndsWithSeparator());
  EXPECT_FALSE(FilePath(u"C:\\a").EndsWithSeparator());
  EXPECT_EQ(FilePath(u"C:\\\uB179\\").PlusGbk("17.TMP"), FilePath(u"C:\\\uB179\\17.TMP"));
}

}  // namespace
}  // namespace movrel

#include "config/config_file.h"

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "temp_dir.h"

namespace movrel {
namespace {

TEST(ConfigFile, ReplaceEditsInPlace) {
  struct Case {
    const char* name;
    std::string before;
    uint64_t offset, removeCount;
    std::string bytes;
    bool ok;
    std::string after;
  };
  const Case cases[] = {
      {"same length", "abcdef", 2, 2, "XY", true, "abXYef"},
      {"grow", "abcdef", 2, 1, "XYZ", true, "abXYZdef"},
      {"shrink", "abcdef", 1, 4, "-", true, "a-f"},
      {"delete to end", "abcdef", 3, 3, "", true, "abc"},
      {"append", "abc", 3, 0, "\r\n[S]", true, "abc\r\n[S]"},
      {"into empty", "", 0, 0, "[S]", true, "[S]"},
      {"binary tail", std::string("a\0b\xFF", 4), 1, 0, "++", true, std::string("a++\0b\xFF", 6)},
      {"offset past end", "abc", 4, 0, "x", false, "abc"},
      {"range past end", "abc", 2, 2, "x", false, "abc"},
  };
  TempDir dir;
  std::string path = dir.Path("replace.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteWholeFile(path, c.before));
    {
      std::unique_ptr<ConfigFile> file = OpenConfigFile(FilePath::FromGbk(path), true);
      ASSERT_TRUE(file);
      EXPECT_EQ(file->Replace(c.offset, c.removeCount, c.bytes), c.ok);
      std::string all;
      ASSERT_TRUE(file->ReadAll(&all));
      EXPECT_EQ(all, c.after);
    }
    std::string onDisk;
    ASSERT_TRUE(ReadWholeFile(path, &onDisk));
    EXPECT_EQ(onDisk, c.after);
  }
}

TEST(ConfigFile, OpeningRules) {
  TempDir dir;
  std::string path = dir.Path("new.ini");
  EXPECT_FALSE(OpenConfigFile(FilePath::FromGbk(path), false));  // reading never creates
  EXPECT_FALSE(FileExists(path));
  {
    std::unique_ptr<ConfigFile> file = OpenConfigFile(FilePath::FromGbk(path), true);
    ASSERT_TRUE(file);
    uint64_t size = 1;
    EXPECT_TRUE(file->Size(&size));
    EXPECT_EQ(size, 0u);
  }
  EXPECT_TRUE(FileExists(path));
  std::unique_ptr<ConfigFile> reader = OpenConfigFile(FilePath::FromGbk(path), false);
  ASSERT_TRUE(reader);
  EXPECT_FALSE(reader->Replace(0, 0, "x"));
  EXPECT_FALSE(OpenConfigFile(FilePath::FromGbk(dir.Folder()), true));  // a folder is no settings file
}

}  // namespace
}  // namespace movrel

#include "config/config_file.h"

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

TEST(ConfigFile, OpeningRules) {
  test::TempFolder dir;
  std::string path = dir / "new.ini";
  ConfigDisk& disk = SystemConfigDisk();
  EXPECT_FALSE(disk.Open(FilePath::FromGbk(path), false));  // reading never creates
  EXPECT_FALSE(FileExists(path));
  {
    std::unique_ptr<ConfigFile> file = disk.Open(FilePath::FromGbk(path), true);
    ASSERT_TRUE(file);
    uint64_t size = 1;
    EXPECT_TRUE(file->Size(&size));
    EXPECT_EQ(size, 0u);
  }
  EXPECT_TRUE(FileExists(path));
  EXPECT_TRUE(disk.Open(FilePath::FromGbk(path), false));
  EXPECT_FALSE(disk.Open(dir.Folder().WithoutTrailingSeparators(), true));  // a folder is no settings file
}

}  // namespace
}  // namespace movrel

#include "common/file_io.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/file_path_win.h"
#include "common/gbk_win.h"

namespace movrel {
namespace {

std::string TempPath(const std::string& name) {
  wchar_t buffer[MAX_PATH];
  GetTempPathW(MAX_PATH, buffer);
  return ToGbk(buffer) + name;
}

TEST(FileIo, GbkPathsWithTrailByteSeparators) {
  // 運 ends in the byte of '\\': the path must still name one file.
  std::string path = TempPath("運閉_movrel_test.bin");
  std::string bytes("a\0b\xFF", 4);
  ASSERT_TRUE(WriteWholeFile(path, bytes));
  EXPECT_TRUE(FileExists(path));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(path, &back));
  EXPECT_EQ(back, bytes);
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(ReadWholeFile(path, &back));
}

TEST(FileIo, WriteIntoMissingFolderFails) {
  EXPECT_FALSE(WriteWholeFile(TempPath("no_such_folder_movrel\\x.bin"), "x"));
  EXPECT_EQ(WriteNewFile(FilePath::FromGbk(TempPath("no_such_folder_movrel\\x.bin")), "x"), NewFileResult::kFailed);
}

TEST(FileIo, NewFilesNeverReplaceOneThatIsThere) {
  // A name in letters GBK lacks reaches the file system unchanged.
  const FilePath path = SystemTempFolder().Plus(u"녹화_movrel_new.bin");
  RemoveFile(path);
  ASSERT_EQ(WriteNewFile(path, "first"), NewFileResult::kWritten);
  EXPECT_EQ(WriteNewFile(path, "second"), NewFileResult::kNameTaken);
  std::string back;
  ASSERT_TRUE(ReadWholeFile(path, &back));
  EXPECT_EQ(back, "first");
  EXPECT_TRUE(RemoveFile(path));
}

}  // namespace
}  // namespace movrel

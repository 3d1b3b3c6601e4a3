#include "common/file_io.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/temp_folder.h"


namespace movrel {
namespace {

TEST(FileIo, GbkPathsWithTrailByteSeparators) {
  // 運 ends in the byte of '\\': the path must still name one file.
  test::TempFolder folder;
  std::string path = folder / "運閉_movrel_test.bin";
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
  test::TempFolder folder;
  EXPECT_FALSE(WriteWholeFile(folder / "no_such_folder_movrel\\x.bin", "x"));
  EXPECT_EQ(WriteNewFile(FilePath::FromGbk(folder / "no_such_folder_movrel\\x.bin"), "x"), NewFileResult::kFailed);
}

TEST(FileIo, NewFilesNeverReplaceOneThatIsThere) {
  // A name in letters GBK lacks reaches the file system unchanged.
  test::TempFolder folder;
  const FilePath path = folder.Folder().Plus(u"녹화_movrel_new.bin");
  ASSERT_EQ(WriteNewFile(path, "first"), NewFileResult::kWritten);
  EXPECT_EQ(WriteNewFile(path, "second"), NewFileResult::kNameTaken);
  std::string back;
  ASSERT_TRUE(ReadWholeFile(path, &back));
  EXPECT_EQ(back, "first");
  EXPECT_TRUE(RemoveFile(path));
}

}  // namespace
}  // namespace movrel

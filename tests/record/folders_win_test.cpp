// The recording's folders on real files under Wine.
#include "record/folders_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "common/gbk_win.h"
#include "scratch_folder.h"

namespace movrel {
namespace {

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesW(ToWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::string& path) { return CreateDirectoryW(ToWide(path).c_str(), nullptr) != FALSE; }

TEST(DirectoryChainTest, CreatesOnlyComponentsEndingInASeparator) {
  ScratchFolder s;
  EXPECT_TRUE(MakeDirectoryChain(s.Path() + "a\\運\\"));
  EXPECT_TRUE(IsFolder(s.Path() + "a"));
  EXPECT_TRUE(IsFolder(s.Path() + "a\\運"));
  EXPECT_TRUE(MakeDirectoryChain(s.Path() + "c\\d"));
  EXPECT_TRUE(IsFolder(s.Path() + "c"));
  EXPECT_FALSE(IsFolder(s.Path() + "c\\d"));
  EXPECT_TRUE(MakeDirectoryChain(s.Path() + "a\\運\\"));  // all there already
  // A file in the way cannot become a folder.
  ASSERT_TRUE(WriteWholeFile(s.Path() + "file", "x"));
  EXPECT_FALSE(MakeDirectoryChain(s.Path() + "file\\sub\\"));
}

TEST(DeleteDirectoryTreeTest, RefusesRootsAndBlanksAndTouchesNothing) {
  ScratchFolder s;
  ASSERT_TRUE(WriteWholeFile(s.Path() + "keep", "x"));
  for (const char* path : {"", "   ", "C:", "C:\\", "  C:\\", "\\", "\\\\server\\share"}) {
    EXPECT_FALSE(DeleteDirectoryTree(path)) << "[" << path << "]";
  }
  EXPECT_TRUE(FileExists(s.Path() + "keep"));
  EXPECT_TRUE(IsFolder("C:\\windows"));
  EXPECT_FALSE(DeleteDirectoryTree(s.Path() + "missing\\"));
}

TEST(DeleteDirectoryTreeTest, DeletesANestedTreeWithReadOnlyFiles) {
  ScratchFolder s;
  const std::string root = s.Path() + "KVGifRecord_1\\";
  ASSERT_TRUE(MakeDirectoryChain(root + "運\\deep\\"));
  ASSERT_TRUE(WriteWholeFile(root + "1.TMP", "frame"));
  ASSERT_TRUE(WriteWholeFile(root + "運\\deep\\2.TMP", "frame"));
  SetFileAttributesW(ToWide(root + "運\\deep\\2.TMP").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeleteDirectoryTree("  " + root));
  EXPECT_FALSE(IsFolder(root));
  EXPECT_TRUE(IsFolder(s.Path()));
}

TEST(DeleteDirectoryTreeTest, RemovesLinksWithoutFollowingThem) {
  ScratchFolder s;
  const std::string outside = s.Path() + "outside";
  const std::string tree = s.Path() + "tree";
  ASSERT_TRUE(MakeFolder(outside));
  ASSERT_TRUE(MakeFolder(tree));
  ASSERT_TRUE(WriteWholeFile(outside + "\\precious", "keep me"));
  const std::wstring link = ToWide(tree + "\\link");
  // Some systems (Wine among them) report success without making a link;
  // the end-to-end tests cover links made from the Linux side there.
  if (!CreateSymbolicLinkW(link.c_str(), ToWide(outside).c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !FileExists(tree + "\\link\\precious")) {
    GTEST_SKIP() << "this system makes no directory links";
  }
  EXPECT_TRUE(DeleteDirectoryTree(tree));
  EXPECT_FALSE(IsFolder(tree));
  EXPECT_TRUE(FileExists(outside + "\\precious"));
}

TEST(RecordingTempDirTest, FreshFolderInTheTemporaryFolder) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::string first = MakeRecordingTempDir();
  const std::string second = MakeRecordingTempDir();
  EXPECT_EQ(first.rfind(ToGbk(temp) + "KVGifRecord_", 0), 0u) << first;
  EXPECT_EQ(first.back(), '\\');
  EXPECT_TRUE(IsFolder(first));
  EXPECT_TRUE(IsFolder(second));
  EXPECT_NE(first, second);  // even within the same second
  EXPECT_TRUE(DeleteDirectoryTree(first));
  EXPECT_TRUE(DeleteDirectoryTree(second));
}

std::string Stem(const std::string& path, const std::string& folder) {
  std::string name = path.substr(folder.size());
  return name.substr(0, 19);  // "2026-12-06 17-46-14"
}

TEST(SaveFrameToFolderTest, DateTimeNamesWithACounterWithinOneSecond) {
  ScratchFolder s;
  const std::string folder = s.Path() + "帧\\";
  ASSERT_TRUE(MakeDirectoryChain(folder));
  // Two saves in a row fall into one second almost always; try again when
  // the clock turned between them.
  std::string a, b;
  for (int attempt = 0; attempt < 5; ++attempt) {
    a = SaveFrameToFolder("BM frame", folder, 0, "BMP");
    b = SaveFrameToFolder("BM frame", folder, 0, "BMP");
    if (Stem(a, folder) == Stem(b, folder)) break;
  }
  ASSERT_FALSE(a.empty());
  ASSERT_EQ(Stem(a, folder), Stem(b, folder));
  EXPECT_EQ(a, folder + Stem(a, folder) + ".BMP");
  EXPECT_EQ(b, folder + Stem(a, folder) + "(1).BMP");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(b, &bytes));
  EXPECT_EQ(bytes, "BM frame");  // BMP is written as it is
  EXPECT_EQ(Stem(a, folder)[4], '-');
  EXPECT_EQ(Stem(a, folder)[13], '-');
}

TEST(SaveFrameToFolderTest, FailuresWriteNothing) {
  // Re-encoded formats are decoded by Pillow in the end-to-end tests.
  ScratchFolder s;
  EXPECT_EQ(SaveFrameToFolder("not a picture", s.Path(), 1, "JPG"), "");
  EXPECT_EQ(SaveFrameToFolder("BM frame", s.Path() + "no such folder\\", 0, "BMP"), "");
}

}  // namespace
}  // namespace movrel
